#pragma once

// Autosaves one document (its canvas, with a record of what it belongs to) into the autosave
// store: once the pen has been up for 2 s after a change not yet autosaved, and at the latest
// 30 s after the first such change. A change is a step of the document's undo history: the
// picture autosaved last is known by its history state, so a change undone again needs no new
// autosave. A document that is saved, or closes (after Don't Save), loses its autosave; one
// deleted with unsaved changes (the program ended some other way) keeps it. A child of its
// document.

#include "app/autosavewriter.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace pennova {

class AutosaveStore;
class MyDocument;

class DocumentAutosave : public QObject
{
    Q_OBJECT
public:
    static constexpr int kPenUpMs = 2000;
    static constexpr int kLatestMs = 30000;
    // The two waits of autosaves made from now on (tests shorten them); 0 restores both.
    static void setWaits(int penUpMs, int latestMs);

    // Autosaves `document` into a new file of `store`, or, for a recovered document, into the
    // autosave file it was recovered from, which holds its picture as it is.
    DocumentAutosave(MyDocument &document, AutosaveStore &store, const QString &adoptedFile = {});
    ~DocumentAutosave() override;

    QString filePath() const { return m_writer.path(); }
    // Whether the document has changes the autosave file does not hold yet.
    bool isPending() const;
    // Writes the autosave now (without waiting for the pen), unless one is being written.
    void autosaveNow();

private:
    void historyChanged();
    void cleanChanged(bool clean);
    void penUpTimeout();
    void written(const QString &error);
    void scheduleLatest();

    MyDocument &m_document;
    AutosaveWriter m_writer;
    QTimer m_penUp;
    QTimer m_latest;
    // Since the first change the autosave file does not hold (invalid when there is none).
    QElapsedTimer m_pendingSince;
    quint64 m_savedState = 0; // the history state the file holds (or, clean, needs none)
    quint64 m_writingState = 0; // the state being written
    bool m_clean = true;
    bool m_closed = false;
    QString m_lastError;
};

} // namespace pennova

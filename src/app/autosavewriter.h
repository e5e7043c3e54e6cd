#pragma once

// Writes one document's autosaves on a worker thread (shared by every document, one write at a
// time, so that autosaving never takes both cores from painting), from a snapshot of the canvas:
// the main thread only takes the snapshot and hands it over. How each write went comes back as
// a signal on the writer's thread. A file that is no longer wanted is removed at once, and again
// by the worker if a write of it was still going on.

#include "app/autosavefile.h"

#include <QObject>
#include <atomic>
#include <memory>

namespace pennova {

class AutosaveWriter : public QObject
{
    Q_OBJECT
public:
    // Writes to `path`, which may hold an autosave already.
    explicit AutosaveWriter(const QString &path, QObject *parent = nullptr);
    // Removes the file, unless it was kept (keep()); a write still going on removes it when it
    // ends.
    ~AutosaveWriter() override;

    QString path() const { return m_path; }
    // Starts writing the picture; returns at once. A writer writes one picture at a time: a
    // call while a write goes on is ignored (isWriting()).
    void write(const CanvasSnapshot &picture, const autosavefile::Record &record);
    bool isWriting() const { return m_writing; }
    // The file is no longer wanted (the document was saved or closed): removed now, and once a
    // write of it ends. The next write() wants its file again.
    void discard();
    // The file outlives the writer (a quit that leaves documents unsaved).
    void keep() { m_keep = true; }

    // Waits until every autosave write started so far has ended (tests, benchmarks, exit).
    static void waitForAll();

signals:
    // A write ended: `error` is empty when the file was written.
    void written(const QString &error);

private:
    struct Job
    {
        QString path;
        std::atomic<bool> unwanted { false };
    };
    QString m_path;
    std::shared_ptr<Job> m_job;
    bool m_writing = false;
    bool m_keep = false;
};

} // namespace pennova

#pragma once

// One document: one canvas in one window, the file it came from or was saved to, and the undo
// history whose clean state is the window's modified mark. The document is a child of its
// DocumentWindow and goes when the window goes. Made by the DocumentController, which also holds
// the prompts it asks questions through. Closing the window asks about unsaved changes first;
// deleting the window directly never asks.

#include <QByteArray>
#include <QObject>
#include <QString>

class QPrinter;

namespace pennova {

class DocumentController;
class DocumentWindow;
class DrawView;
class UndoHistory;

class MyDocument : public QObject
{
    Q_OBJECT
public:
    // Makes the document's window (not shown) with an empty canvas view.
    explicit MyDocument(DocumentController &controller);
    ~MyDocument() override;

    DocumentWindow *window() const { return m_window; }
    DrawView *drawView() const;
    UndoHistory *undoHistory() const;

    // The absolute path of the document's file; empty for a document never saved.
    QString filePath() const { return m_filePath; }
    // The file's type as its reader or writer names it ("png", "jpeg", "gif" ...); empty for a
    // document never saved.
    QByteArray fileType() const { return m_fileType; }
    // What the title shows: the file's name, or "Untitled" (numbered after the first).
    QString displayName() const;
    // What an autosave records the document as: its file and name, or, for a recovered picture
    // not saved since, the file and name it was recovered as (without "(Recovered)").
    QString autosavePath() const { return m_filePath.isEmpty() ? m_recoveredPath : m_filePath; }
    QString autosaveTitle() const;
    bool isModified() const;
    // Whether Save can write the document's own file: its extension names a type Pennova writes.
    bool canSaveInPlace() const;

    // Writes the canvas to `path` as the type its extension names (PNG, or JPEG composited over
    // white), atomically; the document then belongs to that file and is clean. On failure returns
    // false with the reason in `error` and changes nothing. Never asks.
    bool saveToFile(const QString &path, QString *error = nullptr);
    // Prints the canvas on one page, scaled to fit the page's printable area with its aspect
    // kept, centred. Never asks.
    bool printTo(QPrinter &printer, QString *error = nullptr);

    // Menu commands; they ask through the controller's prompts and report failures.
    // Save writes the document's file, or asks for a new one (Save As) when there is none or its
    // type cannot be written. False when nothing was saved.
    bool save();
    bool saveAs();
    bool print();
    // With unsaved changes, asks Save / Don't Save / Cancel; true when the document may close.
    bool canClose();
    // Asks as canClose(), then closes the window; true when it closed.
    bool close();
    // Closes the window at once, changes or not.
    void closeWithoutAsking();

signals:
    void activated(MyDocument *document);
    void closed(MyDocument *document);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class DocumentController;
    void setFile(const QString &path, const QByteArray &type);
    void setUntitledName(const QString &name);
    // A picture recovered from an autosave: titled "<title> (Recovered)", modified, without a
    // file; its first save asks where, proposing `originalPath` (the file it belonged to).
    void setRecovered(const QString &originalPath, const QString &originalTitle);
    void updateTitle();
    void connectCommands();
    QString suggestedSavePath() const;

    DocumentController &m_controller;
    DocumentWindow *m_window;
    QString m_filePath;
    QByteArray m_fileType;
    QString m_untitledName;
    QString m_recoveredPath;
    QString m_recoveredTitle;
    bool m_closeConfirmed = false;
    bool m_asking = false;
};

} // namespace pennova

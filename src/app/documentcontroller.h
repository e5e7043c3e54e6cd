#pragma once

// The process-wide keeper of the open documents: it makes new ones (at a size the user enters),
// opens files, reverts a document by replacing it, knows the current (active) document and
// closes them all for Quit. Every question and message to the user goes through DocumentPrompts,
// which the program fills with real dialogs and tests with answers of their own; the functions
// that take an `error` argument never ask or show anything.

#include <QList>
#include <QObject>
#include <QSize>
#include <QStringList>
#include <functional>
#include <optional>

class QWidget;

namespace pennova {

class AutosaveStore;
class Defaults;
class MyDocument;

enum class SaveChangesAnswer
{
    Save,
    DontSave,
    Cancel
};

struct DocumentPrompts
{
    // Tells the user that something failed.
    std::function<void(QWidget *parent, const QString &message)> alert;
    // Before closing a modified document: save its changes, throw them away, or keep it open.
    std::function<SaveChangesAnswer(QWidget *parent, const QString &documentName)> saveChanges;
    // Before reverting a modified document: true to throw away its changes.
    std::function<bool(QWidget *parent, const QString &documentName)> confirmRevert;
    // The file to save into, proposed as `suggestedPath`; empty when cancelled. The answer's
    // extension chooses the type written.
    std::function<QString(QWidget *parent, const QString &suggestedPath)> saveFileName;
    // Files to open; empty when cancelled.
    std::function<QStringList(QWidget *parent)> openFileNames;
    // Before reading a picture that needs a great deal of memory, with the question to ask
    // ("This picture is … Open it?"): true to open it.
    std::function<bool(QWidget *parent, const QString &question)> confirmLargeImage;
    // Asks for the size of a new canvas and hands each confirmed size to `make`, which answers
    // empty when it made the canvas, else why not; the question then stays open with that
    // answer. Ends when a canvas was made or the user cancels.
    std::function<void(
        QWidget *parent, Defaults &defaults, const std::function<QString(const QSize &size)> &make)>
        canvasSize;

    // Message boxes, file dialogs and the canvas-size window.
    static DocumentPrompts interactive();
};

class DocumentController : public QObject
{
    Q_OBJECT
public:
    // Registers the factory size of a new canvas in `defaults`. Uses the interactive prompts.
    explicit DocumentController(Defaults &defaults, QObject *parent = nullptr);
    // Deletes the windows of the documents still open, without asking.
    ~DocumentController() override;

    // The program's controller, over the shared settings store; made on first use, it lives
    // until the application quits.
    static DocumentController &shared();

    Defaults &defaults() const { return m_defaults; }
    DocumentPrompts &prompts() { return m_prompts; }
    void setPrompts(DocumentPrompts prompts) { m_prompts = std::move(prompts); }

    // Open documents, oldest first.
    QList<MyDocument *> documents() const { return m_documents; }
    // The document whose window was activated last (or, before any activation, opened last).
    MyDocument *currentDocument() const;
    // The open document of that file, or null.
    MyDocument *documentForPath(const QString &path) const;

    // Without questions (but the large-picture one): each shows the new document's window, or
    // returns null with the reason (a full sentence naming the file or size) in `error`, which
    // stays empty when the user chose not to open a very large picture or cancelled its reading.
    MyDocument *makeUntitledDocument(const QSize &size, QString *error = nullptr);
    // A file that is already open brings its window to the front instead. A damaged file that
    // opened in part sets `notice` to a sentence saying so.
    MyDocument *openDocumentWithContentsOfFile(
        const QString &path, QString *error = nullptr, QString *notice = nullptr);
    // Documents made from here on autosave into `store` (none: they do not autosave).
    void setAutosaveStore(AutosaveStore *store) { m_autosaves = store; }
    AutosaveStore *autosaveStore() const { return m_autosaves; }
    // Opens the picture of an autosave left by a Pennova that stopped, as a modified document
    // titled "… (Recovered)" whose Save asks where, proposing `originalPath`. The autosave file
    // then belongs to the new document. Null with the reason on failure (the file stays).
    MyDocument *recoverDocument(const QString &autosaveFile, const QString &originalPath,
        const QString &title, QString *error = nullptr);
    // Replaces `document` by a fresh one read from its file (new history and view) in the same
    // place, then closes it without asking. On failure `document` stays as it was.
    MyDocument *revertDocument(MyDocument *document, QString *error = nullptr);

    // The folder a Save As of a document without a folder of its own proposes: the folder of the
    // last save in this session, else the pictures folder, else the home folder, whichever exists
    // first. Always an absolute path.
    QString proposedSaveFolder() const;
    // `document` was saved to its file: later Save As propose that file's folder.
    void noteSaved(MyDocument *document);

    // Menu commands: they ask through the prompts and report failures through the alert.
    // New stores the size it made as the default for the next new canvas.
    MyDocument *newDocument();
    QList<MyDocument *> openDocument();
    // Opens each file; reports every failure in one message after trying them all.
    QList<MyDocument *> openFiles(const QStringList &paths);
    // Asks before throwing away changes; null when refused or failed (then the document stays).
    MyDocument *revert(MyDocument *document);
    // Closes every document, asking about each one with unsaved changes; false as soon as one
    // stays open (Cancel, or a save that did not happen).
    bool closeAll();
    // Closes all, then quits the application if they all closed.
    void quit();
    // While quit() closes the documents (and after, when they all closed).
    bool isQuitting() const { return m_quitting; }

    // Shows `message` through the alert prompt, centred on `parent` (by default the active
    // window, else the current document's).
    void report(const QString &message, QWidget *parent = nullptr);

signals:
    void documentAdded(MyDocument *document);
    // The document was written to its file (its file path may be new).
    void documentSaved(MyDocument *document);
    // The document's window has closed; the document is deleted with it soon after.
    void documentRemoved(MyDocument *document);
    void currentDocumentChanged(MyDocument *document);

private:
    // A new document; with an autosave store, it autosaves there (into `autosaveFile`, when
    // given, else into a new file).
    MyDocument *createDocument(const QString &autosaveFile = QString());
    // A new untitled document with a white canvas of `size`, not yet shown or listed.
    MyDocument *createUntitledDocument(const QSize &size, QString *error);
    MyDocument *readDocument(const QString &path, QString *error, QString *notice = nullptr);
    void addDocument(MyDocument *document, int index = -1);
    void documentClosed(MyDocument *document);
    void documentActivated(MyDocument *document);
    QWidget *dialogParent() const;
    QString nextUntitledName();

    Defaults &m_defaults;
    DocumentPrompts m_prompts;
    AutosaveStore *m_autosaves = nullptr;
    QList<MyDocument *> m_documents;
    MyDocument *m_current = nullptr;
    int m_untitledCount = 0;
    QString m_lastSaveFolder;
    bool m_quitting = false;
};

} // namespace pennova

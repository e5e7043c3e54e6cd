#pragma once

// The application's delegate, one per run of the program (main makes it after the application
// object; windows reach it through instance(), which is null in programs without one, such as
// the replay tool). It shows the launch window when there is no document to show and closes it
// when a canvas enters its window; owns the preferences window and applies the undo depth to open
// documents; owns the web actions (update notice, donation message, help pages, bug reports) and
// the commands that reach them from every window's menus. Every question and message to the user
// goes through ShellPrompts, which tests fill with answers of their own.

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>

class QAction;
class QMenu;
class QWidget;

namespace pennova {

class AutosaveStore;
class BugReportWindow;
class DocumentController;
class LaunchWindow;
class PreferencesWindow;
class WebService;

struct ShellPrompts
{
    // A warning: what went wrong, and what it means for the user.
    std::function<void(QWidget *parent, const QString &message, const QString &informative)> alert;
    // A notice with an OK button.
    std::function<void(QWidget *parent, const QString &message, const QString &informative)> inform;
    // The file to save a bug report into; empty when cancelled.
    std::function<QString(QWidget *parent, const QString &suggestedPath)> reportFileName;
    // Opens a web address in the user's browser; false when it could not be handed on.
    std::function<bool(const QUrl &url)> openUrl;
    // Offers the autosaves a Pennova that stopped left behind: `decide(index, recover)` recovers
    // or discards one, and answers whether it is done (a failed recovery keeps it offered).
    struct Leftover
    {
        QString title; // empty when the autosave cannot be read
        QString detail;
        QImage thumbnail;
    };
    std::function<void(QWidget *parent, const QList<Leftover> &leftovers,
        const std::function<bool(int index, bool recover)> &decide)>
        offerRecovery;

    // Message boxes, the file dialog and the desktop's browser.
    static ShellPrompts interactive();
};

class AppDelegate : public QObject
{
    Q_OBJECT
public:
    explicit AppDelegate(DocumentController &documents, QObject *parent = nullptr);
    ~AppDelegate() override;

    static AppDelegate *instance();

    DocumentController &documents() const { return m_documents; }
    WebService &web() const { return *m_web; }
    ShellPrompts &prompts() { return m_prompts; }
    void setPrompts(ShellPrompts prompts) { m_prompts = std::move(prompts); }

    // Start-up: offers to recover the pictures a Pennova that stopped had not saved, opens the
    // files named on the command line, reporting those that fail; with no document open then,
    // shows the launch window. From here on documents autosave.
    void launch(const QStringList &paths);
    // Where documents autosave (null before launch, or when the folder cannot be made).
    AutosaveStore *autosaveStore() const { return m_autosaves.get(); }
    // Centres the launch window and brings it to the front, starts fetching the donation message
    // and loads the update notice. Answers false: no untitled document is made.
    bool applicationShouldOpenUntitledFile();
    // Hides the launch window; every canvas asks when it is first shown in a window.
    void closeSplash();
    // A menu is about to show: the current document brings its items up to date.
    void menuNeedsUpdate(QMenu *menu);

    // Edit > Preferences…: shows the preferences window (one for the program).
    void showPreferences();
    // Applies the undo depth to every open document and closes the preferences window; closing
    // the window in any way runs it.
    void setPrefs();

    // Help: the user guide, the forum and the donation page in the user's browser.
    void goToWiki();
    void goToBulletinBoards();
    void donate();
    // The bug-report window, centred and modal.
    void bugReport();
    // Cancel: stops a send in progress (keeping the text), else closes the window and empties it.
    void cancelBug();
    // Send: posts the report and waits with a busy cursor, Cancel and a time limit. Sent: thanks,
    // and the window closes empty. Failed: an alert, and the window keeps the text.
    void submitReport();
    // Save to File…: writes the report as text, atomically; saved, the window closes empty.
    void saveReport();

    // Commands for every window's menus, by name: "preferences", "goToWiki",
    // "goToBulletinBoards", "donate", "bugReport".
    QAction *command(const QString &name) const;
    // Adds Preferences… to an Edit menu, and the web commands to a Help menu.
    void addEditCommands(QMenu *edit);
    void addHelpCommands(QMenu *help);

    LaunchWindow *launchWindow() const { return m_launch; }
    PreferencesWindow *preferencesWindow();
    BugReportWindow *bugReportWindow();

private:
    void buildCommands();
    void buildLaunchWindow();
    void applyServerAddress();
    void openLink(const QUrl &url);
    void lastDocumentClosed();
    void startAutosaving();
    void offerRecovery();
    void finishBugReport();
    QWidget *dialogParent() const;

    DocumentController &m_documents;
    ShellPrompts m_prompts;
    WebService *m_web;
    LaunchWindow *m_launch = nullptr;
    QPointer<PreferencesWindow> m_prefs;
    QPointer<BugReportWindow> m_bug;
    QList<QAction *> m_commands;
    std::unique_ptr<AutosaveStore> m_autosaves;
};

} // namespace pennova

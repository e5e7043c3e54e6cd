#include "app/appdelegate.h"

#include "app/autosavestore.h"
#include "app/autosavewriter.h"
#include "app/bugreportwindow.h"
#include "app/documentcontroller.h"
#include "app/documentwindow.h"
#include "app/helpwindow.h"
#include "app/launchwindow.h"
#include "app/mydocument.h"
#include "app/preferenceswindow.h"
#include "app/recoverywindow.h"
#include "app/updateview.h"
#include "canvas/atomicfile.h"
#include "canvas/undohistory.h"
#include "canvasui/keyreferencewindow.h"
#include "palette/toolpanel.h"
#include "settings/defaults.h"
#include "settings/defaultskeys.h"
#include "settings/recentfiles.h"
#include "web/webservice.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QStyle>

namespace pennova {

namespace {

    AppDelegate *s_instance = nullptr;

    void centreOnScreen(QWidget *window, const QWidget *near)
    {
        const QScreen *screen = near ? near->screen() : QGuiApplication::primaryScreen();
        if (!screen)
            return;
        window->adjustSize();
        window->move(QStyle::alignedRect(
            Qt::LeftToRight, Qt::AlignCenter, window->size(), screen->availableGeometry())
                         .topLeft());
    }

    void showMessage(
        QMessageBox::Icon icon, QWidget *parent, const QString &message, const QString &informative)
    {
        QMessageBox box(icon, QApplication::applicationName(), message, QMessageBox::Ok, parent);
        box.setInformativeText(informative);
        box.setDefaultButton(QMessageBox::Ok);
        box.exec();
    }

} // namespace

ShellPrompts ShellPrompts::interactive()
{
    ShellPrompts prompts;
    prompts.alert = [](QWidget *parent, const QString &message, const QString &informative) {
        showMessage(QMessageBox::Warning, parent, message, informative);
    };
    prompts.inform = [](QWidget *parent, const QString &message, const QString &informative) {
        showMessage(QMessageBox::Information, parent, message, informative);
    };
    prompts.reportFileName = [](QWidget *parent, const QString &suggestedPath) {
        return QFileDialog::getSaveFileName(parent, AppDelegate::tr("Save Bug Report"),
            suggestedPath, AppDelegate::tr("Text files (*.txt);;All files (*)"));
    };
    prompts.openUrl = [](const QUrl &url) { return QDesktopServices::openUrl(url); };
    prompts.offerRecovery = [](QWidget *parent, const QList<Leftover> &leftovers,
                                const std::function<bool(int, bool)> &decide) {
        QList<RecoveryWindow::Item> items;
        for (const Leftover &leftover : leftovers)
            items << RecoveryWindow::Item { leftover.title, leftover.detail, leftover.thumbnail };
        RecoveryWindow window(items, parent);
        QObject::connect(&window, &RecoveryWindow::recoverRequested, &window, [&](int index) {
            if (decide(index, true))
                window.markDone(index);
        });
        QObject::connect(&window, &RecoveryWindow::discardRequested, &window, [&](int index) {
            if (decide(index, false))
                window.markDone(index);
        });
        // At start-up no window is shown yet to centre on; a window manager would otherwise put
        // the question in a corner.
        if (!parent || !parent->isVisible())
            centreOnScreen(&window, nullptr);
        window.exec();
    };
    return prompts;
}

AppDelegate::AppDelegate(DocumentController &documents, QObject *parent)
    : QObject(parent)
    , m_documents(documents)
    , m_prompts(ShellPrompts::interactive())
    , m_web(new WebService(this))
{
    s_instance = this;
    Defaults &defaults = m_documents.defaults();
    buildCommands();
    buildLaunchWindow();
    applyServerAddress();

    connect(&defaults, &Defaults::changed, this, [this](const QString &key) {
        if (key == keys::ServerAddress)
            applyServerAddress();
        else if (key == keys::DonateMessage)
            m_launch->setDonationMessage(m_documents.defaults().stringForKey(keys::DonateMessage));
    });
    connect(m_web, &WebService::donationMessageReceived, this, [this](const QString &message) {
        m_documents.defaults().setString(keys::DonateMessage, message);
        m_documents.defaults().sync();
    });
    connect(m_web, &WebService::updatePageLoaded, m_launch->updateView(), &UpdateView::showPage);

    // Pictures opened and pictures saved (a new picture's first save too) are the recent ones.
    const auto remember = [this](MyDocument *document) {
        if (document->filePath().isEmpty())
            return;
        recentfiles::add(m_documents.defaults(), document->filePath());
        m_launch->setRecentFiles(recentfiles::read(m_documents.defaults()));
    };
    connect(&m_documents, &DocumentController::documentAdded, this, remember);
    connect(&m_documents, &DocumentController::documentSaved, this, remember);
    connect(
        &m_documents, &DocumentController::documentRemoved, this, &AppDelegate::lastDocumentClosed);
    // Closing the last document shows the launch window, and closing that quits.
    qApp->setQuitOnLastWindowClosed(false);
}

AppDelegate::~AppDelegate()
{
    if (m_autosaves) {
        m_documents.setAutosaveStore(nullptr);
        // Writes still going on end first: the store then takes away what is no longer needed.
        AutosaveWriter::waitForAll();
        QCoreApplication::sendPostedEvents();
        m_autosaves.reset();
    }
    delete m_bug;
    delete m_prefs;
    delete m_launch;
    if (s_instance == this)
        s_instance = nullptr;
    qApp->setQuitOnLastWindowClosed(true);
}

AppDelegate *AppDelegate::instance()
{
    return s_instance;
}

void AppDelegate::buildCommands()
{
    const auto make
        = [this](const QString &text, const QString &name, void (AppDelegate::*slot)()) {
              auto *action = new QAction(text, this);
              action->setObjectName(name);
              connect(action, &QAction::triggered, this, slot);
              m_commands << action;
              return action;
          };
    QAction *preferences
        = make(tr("Pre&ferences…"), QStringLiteral("preferences"), &AppDelegate::showPreferences);
    preferences->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    preferences->setMenuRole(QAction::PreferencesRole);
    // The guide shipped with the program is Help > User Guide; this one is the web server's.
    make(tr("User Guide on the &Web"), QStringLiteral("goToWiki"), &AppDelegate::goToWiki);
    make(tr("&Forums"), QStringLiteral("goToBulletinBoards"), &AppDelegate::goToBulletinBoards);
    make(tr("Report a &Bug…"), QStringLiteral("bugReport"), &AppDelegate::bugReport);
    make(tr("&Donate…"), QStringLiteral("donate"), &AppDelegate::donate);
}

QAction *AppDelegate::command(const QString &name) const
{
    for (QAction *action : m_commands) {
        if (action->objectName() == name)
            return action;
    }
    return nullptr;
}

void AppDelegate::addEditCommands(QMenu *edit)
{
    if (!edit->isEmpty())
        edit->addSeparator();
    edit->addAction(command(QStringLiteral("preferences")));
}

void AppDelegate::addHelpCommands(QMenu *help)
{
    // The web commands say in their tooltip why they are off.
    help->setToolTipsVisible(true);
    if (!help->isEmpty())
        help->addSeparator();
    help->addAction(command(QStringLiteral("goToWiki")));
    help->addAction(command(QStringLiteral("goToBulletinBoards")));
    help->addSeparator();
    help->addAction(command(QStringLiteral("bugReport")));
    help->addAction(command(QStringLiteral("donate")));
}

void AppDelegate::buildLaunchWindow()
{
    m_launch = new LaunchWindow;
    connect(m_launch, &LaunchWindow::newRequested, &m_documents, &DocumentController::newDocument);
    connect(
        m_launch, &LaunchWindow::openRequested, &m_documents, &DocumentController::openDocument);
    connect(m_launch, &LaunchWindow::recentRequested, this,
        [this](const QString &path) { m_documents.openFiles({ path }); });
    connect(m_launch, &LaunchWindow::donateRequested, this, &AppDelegate::donate);
    connect(m_launch, &LaunchWindow::closedByUser, this, [this] {
        if (m_documents.documents().isEmpty())
            m_documents.quit();
    });
    connect(m_launch->updateView(), &UpdateView::linkRequested, this, &AppDelegate::openLink);

    QMenuBar *bar = m_launch->menuBar();
    QMenu *file = bar->addMenu(tr("&File"));
    file->addAction(tr("&New…"), QKeySequence::New, &m_documents, &DocumentController::newDocument);
    file->addAction(
        tr("&Open…"), QKeySequence::Open, &m_documents, &DocumentController::openDocument);
    file->addSeparator();
    file->addAction(tr("&Close"), QKeySequence(Qt::CTRL | Qt::Key_W), m_launch, &QWidget::close);
    file->addAction(
        tr("&Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q), &m_documents, &DocumentController::quit);
    addEditCommands(bar->addMenu(tr("&Edit")));
    // A palette closed while no picture is open can be brought back before making one.
    bar->addMenu(tr("&Window"))->addAction(tr("&Tool Palette"), this, [] {
        ToolPanel::shared()->orderFront(ToolPanel::Sender::MenuItem);
    });
    QMenu *help = bar->addMenu(tr("&Help"));
    help->addAction(tr("&User Guide"), QKeySequence::HelpContents, this,
        [this] { HelpWindow::show(m_launch, m_documents.defaults()); });
    help->addAction(tr("&Keyboard Shortcuts"), this,
        [this] { KeyReferenceWindow::show(m_launch, &m_documents.defaults()); });
    addHelpCommands(help);
    help->addSeparator();
    help->addAction(tr("&About Pennova"), this, [this] { HelpWindow::showAbout(m_launch); });
}

void AppDelegate::applyServerAddress()
{
    const Defaults &defaults = m_documents.defaults();
    const QString text = defaults.hasStoredValue(keys::ServerAddress)
        ? defaults.stringForKey(keys::ServerAddress)
        : ServerAddress::builtIn();
    const ServerAddress server = ServerAddress::fromText(text);
    if (!server.isSet() && !text.trimmed().isEmpty())
        qWarning("%s", qPrintable(server.problem()));
    m_web->setServer(server);

    for (const char *name : { "goToWiki", "goToBulletinBoards", "donate" }) {
        QAction *action = command(QLatin1String(name));
        action->setEnabled(server.isSet());
        action->setToolTip(server.problem());
    }
    m_launch->donateButton()->setEnabled(server.isSet());
    m_launch->donateButton()->setToolTip(server.problem());
    if (m_bug)
        m_bug->setSendProblem(server.problem());
    if (!server.isSet())
        m_launch->updateView()->showWelcome();
}

void AppDelegate::launch(const QStringList &paths)
{
    startAutosaving();
    if (!paths.isEmpty())
        m_documents.openFiles(paths);
    if (m_documents.documents().isEmpty())
        applicationShouldOpenUntitledFile();
}

void AppDelegate::startAutosaving()
{
    if (m_autosaves)
        return;
    m_autosaves = std::make_unique<AutosaveStore>();
    QString error;
    if (!m_autosaves->open(&error)) {
        qWarning("Autosave is off: %s", qPrintable(error));
        m_autosaves.reset();
        return;
    }
    m_documents.setAutosaveStore(m_autosaves.get());
    offerRecovery();
}

void AppDelegate::offerRecovery()
{
    const QList<AutosaveStore::Leftover> found = m_autosaves->claimLeftovers();
    if (found.isEmpty() || !m_prompts.offerRecovery)
        return;
    QList<ShellPrompts::Leftover> offered;
    for (const AutosaveStore::Leftover &leftover : found) {
        ShellPrompts::Leftover item;
        if (leftover.header) {
            item.title = leftover.header->record.title;
            item.detail = tr("Autosaved %1")
                              .arg(QLocale().toString(
                                  leftover.header->record.time.toLocalTime(), QLocale::LongFormat));
            item.thumbnail = leftover.header->thumbnail;
        } else {
            item.detail = leftover.error;
        }
        offered << item;
    }
    const auto decide = [this, found](int index, bool recover) {
        if (index < 0 || index >= found.size())
            return false;
        const AutosaveStore::Leftover &leftover = found[index];
        if (!recover || !leftover.header) {
            AutosaveStore::discard(leftover.file);
            return true;
        }
        QString error;
        const autosavefile::Record &record = leftover.header->record;
        if (m_documents.recoverDocument(leftover.file, record.documentPath, record.title, &error))
            return true;
        if (!error.isEmpty() && m_prompts.alert)
            m_prompts.alert(dialogParent(), tr("The picture could not be recovered."), error);
        return false;
    };
    m_prompts.offerRecovery(dialogParent(), offered, decide);
}

bool AppDelegate::applicationShouldOpenUntitledFile()
{
    const Defaults &defaults = m_documents.defaults();
    m_launch->setRecentFiles(recentfiles::read(defaults));
    m_launch->setDonationMessage(defaults.stringForKey(keys::DonateMessage));
    m_launch->present();
    m_web->fetchDonationMessage();
    m_web->loadUpdatePage();
    return false;
}

void AppDelegate::closeSplash()
{
    m_launch->hide();
}

void AppDelegate::lastDocumentClosed()
{
    if (m_documents.documents().isEmpty() && !m_documents.isQuitting())
        applicationShouldOpenUntitledFile();
}

void AppDelegate::menuNeedsUpdate(QMenu *)
{
    if (MyDocument *document = m_documents.currentDocument())
        document->window()->updateMenu();
}

PreferencesWindow *AppDelegate::preferencesWindow()
{
    if (!m_prefs) {
        m_prefs = new PreferencesWindow(m_documents.defaults());
        connect(m_prefs, &QDialog::finished, this, &AppDelegate::setPrefs);
    }
    return m_prefs;
}

void AppDelegate::showPreferences()
{
    PreferencesWindow *window = preferencesWindow();
    if (!window->isVisible())
        centreOnScreen(window, dialogParent());
    window->show();
    window->raise();
    window->activateWindow();
}

void AppDelegate::setPrefs()
{
    if (m_prefs)
        m_prefs->commitEdits();
    const int levels = m_documents.defaults().integerForKey(keys::UndoLevels);
    for (MyDocument *document : m_documents.documents())
        document->undoHistory()->setLevelsOfUndo(levels);
    if (m_prefs && m_prefs->isVisible())
        m_prefs->hide();
}

void AppDelegate::openLink(const QUrl &url)
{
    if (!url.isValid())
        return;
    if (m_prompts.openUrl && m_prompts.openUrl(url))
        return;
    if (m_prompts.alert)
        m_prompts.alert(dialogParent(), tr("The page could not be opened."),
            tr("No web browser took “%1”.").arg(url.toDisplayString()));
}

void AppDelegate::goToWiki()
{
    openLink(m_web->userGuideUrl());
}

void AppDelegate::goToBulletinBoards()
{
    openLink(m_web->bulletinBoardsUrl());
}

void AppDelegate::donate()
{
    openLink(m_web->donationPageUrl());
}

BugReportWindow *AppDelegate::bugReportWindow()
{
    if (!m_bug) {
        m_bug = new BugReportWindow;
        m_bug->setSendProblem(m_web->server().problem());
        connect(m_bug, &BugReportWindow::submitRequested, this, &AppDelegate::submitReport);
        connect(m_bug, &BugReportWindow::saveRequested, this, &AppDelegate::saveReport);
        connect(m_bug, &BugReportWindow::cancelRequested, this, &AppDelegate::cancelBug);
    }
    return m_bug;
}

void AppDelegate::bugReport()
{
    BugReportWindow *window = bugReportWindow();
    if (window->isVisible()) {
        window->raise();
        window->activateWindow();
        return;
    }
    centreOnScreen(window, dialogParent());
    window->bugView()->setFocus();
    window->exec();
}

void AppDelegate::cancelBug()
{
    if (!m_bug)
        return;
    if (m_bug->isSending()) {
        m_web->reportSender().cancel();
        return;
    }
    m_bug->clearText();
    m_bug->done(QDialog::Rejected);
}

void AppDelegate::finishBugReport()
{
    m_bug->clearText();
    m_bug->done(QDialog::Accepted);
}

void AppDelegate::submitReport()
{
    if (!m_bug || m_bug->isSending() || !m_web->server().isSet())
        return;
    const QString text = m_bug->text();
    if (text.trimmed().isEmpty())
        return;

    m_bug->setSending(true);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    const ReportSender::Result result
        = m_web->sendReport(QCoreApplication::applicationVersion(), text);
    QApplication::restoreOverrideCursor();
    if (!m_bug)
        return;
    m_bug->setSending(false);

    switch (result.outcome) {
    case ReportSender::Outcome::Sent:
        if (m_prompts.inform)
            m_prompts.inform(m_bug, tr("Thanks!"), tr("Thanks for the report!"));
        finishBugReport();
        break;
    case ReportSender::Outcome::Cancelled:
        break;
    case ReportSender::Outcome::Failed:
        if (m_prompts.alert)
            m_prompts.alert(m_bug, tr("The report could not be sent."),
                result.error + QStringLiteral("\n\n")
                    + tr("Your text is kept: you can try again, or save it to a file."));
        break;
    }
}

void AppDelegate::saveReport()
{
    if (!m_bug || m_bug->isSending() || !m_prompts.reportFileName)
        return;
    const QString text = m_bug->text();
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QFileInfo(folder).isDir())
        folder = QDir::homePath();
    const QString path
        = m_prompts.reportFileName(m_bug, QDir(folder).filePath(tr("Pennova bug report.txt")));
    if (path.isEmpty())
        return;

    QByteArray bytes = tr("Pennova bug report\nVersion: %1\n\n")
                           .arg(QCoreApplication::applicationVersion())
                           .toUtf8()
        + text.toUtf8();
    if (!bytes.endsWith('\n'))
        bytes += '\n';
    const QString error = atomicfile::writeFile(path, bytes);
    if (!error.isEmpty()) {
        if (m_prompts.alert)
            m_prompts.alert(m_bug, tr("The report could not be saved."),
                tr("“%1” could not be written: %2.").arg(QDir::toNativeSeparators(path), error));
        return;
    }
    if (m_prompts.inform)
        m_prompts.inform(m_bug, tr("The report was saved."),
            tr("It is in “%1”.").arg(QDir::toNativeSeparators(path)));
    finishBugReport();
}

QWidget *AppDelegate::dialogParent() const
{
    if (QWidget *active = QApplication::activeWindow())
        return active;
    if (MyDocument *document = m_documents.currentDocument())
        return document->window();
    return m_launch;
}

} // namespace pennova

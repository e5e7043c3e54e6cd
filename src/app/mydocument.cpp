#include "app/mydocument.h"

#include "app/documentcontroller.h"
#include "app/documentwindow.h"
#include "canvas/imagefile.h"
#include "canvas/undohistory.h"
#include "canvas/view/drawview.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

namespace pennova {

MyDocument::MyDocument(DocumentController &controller)
    : QObject(new DocumentWindow(controller.defaults()))
    , m_controller(controller)
    , m_window(static_cast<DocumentWindow *>(parent()))
{
    m_window->installEventFilter(this);
    // Drops and pastes ask the controller's question, as Open does.
    DocumentController *questions = &m_controller;
    drawView()->setLargeImageQuestion([questions](QWidget *parent, const QString &question) {
        const auto &ask = questions->prompts().confirmLargeImage;
        return ask && ask(parent, question);
    });
    connect(undoHistory(), &UndoHistory::cleanChanged, m_window,
        [this](bool clean) { m_window->setWindowModified(!clean); });
    connectCommands();
    updateTitle();
}

MyDocument::~MyDocument() = default;

DrawView *MyDocument::drawView() const
{
    return m_window->drawView();
}

UndoHistory *MyDocument::undoHistory() const
{
    return m_window->undoHistory();
}

QString MyDocument::displayName() const
{
    if (m_filePath.isEmpty())
        return m_untitledName.isEmpty() ? tr("Untitled") : m_untitledName;
    return QFileInfo(m_filePath).fileName();
}

bool MyDocument::isModified() const
{
    return !undoHistory()->isClean();
}

bool MyDocument::canSaveInPlace() const
{
    return !m_filePath.isEmpty() && imagefile::formatForPath(m_filePath).has_value();
}

void MyDocument::setFile(const QString &path, const QByteArray &type)
{
    m_filePath = QFileInfo(path).absoluteFilePath();
    m_fileType = type;
    updateTitle();
}

void MyDocument::setUntitledName(const QString &name)
{
    m_untitledName = name;
    updateTitle();
}

void MyDocument::setRecovered(const QString &originalPath, const QString &originalTitle)
{
    m_recoveredPath = originalPath;
    m_recoveredTitle = originalTitle;
    undoHistory()->setUnclean();
    setUntitledName(tr("%1 (Recovered)").arg(originalTitle));
}

QString MyDocument::autosaveTitle() const
{
    return m_filePath.isEmpty() && !m_recoveredTitle.isEmpty() ? m_recoveredTitle : displayName();
}

void MyDocument::updateTitle()
{
    m_window->setWindowTitle(displayName() + QStringLiteral("[*]"));
    m_window->setWindowFilePath(m_filePath);
    m_window->setWindowModified(isModified());
    if (QAction *revert = m_window->action(QStringLiteral("revert")))
        revert->setEnabled(!m_filePath.isEmpty());
}

void MyDocument::connectCommands()
{
    const auto connectCommand = [this](const char *name, auto slot) {
        QAction *a = m_window->action(QString::fromLatin1(name));
        a->setEnabled(true);
        connect(a, &QAction::triggered, this, slot);
    };
    // A document that a command closes or replaces is deleted later, from the event loop, so
    // these may act on their own document.
    DocumentController *controller = &m_controller;
    connectCommand("new", [controller] { controller->newDocument(); });
    connectCommand("open", [controller] { controller->openDocument(); });
    connectCommand("save", [this] { save(); });
    connectCommand("saveAs", [this] { saveAs(); });
    connectCommand("revert", [this, controller] { controller->revert(this); });
    connectCommand("print", [this] { print(); });
    connectCommand("quit", [controller] { controller->quit(); });
}

bool MyDocument::saveToFile(const QString &path, QString *error)
{
    const QString name = QFileInfo(path).fileName();
    const auto format = imagefile::formatForPath(path);
    if (!format) {
        if (error) {
            *error = tr("“%1” could not be saved: Pennova saves PNG (.png) and JPEG (.jpg) "
                        "images; give the file one of those extensions.")
                         .arg(name);
        }
        return false;
    }
    const bool existed = QFileInfo::exists(path);
    bool replaced = false;
    const QString why
        = imagefile::writeImage(drawView()->surface().image(), path, *format, &replaced);
    if (!why.isEmpty()) {
        if (error) {
            *error = existed && !replaced
                ? tr("“%1” could not be saved: %2. The file on disk is unchanged.").arg(name, why)
                : tr("“%1” could not be saved: %2.").arg(name, why);
        }
        return false;
    }
    setFile(path, imagefile::formatName(*format));
    undoHistory()->setClean();
    m_window->setWindowModified(false);
    m_controller.noteSaved(this);
    return true;
}

QString MyDocument::suggestedSavePath() const
{
    // The document's own name and folder, with the extension of a type Pennova writes (PNG when
    // the file's own type cannot be written). Without a folder of its own (untitled, or its
    // folder is gone) the controller proposes one that exists. A recovered picture proposes the
    // file it came from, or its title before it was recovered.
    const QString path = m_filePath.isEmpty() ? m_recoveredPath : m_filePath;
    const auto format = imagefile::formatForPath(path);
    const QString suffix = imagefile::defaultSuffix(format.value_or(imagefile::Format::Png));
    const QFileInfo info(path);
    if (path.isEmpty() || !info.absoluteDir().exists()) {
        const QString untitled = m_recoveredTitle.isEmpty() ? displayName() : m_recoveredTitle;
        const QString base = path.isEmpty() ? untitled : info.completeBaseName();
        return QDir(m_controller.proposedSaveFolder()).filePath(base + QLatin1Char('.') + suffix);
    }
    if (format)
        return info.absoluteFilePath();
    return info.dir().filePath(info.completeBaseName() + QLatin1Char('.') + suffix);
}

bool MyDocument::save()
{
    if (!canSaveInPlace())
        return saveAs();
    QString error;
    if (!saveToFile(m_filePath, &error)) {
        m_controller.report(error, m_window);
        return false;
    }
    return true;
}

bool MyDocument::saveAs()
{
    const auto &ask = m_controller.prompts().saveFileName;
    const QString path = ask ? ask(m_window, suggestedSavePath()) : QString();
    if (path.isEmpty())
        return false;
    QString error;
    if (!saveToFile(path, &error)) {
        m_controller.report(error, m_window);
        return false;
    }
    return true;
}

bool MyDocument::printTo(QPrinter &printer, QString *error)
{
    const QImage &picture = drawView()->surface().image();
    if (picture.isNull()) {
        if (error)
            *error = tr("“%1” could not be printed: the canvas is empty.").arg(displayName());
        return false;
    }
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (error)
            *error = tr("“%1” could not be printed: the printer did not start.").arg(displayName());
        return false;
    }
    // The viewport is the page's printable area in printer pixels.
    const QRect page = painter.viewport();
    const QSize fitted = picture.size().scaled(page.size(), Qt::KeepAspectRatio);
    QRect target(QPoint(), fitted);
    target.moveCenter(page.center());
    // Like the display, canvas pixels enlarged twice or more print as sharp squares.
    const bool smooth = fitted.width() < 2 * picture.width();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    painter.drawImage(target, picture);
    if (!painter.end()) {
        if (error)
            *error = tr("“%1” could not be printed.").arg(displayName());
        return false;
    }
    return true;
}

bool MyDocument::print()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(displayName());
    QPrintDialog dialog(&printer, m_window);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    QString error;
    if (!printTo(printer, &error)) {
        m_controller.report(error, m_window);
        return false;
    }
    return true;
}

bool MyDocument::canClose()
{
    if (!isModified())
        return true;
    const auto &ask = m_controller.prompts().saveChanges;
    if (!ask)
        return false;
    m_asking = true;
    const SaveChangesAnswer answer = ask(m_window, displayName());
    m_asking = false;
    switch (answer) {
    case SaveChangesAnswer::Save:
        return save();
    case SaveChangesAnswer::DontSave:
        return true;
    case SaveChangesAnswer::Cancel:
        break;
    }
    return false;
}

bool MyDocument::close()
{
    if (!canClose())
        return false;
    closeWithoutAsking();
    return true;
}

void MyDocument::closeWithoutAsking()
{
    m_closeConfirmed = true;
    if (!m_window->close())
        m_closeConfirmed = false;
}

bool MyDocument::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_window)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Close:
        // A second close while the question is open (the window manager's close button again)
        // waits for the answer to the first.
        if (m_asking || (!m_closeConfirmed && !canClose())) {
            event->ignore();
            return true;
        }
        m_closeConfirmed = true;
        emit closed(this);
        break;
    case QEvent::WindowActivate:
        emit activated(this);
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace pennova

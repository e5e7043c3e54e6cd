#include "app/documentcontroller.h"

#include "app/autosavestore.h"
#include "app/documentautosave.h"
#include "app/documentwindow.h"
#include "app/mydocument.h"
#include "app/newcanvasdialog.h"
#include "canvas/canvassurface.h"
#include "canvas/imagefile.h"
#include "canvas/view/drawview.h"
#include "canvas/view/readprogress.h"
#include "settings/defaults.h"
#include "settings/defaultskeys.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStandardPaths>

namespace pennova {

namespace {

    QString tr(const char *text)
    {
        return QCoreApplication::translate("pennova::DocumentController", text);
    }

    QString canonicalPath(const QString &path)
    {
        const QFileInfo info(path);
        const QString canonical = info.canonicalFilePath();
        return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
    }

    SaveChangesAnswer askSaveChanges(QWidget *parent, const QString &documentName)
    {
        QMessageBox box(QMessageBox::Warning, QApplication::applicationName(),
            tr("Do you want to save the changes you made to “%1”?").arg(documentName),
            QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
        box.setInformativeText(tr("Your changes will be lost if you don’t save them."));
        box.button(QMessageBox::Discard)->setText(tr("Don’t Save"));
        box.setDefaultButton(QMessageBox::Save);
        box.setEscapeButton(QMessageBox::Cancel);
        switch (box.exec()) {
        case QMessageBox::Save:
            return SaveChangesAnswer::Save;
        case QMessageBox::Discard:
            return SaveChangesAnswer::DontSave;
        default:
            return SaveChangesAnswer::Cancel;
        }
    }

    bool askRevert(QWidget *parent, const QString &documentName)
    {
        QMessageBox box(QMessageBox::Warning, QApplication::applicationName(),
            tr("Do you want to revert “%1” to the saved version?").arg(documentName),
            QMessageBox::Cancel, parent);
        box.setInformativeText(tr("Your current changes will be lost."));
        QPushButton *revert = box.addButton(tr("Revert"), QMessageBox::DestructiveRole);
        box.setDefaultButton(QMessageBox::Cancel);
        box.exec();
        return box.clickedButton() == revert;
    }

    QString askSaveFileName(QWidget *parent, const QString &suggestedPath)
    {
        using imagefile::Format;
        const Format proposed = imagefile::formatForPath(suggestedPath).value_or(Format::Png);
        QFileDialog dialog(parent, tr("Save As"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setNameFilters(
            { imagefile::nameFilter(Format::Png), imagefile::nameFilter(Format::Jpeg) });
        dialog.selectNameFilter(imagefile::nameFilter(proposed));
        dialog.setDefaultSuffix(imagefile::defaultSuffix(proposed));
        dialog.setDirectory(QFileInfo(suggestedPath).absolutePath());
        dialog.selectFile(suggestedPath);
        // A name typed without an extension takes the one of the chosen type.
        QObject::connect(
            &dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString &filter) {
                if (const auto format = imagefile::formatForNameFilter(filter))
                    dialog.setDefaultSuffix(imagefile::defaultSuffix(*format));
            });
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        QString path = dialog.selectedFiles().constFirst();
        if (!imagefile::formatForPath(path)) {
            const auto format = imagefile::formatForNameFilter(dialog.selectedNameFilter());
            path += QLatin1Char('.') + imagefile::defaultSuffix(format.value_or(proposed));
        }
        return path;
    }

} // namespace

DocumentPrompts DocumentPrompts::interactive()
{
    DocumentPrompts prompts;
    prompts.alert = [](QWidget *parent, const QString &message) {
        QMessageBox::warning(parent, QApplication::applicationName(), message);
    };
    prompts.saveChanges = askSaveChanges;
    prompts.confirmRevert = askRevert;
    prompts.saveFileName = askSaveFileName;
    prompts.openFileNames = [](QWidget *parent) {
        return QFileDialog::getOpenFileNames(
            parent, tr("Open"), QString(), imagefile::openNameFilters().join(QStringLiteral(";;")));
    };
    prompts.confirmLargeImage = ReadProgress::askInBox;
    prompts.canvasSize = [](QWidget *parent, Defaults &defaults, const auto &make) {
        NewCanvasDialog::ask(defaults, make, parent);
    };
    return prompts;
}

DocumentController::DocumentController(Defaults &defaults, QObject *parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_prompts(DocumentPrompts::interactive())
{
    registerDocumentDefaults(m_defaults);
}

DocumentController::~DocumentController()
{
    const QList<MyDocument *> open = m_documents;
    m_documents.clear();
    for (MyDocument *document : open)
        delete document->window();
}

DocumentController &DocumentController::shared()
{
    static QPointer<DocumentController> controller;
    if (!controller) {
        controller = new DocumentController(Defaults::shared(), QCoreApplication::instance());
        // Windows still open when the event loop ends go while the application can still take
        // them down.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, controller, [] {
            const QList<MyDocument *> open = controller->m_documents;
            controller->m_documents.clear();
            for (MyDocument *document : open)
                delete document->window();
        });
    }
    return *controller;
}

MyDocument *DocumentController::currentDocument() const
{
    if (m_current && m_documents.contains(m_current))
        return m_current;
    return m_documents.isEmpty() ? nullptr : m_documents.constLast();
}

MyDocument *DocumentController::documentForPath(const QString &path) const
{
    const QString wanted = canonicalPath(path);
    for (MyDocument *document : m_documents) {
        if (!document->filePath().isEmpty() && canonicalPath(document->filePath()) == wanted)
            return document;
    }
    return nullptr;
}

MyDocument *DocumentController::createDocument(const QString &autosaveFile)
{
    auto *document = new MyDocument(*this);
    if (m_autosaves && m_autosaves->isOpen())
        new DocumentAutosave(*document, *m_autosaves, autosaveFile);
    connect(document, &MyDocument::closed, this, &DocumentController::documentClosed);
    connect(document, &MyDocument::activated, this, &DocumentController::documentActivated);
    // A window deleted without closing (by its owner, or at exit) leaves the list quietly.
    connect(document, &QObject::destroyed, this, [this](QObject *gone) {
        // Compared as QObject pointers: by now the object is no longer a MyDocument.
        m_documents.removeIf([gone](MyDocument *d) { return d == gone; });
    });
    return document;
}

void DocumentController::addDocument(MyDocument *document, int index)
{
    if (index < 0 || index > m_documents.size())
        m_documents.append(document);
    else
        m_documents.insert(index, document);
    DocumentWindow *window = document->window();
    window->show();
    window->raise();
    window->activateWindow();
    m_current = document;
    emit documentAdded(document);
    emit currentDocumentChanged(document);
}

void DocumentController::documentClosed(MyDocument *document)
{
    if (!m_documents.removeAll(document))
        return;
    if (m_current == document)
        m_current = nullptr;
    emit documentRemoved(document);
    emit currentDocumentChanged(currentDocument());
}

void DocumentController::documentActivated(MyDocument *document)
{
    if (m_current == document || !m_documents.contains(document))
        return;
    m_current = document;
    emit currentDocumentChanged(document);
}

QString DocumentController::nextUntitledName()
{
    ++m_untitledCount;
    return m_untitledCount == 1 ? tr("Untitled") : tr("Untitled %1").arg(m_untitledCount);
}

MyDocument *DocumentController::createUntitledDocument(const QSize &size, QString *error)
{
    MyDocument *document = createDocument();
    if (!document->window()->newCanvas(size.width(), size.height())) {
        delete document->window();
        if (error) {
            QString why = tr("there is not enough memory for it.");
            if (size.width() < 1 || size.height() < 1)
                why = tr("each side must be at least 1 pixel.");
            else if (size.width() > CanvasSurface::kMaxSide
                || size.height() > CanvasSurface::kMaxSide)
                why = tr("each side can be at most %1 pixels.").arg(CanvasSurface::kMaxSide);
            *error = tr("A canvas of %1 × %2 pixels could not be made: %3")
                         .arg(size.width())
                         .arg(size.height())
                         .arg(why);
        }
        return nullptr;
    }
    document->setUntitledName(nextUntitledName());
    return document;
}

MyDocument *DocumentController::makeUntitledDocument(const QSize &size, QString *error)
{
    MyDocument *document = createUntitledDocument(size, error);
    if (document)
        addDocument(document);
    return document;
}

MyDocument *DocumentController::readDocument(const QString &path, QString *error, QString *notice)
{
    const QString name = QFileInfo(path).fileName().isEmpty() ? path : QFileInfo(path).fileName();
    imagefile::ReadResult read = ReadProgress::run(
        dialogParent(), m_prompts.confirmLargeImage,
        [path](const auto &options) { return imagefile::readImage(path, options); },
        tr("Opening “%1”…").arg(name));
    if (!read.ok()) {
        if (error)
            *error = read.cancelled ? QString()
                                    : tr("“%1” could not be opened: %2.").arg(name, read.error);
        return nullptr;
    }
    if (read.damaged && notice)
        *notice = tr("“%1” opened, but %2.").arg(name, imagefile::damageNotice());
    MyDocument *document = createDocument();
    // Handed over: the decoded pixels become the canvas, without a copy.
    const bool adopted = document->window()->adoptCanvas(std::move(read.image));
    if (!adopted) {
        delete document->window();
        if (error)
            *error = tr("“%1” could not be opened: there is not enough memory for it.").arg(name);
        return nullptr;
    }
    document->setFile(path, read.format);
    return document;
}

MyDocument *DocumentController::openDocumentWithContentsOfFile(
    const QString &path, QString *error, QString *notice)
{
    if (MyDocument *open = documentForPath(path)) {
        open->window()->raise();
        open->window()->activateWindow();
        return open;
    }
    MyDocument *document = readDocument(path, error, notice);
    if (document)
        addDocument(document);
    return document;
}

MyDocument *DocumentController::recoverDocument(
    const QString &autosaveFile, const QString &originalPath, const QString &title, QString *error)
{
    const imagefile::ReadResult read = ReadProgress::run(
        dialogParent(), m_prompts.confirmLargeImage,
        [autosaveFile](const auto &options) { return imagefile::readImage(autosaveFile, options); },
        tr("Recovering “%1”…").arg(title));
    if (!read.ok() || read.damaged) {
        if (error && !read.cancelled) {
            *error = tr("“%1” could not be recovered: %2.")
                         .arg(title, read.ok() ? imagefile::damageNotice() : read.error);
        }
        return nullptr;
    }
    const QString adopted = m_autosaves ? m_autosaves->adopt(autosaveFile) : QString();
    if (m_autosaves && adopted.isEmpty()) {
        if (error)
            *error = tr("“%1” could not be recovered: its autosave could not be moved.").arg(title);
        return nullptr;
    }
    MyDocument *document = createDocument(adopted);
    if (!document->window()->adoptCanvas(std::move(read.image))) {
        delete document->window();
        if (error)
            *error
                = tr("“%1” could not be recovered: there is not enough memory for it.").arg(title);
        return nullptr;
    }
    document->setRecovered(originalPath, title);
    addDocument(document);
    return document;
}

MyDocument *DocumentController::revertDocument(MyDocument *document, QString *error)
{
    if (!document || !m_documents.contains(document))
        return nullptr;
    if (document->filePath().isEmpty()) {
        if (error)
            *error = tr("“%1” has never been saved.").arg(document->displayName());
        return nullptr;
    }
    QString notice;
    MyDocument *fresh = readDocument(document->filePath(), error, &notice);
    if (!fresh)
        return nullptr;
    // The fresh window takes the old one's place on screen and in the list.
    DocumentWindow *oldWindow = document->window();
    if (oldWindow->isVisible())
        fresh->window()->move(oldWindow->pos());
    addDocument(fresh, int(m_documents.indexOf(document)));
    document->closeWithoutAsking();
    if (!notice.isEmpty())
        report(notice, fresh->window());
    return fresh;
}

QWidget *DocumentController::dialogParent() const
{
    if (QWidget *active = QApplication::activeWindow())
        return active;
    MyDocument *current = currentDocument();
    return current ? current->window() : nullptr;
}

void DocumentController::report(const QString &message, QWidget *parent)
{
    qWarning("%s", qPrintable(message));
    if (m_prompts.alert)
        m_prompts.alert(parent ? parent : dialogParent(), message);
}

QString DocumentController::proposedSaveFolder() const
{
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    for (const QString &folder : { m_lastSaveFolder, pictures, QDir::homePath() }) {
        const QFileInfo info(folder);
        if (!folder.isEmpty() && info.isAbsolute() && info.isDir())
            return info.absoluteFilePath();
    }
    return QDir::rootPath();
}

void DocumentController::noteSaved(MyDocument *document)
{
    m_lastSaveFolder = QFileInfo(document->filePath()).absolutePath();
    emit documentSaved(document);
}

MyDocument *DocumentController::newDocument()
{
    if (!m_prompts.canvasSize)
        return nullptr;
    // The canvas is made while the size window is open, so that a size this computer cannot
    // make is refused there, and the window can be corrected.
    MyDocument *made = nullptr;
    QSize madeSize;
    m_prompts.canvasSize(dialogParent(), m_defaults, [&](const QSize &size) {
        if (made)
            return QString();
        QString error;
        made = createUntitledDocument(size, &error);
        madeSize = size;
        return error;
    });
    if (!made)
        return nullptr;
    m_defaults.setInteger(keys::ImageWidth, madeSize.width());
    m_defaults.setInteger(keys::ImageHeight, madeSize.height());
    m_defaults.sync();
    addDocument(made);
    return made;
}

QList<MyDocument *> DocumentController::openDocument()
{
    if (!m_prompts.openFileNames)
        return {};
    return openFiles(m_prompts.openFileNames(dialogParent()));
}

QList<MyDocument *> DocumentController::openFiles(const QStringList &paths)
{
    QList<MyDocument *> opened;
    QStringList errors;
    for (const QString &path : paths) {
        QString error, notice;
        if (MyDocument *document = openDocumentWithContentsOfFile(path, &error, &notice))
            opened << document;
        if (!error.isEmpty())
            errors << error;
        if (!notice.isEmpty())
            errors << notice;
    }
    if (!errors.isEmpty())
        report(errors.join(QLatin1Char('\n')));
    return opened;
}

MyDocument *DocumentController::revert(MyDocument *document)
{
    if (!document || document->filePath().isEmpty())
        return nullptr;
    if (document->isModified()
        && !(m_prompts.confirmRevert
            && m_prompts.confirmRevert(document->window(), document->displayName())))
        return nullptr;
    QString error;
    MyDocument *fresh = revertDocument(document, &error);
    if (!fresh && !error.isEmpty())
        report(error, document->window());
    return fresh;
}

bool DocumentController::closeAll()
{
    const QList<MyDocument *> open = m_documents;
    for (MyDocument *document : open) {
        if (m_documents.contains(document) && !document->close())
            return false;
    }
    return true;
}

void DocumentController::quit()
{
    m_quitting = true;
    if (closeAll())
        QCoreApplication::quit();
    else
        m_quitting = false;
}

} // namespace pennova

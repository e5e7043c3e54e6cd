// DrawView: copy, cut and paste through the desktop clipboard, and drops. A paste does not change
// the canvas at once: the image floats in the selection rectangle, where it can be moved and
// resized, until Return or Enter (or the next paste) commits it as one undo step, or Escape,
// Undo, Delete or Deselect All drops it.

#include "canvas/clipboardimage.h"
#include "canvas/view/drawview.h"

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>

namespace pennova {

void DrawView::setLargeImageQuestion(ReadProgress::Question question)
{
    m_largeImageQuestion = std::move(question);
}

imagefile::ReadResult DrawView::readWaiting(const ReadProgress::Read &read, const QString &label)
{
    return ReadProgress::run(this, m_largeImageQuestion, read, label);
}

void DrawView::copy()
{
    if (!m_selection.selectionExists)
        return;
    const QRect r = toQRect(integralRect(m_selection.selrect)).intersected(m_surface.bounds());
    if (r.isEmpty())
        return;
    QGuiApplication::clipboard()->setMimeData(clipboard::mimeDataForImage(m_surface.copyRegion(r)));
}

void DrawView::cut()
{
    copy();
    deleteSelection();
}

void DrawView::paste()
{
    const std::shared_ptr<QMimeData> contents
        = clipboard::imageCopy(QGuiApplication::clipboard()->mimeData());
    const imagefile::ReadResult read = readWaiting(
        [contents](
            const auto &options) { return clipboard::imageFromMime(contents.get(), options); },
        tr("Reading the pasted image…"));
    if (read.cancelled)
        return;
    if (!read.ok()) {
        flashstatus(read.error.isEmpty() ? QStringLiteral("Nothing to paste")
                                         : tr("Cannot paste: %1").arg(read.error));
        return;
    }
    pasteImageAt(read.image, std::nullopt);
    if (read.damaged)
        flashstatus(tr("Pasted, but %1").arg(imagefile::damageNotice()));
}

void DrawView::pasteImageAt(const QImage &image, std::optional<Point> viewPoint)
{
    if (m_isPaste)
        doPaste();
    m_pasteImage = image.convertToFormat(CanvasSurface::kFormat);
    // Sized in pixels, whatever resolution the image claims.
    const float pw = float(m_pasteImage.width()), ph = float(m_pasteImage.height());
    const Size frame = m_transform.frameSize();
    const Point centre = viewPoint ? *viewPoint : Point { frame.width / 2, frame.height / 2 };
    // Half the size is taken off in window pixels, so the image is centred there at 100 %
    // without rotation.
    const Point p = integralPoint(viewToCanvas(Point { centre.x - pw / 2, centre.y - ph / 2 }));
    flashstatus(QStringLiteral("Press enter to commit"));
    m_selection.placePaste(MakeRect(p.x, p.y, pw, ph));
    redisplayCanvasRect(insetRect(m_selection.selrect, -2, -2));
    redisplayCanvasRect(insetRect(m_selection.oldselrect, -2, -2));
    m_isPaste = true;
    updateCursor();
    emit selectionStateChanged();
}

void DrawView::doPaste()
{
    if (!m_isPaste)
        return;
    const Rect target = integralRect(m_selection.selrect);
    const QRect r = toQRect(target).intersected(m_surface.bounds());
    if (r.isEmpty()) {
        QApplication::beep();
        return;
    }
    const QImage before = m_surface.copyRegion(r);
    // Draw the image into the selection rectangle, within the canvas part r only. The region's
    // rows run top down: canvas y maps to r.bottom() + 1 - y.
    QImage region = before.copy();
    {
        QPainter painter(&region);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        const QRectF into(m_selection.selrect.origin.x - r.x(),
            (r.y() + r.height()) - (m_selection.selrect.origin.y + m_selection.selrect.size.height),
            m_selection.selrect.size.width, m_selection.selrect.size.height);
        painter.drawImage(into, m_pasteImage);
    }
    m_surface.writeRegion(r, region);
    m_undo.recordChange(r, before, QStringLiteral("Paste"));
    endPaste();
}

void DrawView::cancelPaste()
{
    // Nothing of it is in the canvas yet: dropping it loses nothing and records no step.
    if (m_isPaste)
        endPaste();
}

// After a commit or a cancel alike: no image, no selection, selection mode off unless Ctrl is
// held.
void DrawView::endPaste()
{
    m_isPaste = false;
    m_pasteImage = QImage();
    m_selectToggled = false;
    m_isSelect = m_selectHeld;
    m_selection.clearRect();
    m_selection.selrect = Rect {};
    updateCursor();
    update();
    emit selectionStateChanged();
}

void DrawView::dragEnterEvent(QDragEnterEvent *event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void DrawView::dropEvent(QDropEvent *event)
{
    // The first file, read as Open reads it, or the image data itself; a refusal says why.
    const QMimeData *mime = event->mimeData();
    imagefile::ReadResult read;
    QString refusal;
    if (mime->hasUrls()) {
        const QUrl url = mime->urls().value(0);
        const QString name = url.fileName().isEmpty() ? url.toDisplayString() : url.fileName();
        if (!url.isLocalFile()) {
            refusal = tr("Cannot drop “%1”: only files on this computer can be dropped").arg(name);
        } else {
            const QString path = url.toLocalFile();
            read = readWaiting(
                [path](const auto &options) { return imagefile::readImage(path, options); },
                tr("Opening “%1”…").arg(name));
            if (!read.ok() && !read.cancelled)
                refusal = tr("Cannot drop “%1”: %2").arg(name, read.error);
        }
    } else {
        const std::shared_ptr<QMimeData> contents = clipboard::imageCopy(mime);
        read = readWaiting(
            [contents](
                const auto &options) { return clipboard::imageFromMime(contents.get(), options); },
            tr("Reading the dropped image…"));
        if (!read.ok() && !read.cancelled) {
            refusal = read.error.isEmpty() ? tr("Only images and image files can be dropped")
                                           : tr("Cannot drop the image: %1").arg(read.error);
        }
    }
    if (!refusal.isEmpty() || !read.ok()) {
        if (!refusal.isEmpty())
            flashstatus(refusal);
        event->ignore();
        return;
    }
    pasteImageAt(read.image, viewPointFromWidget(event->position()));
    if (read.damaged)
        flashstatus(tr("Dropped, but %1").arg(imagefile::damageNotice()));
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

} // namespace pennova

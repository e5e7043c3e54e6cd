// DrawView: the picture copied straight into the window's backing store, for the repaints where
// that gives the very pixels the painter would: canvas pixels shown one to one (100 %, unturned,
// a whole-pixel offset), nothing showing through them, a 32-bit backing store at one device pixel
// per widget pixel. A stroke repaints a small rectangle at every sample; the copy spares it the
// painter's set-up, the black fill under the picture and the general image path.

#include "canvas/view/drawview.h"

#include "canvas/filters/pixelops.h"

#include <QPaintEvent>
#include <QPainter>

#include <cmath>

namespace pennova {

namespace {
    bool s_directPaint = true;
    quint64 s_directPaintCount = 0;

    // The picture is drawn over opaque black: a premultiplied pixel p over black is p with its
    // alpha made full, which is what the painter leaves in a 32-bit backing store.
    constexpr QRgb kOpaque = 0xFF000000u;

    void copyOverBlack(QRgb *target, const QRgb *source, int count)
    {
#if defined(__SSE2__)
        if (count >= 4) {
            // Four at a time; the last four overlap the ones before rather than loop over the
            // rest (the operation gives the same word twice over).
            const __m128i opaque = _mm_set1_epi32(int(kOpaque));
            const auto four = [&](int i) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(source + i));
                _mm_storeu_si128(reinterpret_cast<__m128i *>(target + i), _mm_or_si128(v, opaque));
            };
            for (int i = 0; i < count - 4; i += 4)
                four(i);
            four(count - 4);
            return;
        }
#endif
        for (int i = 0; i < count; ++i)
            target[i] = source[i] | kOpaque;
    }

    void fillBlack(QRgb *target, int count)
    {
        filters::fillPixels(target, count, kOpaque);
    }
} // namespace

void DrawView::setDirectPaint(bool on)
{
    s_directPaint = on;
}

quint64 DrawView::directPaintCount()
{
    return s_directPaintCount;
}

bool DrawView::paintDirect(const QPaintEvent &event)
{
    if (!s_directPaint || !m_surface.isValid() || m_mayShowThrough)
        return false;
    // Storage (x, row) to widget pixels, as the painter draws the picture: one to one and
    // moved by whole pixels, or not here at all.
    const QTransform pictureToWidget = storageToWidget();
    if (pictureToWidget.type() > QTransform::TxTranslate)
        return false;
    const double dx = pictureToWidget.dx(), dy = pictureToWidget.dy();
    constexpr double kFar = 1 << 24;
    if (dx != std::floor(dx) || dy != std::floor(dy) || std::fabs(dx) > kFar
        || std::fabs(dy) > kFar)
        return false;
    // Widget pixel (x, y) is backing-store pixel (x, y) - offset.
    QPoint offset;
    QPaintDevice *device = redirected(&offset);
    if (!device || sharedPainter() || device->devType() != QInternal::Image)
        return false;
    auto &target = *static_cast<QImage *>(device);
    if (target.devicePixelRatio() != 1.0
        || (target.format() != QImage::Format_RGB32
            && target.format() != QImage::Format_ARGB32_Premultiplied))
        return false;

    const QImage &picture = m_surface.image();
    const QRect pictureInWidget(int(dx), int(dy), picture.width(), picture.height());
    const QRect targetInWidget = target.rect().translated(offset);
    // Rows by their addresses: scanLine() costs a call (and a detach check) for each.
    const qsizetype targetStep = target.bytesPerLine() / 4;
    const qsizetype pictureStep = picture.bytesPerLine() / 4;
    QRgb *const targetBits = reinterpret_cast<QRgb *>(target.bits());
    const auto *const pictureBits = reinterpret_cast<const QRgb *>(picture.constBits());
    for (const QRect &exposed : event.region()) {
        const QRect r = exposed & rect() & targetInWidget;
        if (r.isEmpty())
            continue;
        const QRect inside = r & pictureInWidget;
        const int before = inside.isEmpty() ? r.width() : inside.left() - r.left();
        const int after = inside.isEmpty() ? 0 : r.right() - inside.right();
        for (int y = r.top(); y <= r.bottom(); ++y) {
            QRgb *out
                = targetBits + qsizetype(y - offset.y()) * targetStep + (r.left() - offset.x());
            if (y < inside.top() || y > inside.bottom()) {
                fillBlack(out, r.width());
                continue;
            }
            const QRgb *source = pictureBits + qsizetype(y - pictureInWidget.y()) * pictureStep
                + (inside.left() - pictureInWidget.x());
            fillBlack(out, before);
            copyOverBlack(out + before, source, inside.width());
            fillBlack(out + before + inside.width(), after);
        }
    }
    ++s_directPaintCount;
    // The selection and a floating paste over it, as the general path draws them.
    if (m_isSelect || m_selection.selectionExists) {
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.setTransform(
            m_transform.canvasToViewTransform() * QTransform(1, 0, 0, -1, 0, height()));
        drawSelection(painter);
    }
    return true;
}

} // namespace pennova

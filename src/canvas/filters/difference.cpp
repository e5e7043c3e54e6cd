#include "canvas/filters/difference.h"

#include "canvas/filters/imagewords.h"
#include "canvas/filters/pixelops.h"

namespace pennova::filters {

QImage diffFilter(const QImage &inputOld, const QImage &inputNew)
{
    const QImage oldWords = detail::rawWords(inputOld, QImage::Format_ARGB32_Premultiplied);
    const QImage newWords = detail::rawWords(inputNew, QImage::Format_ARGB32_Premultiplied);
    return detail::combineWords(oldWords, newWords, QImage::Format_ARGB32, diffPixel);
}

QImage undoFilter(const QImage &inputCur, const QImage &inputDiff)
{
    const QImage current = detail::rawWords(inputCur, QImage::Format_ARGB32_Premultiplied);
    const QImage diff = detail::rawWords(inputDiff, QImage::Format_ARGB32);
    return detail::combineWords(current, diff, current.format(), undoPixel);
}

} // namespace pennova::filters

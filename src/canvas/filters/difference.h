#pragma once

// Difference images of the undo history. A difference holds, byte by byte modulo 256, the change
// from old pixels to new ones; applying it to the new pixels gives the old ones back exactly, in
// all four channels, whatever the pixels (transparent, opaque or anything between).
//
// Its words are byte differences, not colours, so a difference is a Format_ARGB32 image: every
// word is a valid pixel of that format, and nothing in Qt premultiplies or clamps it as long as it
// is not converted or painted. Canvas pixels are read as their raw words when they are ARGB32
// (premultiplied or not); other formats are converted to premultiplied ARGB first.

#include <QImage>

namespace pennova::filters {

// The difference from inputOld to inputNew. A null image when the sizes differ or an input is
// null.
QImage diffFilter(const QImage &inputOld, const QImage &inputNew);

// The pixels that inputDiff was made from: undoFilter(N, diffFilter(O, N)) == O for any two
// same-size images. The result has inputCur's format (premultiplied for a canvas region). A null
// image when the sizes differ or an input is null.
QImage undoFilter(const QImage &inputCur, const QImage &inputDiff);

} // namespace pennova::filters

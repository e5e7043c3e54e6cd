#pragma once

// How canvas pixels travel through the desktop clipboard and drags: written as TIFF plus the
// standard image types other programs paste, read back TIFF first, then any image Qt reads.

#include <QImage>

class QMimeData;

namespace pennova::clipboard {

// New clipboard contents holding the image (the caller hands them to the clipboard).
QMimeData *mimeDataForImage(const QImage &image);
// The image the contents hold, or a null image when there is none.
QImage imageFromMime(const QMimeData *mime);

} // namespace pennova::clipboard

#pragma once

// How canvas pixels travel through the desktop clipboard and drags: written as TIFF plus the
// standard image types other programs paste, read back TIFF first, then any image type Qt reads,
// each through the image reader that opens files, with its size limit and orientation.

#include "canvas/imagefile.h"

#include <memory>

class QMimeData;

namespace pennova::clipboard {

// New clipboard contents holding the image (the caller hands them to the clipboard).
QMimeData *mimeDataForImage(const QImage &image);
// The image the contents hold, in the canvas format, read with `options`. No image and no error:
// the contents hold no image at all (or the read was cancelled). No image with an error: the
// image there was refused (too large, damaged), and why.
imagefile::ReadResult imageFromMime(
    const QMimeData *mime, const imagefile::ReadOptions &options = {});
// A copy of the image parts of the contents (the image types' bytes, decoded pixels), to be read
// by imageFromMime() on another thread: the clipboard's own contents may be fetched only on the
// main thread, and a drop's only while it lasts.
std::unique_ptr<QMimeData> imageCopy(const QMimeData *mime);

} // namespace pennova::clipboard

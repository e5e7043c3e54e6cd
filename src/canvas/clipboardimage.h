#pragma once

// How canvas pixels travel through the desktop clipboard and drags: written as TIFF plus the
// standard image types other programs paste, read back TIFF first, then any image type Qt reads,
// each through the image reader that opens files, with its size limit and orientation.

#include "canvas/imagefile.h"

class QMimeData;

namespace pennova::clipboard {

// New clipboard contents holding the image (the caller hands them to the clipboard).
QMimeData *mimeDataForImage(const QImage &image);
// The image the contents hold, in the canvas format. No image and no error: the contents hold no
// image at all. No image with an error: the image there was refused (too large, damaged), and
// why.
imagefile::ReadResult imageFromMime(const QMimeData *mime);

} // namespace pennova::clipboard

#pragma once

// Checks of an image file's structure, made before decoding it and costing a few reads: whether
// the data the header promises is there. Qt's readers decode a truncated BMP, GIF or TIFF
// without a word, and a file of a few kilobytes can claim a picture of gigabytes; these checks
// tell both apart from a whole file. Formats without a check pass.

#include <QByteArray>
#include <QSize>
#include <optional>

class QIODevice;

namespace pennova::imagecheck {

// The size of the picture a decoder will make, from the header, for the types whose readers do
// not say it before decoding (or say less than they will allocate): a GIF's screen, a BMP, TGA,
// WBMP or XBM picture. None for other types or an unreadable header. Leaves the device's
// position at 0.
std::optional<QSize> headerSize(const QByteArray &format, QIODevice &device);

// Whether data the picture needs is missing from `device` (seekable, holding the whole file): a
// BMP, TGA, PNM, WBMP or TIFF shorter than its rows or strips, an XBM or XPM shorter than its text
// must be, a GIF whose first picture ends before its data
// does, a PNG or Huffman-coded JPEG smaller than the least any encoder could make of `size`.
// `format` is the reader's name for the type ("png", "jpeg" ...); `size` the picture's size as
// its header gives it. Leaves the device's position at 0.
bool isTruncated(const QByteArray &format, QIODevice &device, const QSize &size);

} // namespace pennova::imagecheck

#pragma once

// Reading and writing document image files, without any window. Reading is the one way a
// picture enters the program (Open, drops and pastes): any image Qt's readers know, at its size
// in pixels, turned upright as its orientation tag says, into the canvas format (premultiplied
// ARGB, top row first), refused before decoding when it is larger than a canvas can be. Writing
// knows two types, PNG (lossless, with transparency) and JPEG (quality 100, progressive,
// composited over white), and goes through atomicfile, so a failed write leaves the previous
// file as it was. Failures come back as text for the user, never as a throw.

#include <QImage>
#include <QString>
#include <QStringList>
#include <optional>

namespace pennova::imagefile {

// The types Pennova writes.
enum class Format
{
    Png,
    Jpeg
};

struct ReadResult
{
    QImage image; // Format_ARGB32_Premultiplied; null on failure
    // The reader's name for the data's type ("png", "jpeg", "gif" ...); empty when no reader
    // knows it.
    QByteArray format;
    QString error; // why the file could not be read; empty on success

    bool ok() const { return !image.isNull(); }
};

// Reads the image file at `path`. Pixel dimensions are kept whatever the file says about its
// resolution. A file that is missing, empty, damaged, not an image, or too large for this
// computer gives a null image and a reason. Only a regular file is read (links followed): a
// pipe or a device is refused without waiting on it.
ReadResult readImage(const QString &path);
// Reads an image held in memory (clipboard contents, dropped image data) as readImage() reads a
// file.
ReadResult readImageData(const QByteArray &bytes);
// A picture that arrived already decoded, held to the same size limit and brought to the canvas
// format.
ReadResult fromDecodedImage(const QImage &image);

// Writes `canvas` (any format; the canvas's own is premultiplied ARGB) as `format` to `path`,
// atomically (see atomicfile::writeFile). Returns an empty string on success, else the reason it
// failed; the file at `path` is then unchanged unless `replaced` says otherwise.
QString writeImage(
    const QImage &canvas, const QString &path, Format format, bool *replaced = nullptr);

// The type a file name asks for by its extension (.png; .jpg, .jpeg, .jpe), or none.
std::optional<Format> formatForPath(const QString &path);
// The reader's name of a written type ("png", "jpeg"), and its usual file extension.
QByteArray formatName(Format format);
QString defaultSuffix(Format format);

// The JPEG picture of a canvas: JPEG keeps no transparency, so the canvas is composited over
// white paper.
QImage flattenedOnWhite(const QImage &canvas);

// File dialog filters: every readable type in one entry first, then "All files"; and the two
// writable types, PNG first.
QStringList openNameFilters();
QString nameFilter(Format format);
// The writable type a save dialog filter stands for (as returned by nameFilter).
std::optional<Format> formatForNameFilter(const QString &filter);

// Qt refuses images over a fixed size (256 MB by default) to protect against damaged files. This
// raises that limit to what this computer can hold: a quarter of its physical memory, capped. Run
// once by the readers; returns the limit in megabytes.
int raiseAllocationLimit();

} // namespace pennova::imagefile

#pragma once

// Reading and writing document image files, without any window. Reading is the one way a
// picture enters the program (Open, drops and pastes): any image Qt's readers know, at its size
// in pixels, turned upright as its orientation tag says, into the canvas format (premultiplied
// ARGB, top row first). Before decoding, a picture larger than a canvas can be or than the memory
// Pennova allows itself is refused, one that claims far more than its file holds is refused as
// damaged, and a very large one is opened only when the caller's question says so. The picture
// is decoded into one image that becomes the canvas as it is; a file that decodes only in part
// opens marked damaged. Writing
// knows two types, PNG (lossless, with transparency) and JPEG (quality 100, progressive,
// composited over white), and goes through atomicfile, so a failed write leaves the previous
// file as it was. Failures come back as text for the user, never as a throw.

#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace pennova::imagefile {

// The types Pennova writes.
enum class Format
{
    Png,
    Jpeg
};

// A picture needing more memory than this is opened only when the caller's question agrees.
constexpr qint64 kAskAboveBytes = qint64(1) << 30;

// What a read may ask, and tell, along the way. Either may be left empty.
struct ReadOptions
{
    // Asked, on the reading thread, before decoding a picture that fits but needs more than
    // kAskAboveBytes; `question` is the sentence for the user (largeImageQuestion()). False, or
    // no function: the picture is not opened.
    std::function<bool(const QString &question)> confirmLarge;
    // Called on the reading thread as the data is read, with the share read so far (0..1);
    // false stops the decoder at once and the result is cancelled.
    std::function<bool(double done)> progress;
};

struct ReadResult
{
    QImage image; // Format_ARGB32_Premultiplied; null on failure
    // The reader's name for the data's type ("png", "jpeg", "gif" ...); empty when no reader
    // knows it.
    QByteArray format;
    QString error; // why the file could not be read; empty on success and when cancelled
    // The picture opened, but the file is damaged: part of it may be missing (say damageNotice()).
    bool damaged = false;
    // The user chose not to open a very large picture, or stopped its decoding.
    bool cancelled = false;

    bool ok() const { return !image.isNull(); }
};

// Reads the image file at `path`. Pixel dimensions are kept whatever the file says about its
// resolution. A file that is missing, unreadable, empty, damaged beyond use, not an image, or
// too large for this computer gives a null image and a reason naming the cause. Only a regular
// file is read (links followed): a pipe or a device is refused without waiting on it.
ReadResult readImage(const QString &path, const ReadOptions &options = {});
// Reads an image held in memory (clipboard contents, dropped image data) as readImage() reads a
// file.
ReadResult readImageData(const QByteArray &bytes, const ReadOptions &options = {});

// "This picture is 30000 × 30000 pixels and needs 3.4 GB of memory. Open it?"
QString largeImageQuestion(const QSize &size);
// The clause that goes with a damaged picture: the file is damaged, part may be missing.
QString damageNotice();
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

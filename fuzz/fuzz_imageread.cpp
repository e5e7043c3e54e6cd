// The image reader behind Open, drops and pastes, with its limits: any bytes give a picture in
// the canvas format (perhaps marked damaged) or a reason, never a very large allocation without
// the question (which answers no here), and the autosave record reader, which reads the
// chunks of a PNG before its pixels.

#include "app/autosavefile.h"
#include "canvas/imagefile.h"
#include "fuzzsupport.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    pennova::fuzz::ensureApplication();
    const QByteArray bytes = pennova::fuzz::bytesOf(data, size);
    pennova::imagefile::ReadOptions options;
    options.confirmLarge = [](const QString &) { return false; };
    const pennova::imagefile::ReadResult read = pennova::imagefile::readImageData(bytes, options);
    if (read.ok() && read.image.format() != QImage::Format_ARGB32_Premultiplied)
        std::abort();
    if (!read.ok() && !read.cancelled && read.error.isEmpty())
        std::abort();
    QString error;
    if (!pennova::autosavefile::parseHeader(bytes, &error) && error.isEmpty())
        std::abort();
    return 0;
}

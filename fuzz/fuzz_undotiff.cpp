// Undo difference images: the stored TIFF bytes of a step, decoded for the size the step says.
// The first two bytes choose that size (up to 256 x 256); the TIFF starts at the fifth.

#include "canvas/filters/tiffcodec.h"
#include "fuzzsupport.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4)
        return 0;
    const QSize expected(1 + data[0], 1 + data[1]);
    QString error;
    const QImage image = pennova::filters::decodeDifferenceTiff(
        pennova::fuzz::bytesOf(data + 4, size - 4), expected, &error);
    if (!image.isNull() && (image.size() != expected || image.format() != QImage::Format_ARGB32))
        std::abort();
    if (image.isNull() && error.isEmpty())
        std::abort();
    return 0;
}

// The colour archive, as the settings store and tool-box files hand it over: any bytes decode to a
// colour in range or to none, and a decoded colour encodes back to the same bytes.

#include "fuzzsupport.h"
#include "settings/colorarchive.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = pennova::fuzz::bytesOf(data, size);
    const std::optional<pennova::RgbaColor> color = pennova::ColorArchive::decode(bytes);
    if (color) {
        for (const float c : { color->red, color->green, color->blue, color->alpha }) {
            if (!(c >= 0.0f && c <= 1.0f))
                std::abort();
        }
        const std::optional<pennova::RgbaColor> again
            = pennova::ColorArchive::decode(pennova::ColorArchive::encode(*color));
        if (!again || *again != *color)
            std::abort();
    }
    return 0;
}

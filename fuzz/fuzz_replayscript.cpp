// The replay script parser: any text parses into commands or gives a "LINE: message" error.

#include "fuzzsupport.h"
#include "replay/replayscript.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(pennova::fuzz::bytesOf(data, size));
    for (const bool open : { false, true }) {
        QString error;
        const std::optional<pennova::ReplayScript> script
            = pennova::ReplayScript::parse(text, &error, open);
        if (!script && error.isEmpty())
            std::abort();
    }
    return 0;
}

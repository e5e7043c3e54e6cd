// The tool-box file: any bytes decode into records or are found damaged with a reason, and
// records that decode encode into a file that decodes to the same records.

#include "fuzzsupport.h"
#include "palette/toolboxfile.h"

#include <cstdlib>

using namespace pennova;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const toolboxfile::Decoded decoded = toolboxfile::decode(fuzz::bytesOf(data, size));
    if (!decoded.ok) {
        if (decoded.error.isEmpty() || !decoded.records.isEmpty())
            std::abort();
        return 0;
    }
    const toolboxfile::Decoded again = toolboxfile::decode(toolboxfile::encode(decoded.records));
    if (!again.ok || again.records.size() != decoded.records.size())
        std::abort();
    for (qsizetype i = 0; i < again.records.size(); ++i) {
        const ToolRecord &a = decoded.records[i], &b = again.records[i];
        if (a.name() != b.name() || a.type() != b.type() || a.keys() != b.keys())
            std::abort();
        for (const QString &key : a.keys()) {
            if (a.value(key) != b.value(key))
                std::abort();
        }
    }
    return 0;
}

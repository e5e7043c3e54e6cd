#pragma once

// What the fuzz targets share: a Qt application object made once (image readers and QSettings
// need one), headless, with settings and data in a folder of the run's own.

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace pennova::fuzz {

// Makes the application object on the first call.
void ensureApplication();
// A folder of this run's own for files a target writes.
QString scratchFolder();
inline QByteArray bytesOf(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

} // namespace pennova::fuzz

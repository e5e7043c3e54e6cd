#pragma once

// The peak of this process's resident memory, shared by the tests and the child process that
// measures an open.

#include <QByteArray>
#include <QFile>

namespace pennova::test {

// Peak memory of this process so far (VmHWM), in bytes; 0 when the system does not say.
inline long long peakResidentBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return 0;
}

} // namespace pennova::test

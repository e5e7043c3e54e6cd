#include "strokefile.h"

#include <QFile>
#include <QTextStream>

namespace pennova::bench {

std::vector<StrokeFileSample> readStrokeFile(const QString &path)
{
    std::vector<StrokeFileSample> samples;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return samples;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList f = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (f.size() < 4)
            continue;
        samples.push_back({ f[0].toFloat(), f[1].toFloat(), f[2].toFloat(), f[3].toFloat() });
    }
    return samples;
}

} // namespace pennova::bench

#include "settings/recentfiles.h"

#include "settings/defaults.h"
#include "settings/defaultskeys.h"

#include <QFileInfo>

namespace pennova::recentfiles {

namespace {

    QStringList stored(const Defaults &defaults)
    {
        return defaults.stringForKey(keys::RecentFiles)
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

} // namespace

QStringList read(const Defaults &defaults)
{
    QStringList paths;
    for (const QString &path : stored(defaults)) {
        if (paths.size() < kMaxCount && QFileInfo(path).isAbsolute() && QFileInfo::exists(path)
            && !paths.contains(path))
            paths << path;
    }
    return paths;
}

void add(Defaults &defaults, const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (path.isEmpty() || absolute.contains(QLatin1Char('\n')))
        return;
    QStringList paths = stored(defaults);
    paths.removeAll(absolute);
    paths.prepend(absolute);
    while (paths.size() > kMaxCount)
        paths.removeLast();
    defaults.setString(keys::RecentFiles, paths.join(QLatin1Char('\n')));
}

} // namespace pennova::recentfiles

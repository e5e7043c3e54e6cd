#pragma once

// The pictures opened recently, newest first, kept in the settings store under "RecentFiles" as
// absolute paths, one a line. Reading drops the files that are no longer there.

#include <QStringList>

namespace pennova {

class Defaults;

namespace recentfiles {

    constexpr int kMaxCount = 10;

    QStringList read(const Defaults &defaults);
    // Puts `path` first (once), keeping at most kMaxCount.
    void add(Defaults &defaults, const QString &path);

} // namespace recentfiles

} // namespace pennova

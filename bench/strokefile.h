#pragma once

// Reads the plain-text stroke files made by the shared stroke generator: one sample a line,
// "x y pressure dt_seconds", origin top-left and y down; '#' lines and blank lines are skipped.

#include <QString>
#include <vector>

namespace pennova::bench {

struct StrokeFileSample
{
    float x, y, pressure, dt;
};

// Returns an empty list when the file cannot be read.
std::vector<StrokeFileSample> readStrokeFile(const QString &path);

} // namespace pennova::bench

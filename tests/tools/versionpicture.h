#pragma once

// The picture of version N of a file the kill tests write: opaque noise seeded by N, so that a
// file read back can be told to be exactly one whole version.

#include <QImage>
#include <random>

namespace pennova::test {

inline QImage versionPicture(int side, int version)
{
    QImage picture(side, side, QImage::Format_ARGB32_Premultiplied);
    std::mt19937 random { uint32_t(version) };
    for (int y = 0; y < side; ++y) {
        auto *row = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < side; ++x)
            row[x] = 0xFF000000u | (random() & 0xFFFFFFu);
    }
    return picture;
}

} // namespace pennova::test

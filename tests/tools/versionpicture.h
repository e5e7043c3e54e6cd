#pragma once

// Version N of a file the kill tests write: a picture of opaque noise seeded by N, or a list of
// tools named after N, so that a file read back can be told to be exactly one whole version.

#include "palette/toolrecord.h"

#include <QImage>
#include <QList>
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

// `count` tools, each named "<version> <index>" and padded, so that the file takes a while to
// write; every other one an eraser with its two settings.
inline QList<ToolRecord> versionTools(int count, int version)
{
    QList<ToolRecord> tools;
    for (int i = 0; i < count; ++i) {
        const bool eraser = i % 2 == 1;
        ToolRecord tool(
            QStringLiteral("%1 %2 ").arg(version).arg(i) + QString(200, QLatin1Char('x')),
            eraser ? ToolRecord::kEraserType : ToolRecord::kPenType);
        tool.insert(eraser ? QStringLiteral("esize") : QStringLiteral("bsize"), (version + i) % 48);
        tools << tool;
    }
    return tools;
}

} // namespace pennova::test

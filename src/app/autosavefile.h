#pragma once

// One autosave on disk: a PNG of the canvas, lossless (straight RGBA, 8 bits a sample), that
// carries before its pixels two private chunks any other reader skips: what the picture belongs
// to (the document's file, its title, the time, the canvas size, as UTF-8 JSON) and a small
// thumbnail for the recovery window. So the record and the picture are written, and replaced,
// together as one file, atomically; and the record and thumbnail are read without decoding the
// picture.

#include "canvas/canvassnapshot.h"

#include <QDateTime>
#include <QImage>
#include <QSize>
#include <QString>
#include <optional>

namespace pennova::autosavefile {

struct Record
{
    QString documentPath; // the document's file; empty for one never saved
    QString title; // the document's name as its window showed it
    QDateTime time; // when the picture was taken
    QSize canvasSize;
};

// The longest side of a thumbnail, in pixels.
constexpr int kThumbnailSide = 160;

// Writes the picture with its record and a thumbnail to `path`, whole or not at all (see
// atomicfile). Runs on any thread; reads the snapshot row by row, so it needs no copy of the
// canvas. Returns an empty string on success, else the reason it failed.
QString write(const QString &path, const CanvasSnapshot &picture, const Record &record);

struct Header
{
    Record record;
    QImage thumbnail; // null when the file has none that reads
};

// The record and thumbnail of an autosave file, read from its chunks before the pixels; none
// when the file is not an autosave (or is damaged before its pixels). `error` says why.
std::optional<Header> readHeader(const QString &path, QString *error = nullptr);
// The same for the bytes of a file.
std::optional<Header> parseHeader(const QByteArray &bytes, QString *error = nullptr);

} // namespace pennova::autosavefile

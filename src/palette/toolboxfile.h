#pragma once

// The bytes of a tool-box file ("toolbox.pntb", and the built-in "default.pntb"): CBOR, a root
// array of maps, one per tool record in palette order. A map holds "ToolName" (text), "ToolType"
// (integer), "keys" (array of text: the enabled settings in display order) and one entry per key:
// an integer for the sizes, the strength and ink, a byte string holding a ColorArchive for "clr".
//
// Reading is strict about the frame and lenient inside a record: data that is not CBOR, is cut
// short or runs on, a root that is not an array, an entry that is not a map, a file over
// kMaxFileBytes or a list of more than kMaxRecords records makes the whole file damaged (nothing
// is loaded); within a record, a missing or wrong-typed name or type reads as empty or 0, keys
// that are not text, unknown keys and values of the wrong kind are left out, and integers are
// held within 32 bits. Which type codes make a tool is left to the caller.

#include "palette/toolrecord.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace pennova::toolboxfile {

constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;
constexpr int kMaxRecords = 5000;

QByteArray encode(const QList<ToolRecord> &records);

struct Decoded
{
    // False when the file is damaged: `records` is then empty and `error` says why, as a clause
    // ("it does not hold a list of tools").
    bool ok = false;
    QString error;
    QList<ToolRecord> records;
    // Setting values left out of records because they were of the wrong kind.
    int valuesSkipped = 0;
};

Decoded decode(const QByteArray &bytes);

// Reads and decodes a file. One larger than kMaxFileBytes is refused before it is read; one that
// cannot be opened or read counts as damaged as well, with the system's reason.
Decoded readFile(const QString &path);

} // namespace pennova::toolboxfile

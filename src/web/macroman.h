#pragma once

// Mac OS Roman, the single-byte text encoding the donation message is served in. Bytes below 0x80
// are ASCII; the upper half maps through a table of 128 characters (0xDB is the euro sign, 0xF0
// the private-use character U+F8FF). Each byte stands alone, so text received in pieces decodes
// piece by piece.

#include <QByteArrayView>
#include <QString>

namespace pennova::macroman {

QString decode(QByteArrayView bytes);

} // namespace pennova::macroman

#pragma once

// Text in the old-style (OpenStep) property-list form, ASCII only: the body of a bug report.
// A string of letters, digits and _$:./- stands bare; any other is written between double quotes,
// with a backslash before " and \, the escapes \n, \r and \t, three octal digits for the other
// control characters (\033), and \U with four hex digits for each UTF-16 unit beyond ASCII (é is
// \U00e9). A dictionary is an opening brace, one line per entry in key order
// ("    Key = value;"), and a closing brace.

#include <QByteArray>
#include <QMap>
#include <QString>

namespace pennova::propertylist {

QByteArray string(const QString &text);
QByteArray dictionary(const QMap<QString, QString> &entries);

} // namespace pennova::propertylist

#include "web/propertylist.h"

namespace pennova::propertylist {

namespace {

    bool standsBare(const QString &text)
    {
        if (text.isEmpty())
            return false;
        for (const QChar ch : text) {
            const char16_t u = ch.unicode();
            const bool plain = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z')
                || (u >= u'0' && u <= u'9') || u == u'_' || u == u'$' || u == u':' || u == u'.'
                || u == u'/' || u == u'-';
            if (!plain)
                return false;
        }
        return true;
    }

} // namespace

QByteArray string(const QString &text)
{
    if (standsBare(text))
        return text.toLatin1();
    QByteArray out;
    out.reserve(text.size() + 2);
    out += '"';
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        switch (u) {
        case u'"':
            out += "\\\"";
            break;
        case u'\\':
            out += "\\\\";
            break;
        case u'\n':
            out += "\\n";
            break;
        case u'\r':
            out += "\\r";
            break;
        case u'\t':
            out += "\\t";
            break;
        default:
            if (u < 0x20 || u == 0x7F) {
                out += '\\';
                out += QByteArray::number(u, 8).rightJustified(3, '0');
            } else if (u < 0x80) {
                out += char(u);
            } else {
                out += "\\U";
                out += QByteArray::number(u, 16).rightJustified(4, '0');
            }
        }
    }
    out += '"';
    return out;
}

QByteArray dictionary(const QMap<QString, QString> &entries)
{
    QByteArray out("{\n");
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        out += "    ";
        out += string(it.key());
        out += " = ";
        out += string(it.value());
        out += ";\n";
    }
    out += "}\n";
    return out;
}

} // namespace pennova::propertylist

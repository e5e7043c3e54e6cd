// The texts the web actions read and write: Mac OS Roman donation text, the property-list body
// of a bug report, and the server address.

#include "web/macroman.h"
#include "web/propertylist.h"
#include "web/serveraddress.h"
#include "web/webservice.h"

#include <gtest/gtest.h>

using namespace pennova;

TEST(MacRoman, UpperHalfMapsThroughTheTableAndAsciiStaysAsItIs)
{
    EXPECT_EQ(macroman::decode("\x8E"), QStringLiteral("é"));
    EXPECT_EQ(macroman::decode("Caf\x8E \xD2"
                               "d\x8E"
                               "j\x88\xD3 \xDB"
                               "10\xC9"),
        QStringLiteral("Café “déjà” €10…"));
    EXPECT_EQ(macroman::decode("\x80\xA5\xCA\xF0\xFF"), QStringLiteral("Ä•\u00A0\uF8FFˇ"));
    const QByteArray ascii("plain ASCII\ttext\n~", 18);
    EXPECT_EQ(macroman::decode(ascii), QString::fromLatin1(ascii));
    // Every upper byte is a character of its own, none of them ASCII or repeated.
    QByteArray upper;
    for (int b = 0x80; b <= 0xFF; ++b)
        upper += char(b);
    const QString decoded = macroman::decode(upper);
    ASSERT_EQ(decoded.size(), 128);
    EXPECT_EQ(QSet<QChar>(decoded.begin(), decoded.end()).size(), 128);
    for (const QChar ch : decoded)
        EXPECT_GE(ch.unicode(), 0xA0);
}

TEST(PropertyList, EscapesQuotesBackslashesLineBreaksControlsAndNonAscii)
{
    const QString report = QStringLiteral("He said \"hi\"\\ then\nleft\r\tx\x01y\x7F é 🎨");
    const QByteArray expected = "\"He said \\\"hi\\\"\\\\ then\\nleft\\r\\tx\\001y\\177 \\U00e9 "
                                "\\Ud83c\\Udfa8\"";
    EXPECT_EQ(propertylist::string(report), expected);
    // Plain words stand bare; an empty string and anything with a space are quoted.
    EXPECT_EQ(propertylist::string(QStringLiteral("0.1.0")), "0.1.0");
    EXPECT_EQ(propertylist::string(QString()), "\"\"");
    EXPECT_EQ(propertylist::string(QStringLiteral("a b")), "\"a b\"");
    EXPECT_EQ(propertylist::string(QStringLiteral("a=b;")), "\"a=b;\"");
}

TEST(PropertyList, BugReportBodyIsAnAsciiDictionaryInKeyOrder)
{
    const QByteArray body
        = WebService::bugReportBody(QStringLiteral("0.1.0"), QStringLiteral("It \"broke\"\n"));
    EXPECT_EQ(body, "{\n    Report = \"It \\\"broke\\\"\\n\";\n    Version = 0.1.0;\n}\n");
    for (const char c : WebService::bugReportBody(QStringLiteral("1"), QStringLiteral("ünï 中")))
        EXPECT_LT(static_cast<unsigned char>(c), 0x80);
}

TEST(ServerAddress, OnlyPlainWebAddressesCount)
{
    EXPECT_FALSE(ServerAddress::fromText(QString()).isSet());
    EXPECT_FALSE(ServerAddress::fromText(QStringLiteral("  ")).problem().isEmpty());
    for (const char *bad : { "ftp://example.org", "file:///tmp", "example.org", "http://",
             "https://example.org/?q=1", "https://user:pw@example.org" }) {
        const ServerAddress address = ServerAddress::fromText(QString::fromLatin1(bad));
        EXPECT_FALSE(address.isSet()) << bad;
        EXPECT_TRUE(address.problem().contains(QString::fromLatin1(bad))) << bad;
        EXPECT_FALSE(address.url(QStringLiteral("/bb/")).isValid()) << bad;
    }
    const ServerAddress mirror = ServerAddress::fromText(QStringLiteral("https://example.org/m/"));
    ASSERT_TRUE(mirror.isSet());
    EXPECT_TRUE(mirror.problem().isEmpty());
    EXPECT_EQ(mirror.url(QStringLiteral("/update.cgi"), QStringLiteral("version=60")),
        QUrl(QStringLiteral("https://example.org/m/update.cgi?version=60")));
    EXPECT_EQ(
        ServerAddress::fromText(QStringLiteral("http://example.org")).url(QStringLiteral("/bb/")),
        QUrl(QStringLiteral("http://example.org/bb/")));
}

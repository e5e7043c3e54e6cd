#include "canvas/filters/difference.h"
#include "canvas/filters/tiffcodec.h"
#include "testsupport.h"

#include <QtEndian>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>
#include <unistd.h>

using namespace pennova;
using namespace pennova::filters;

namespace {

// Collects what is written to file descriptor 2 while it lives.
class StderrCapture
{
public:
    StderrCapture()
        : m_saved(dup(2))
        , m_file(std::tmpfile())
    {
        std::fflush(stderr);
        dup2(fileno(m_file), 2);
    }
    ~StderrCapture() { std::fclose(m_file); }
    std::string text()
    {
        std::fflush(stderr);
        dup2(m_saved, 2);
        close(m_saved);
        std::string out;
        std::rewind(m_file);
        for (int c; (c = std::fgetc(m_file)) != EOF;)
            out += char(c);
        return out;
    }

private:
    int m_saved;
    std::FILE *m_file;
};

const QSize kSize(24, 16);

QByteArray validTiff()
{
    return encodeDifferenceTiff(diffFilter(
        test::randomPremultipliedImage(24, 16, 1), test::randomPremultipliedImage(24, 16, 2)));
}

// validTiff with one entry of its (little-endian) first directory rewritten as one LONG value.
QByteArray withTag(uint16_t tag, uint32_t value)
{
    QByteArray tiff = validTiff();
    auto *bytes = reinterpret_cast<uchar *>(tiff.data());
    const uint32_t ifd = qFromLittleEndian<uint32_t>(bytes + 4);
    for (uint16_t i = 0; i < qFromLittleEndian<uint16_t>(bytes + ifd); ++i) {
        uchar *entry = bytes + ifd + 2 + 12 * i;
        if (qFromLittleEndian<uint16_t>(entry) == tag) {
            qToLittleEndian<uint16_t>(4, entry + 2);
            qToLittleEndian<uint32_t>(1, entry + 4);
            qToLittleEndian<uint32_t>(value, entry + 8);
        }
    }
    return tiff;
}

QByteArray randomBytes(QByteArray prefix, uint32_t seed)
{
    std::mt19937 rng(seed);
    while (prefix.size() < 1000)
        prefix.append(char(rng()));
    return prefix;
}

} // namespace

TEST(TiffCodec, RoundTripsDifferenceWordsAcrossStrips)
{
    // 1024 wide makes 64-row strips, so 150 rows span three of them.
    for (QSize size : { QSize(1, 1), QSize(5, 3), QSize(1024, 150) }) {
        SCOPED_TRACE(::testing::Message() << "seed 9, " << size.width() << "x" << size.height());
        const QImage diff
            = diffFilter(test::randomPremultipliedImage(size.width(), size.height(), 9),
                test::randomPremultipliedImage(size.width(), size.height(), 10));
        QString error;
        const QImage back = decodeDifferenceTiff(encodeDifferenceTiff(diff), size, &error);
        EXPECT_EQ(back.format(), QImage::Format_ARGB32) << error.toStdString();
        EXPECT_TRUE(back == diff);
    }
}

TEST(TiffCodec, RejectsBadBuffersWithAMessageAndNoNoise)
{
    const struct
    {
        const char *name;
        QByteArray bytes;
        QSize expected = kSize;
    } cases[] = {
        { "empty", QByteArray() },
        { "header only", QByteArray("II*\0", 4) },
        { "random bytes", randomBytes({}, 1) },
        { "random after a header", randomBytes(QByteArray("II*\0\x08\0\0\0", 8), 2) },
        { "big-endian garbage", randomBytes(QByteArray("MM\0*\x7f\xff\xff\xff", 8), 3) },
        { "truncated to half", validTiff().left(validTiff().size() / 2) },
        { "last byte cut", validTiff().chopped(1) },
        { "another size", validTiff(), QSize(16, 24) },
        { "zero expected size", validTiff(), QSize(0, 16) },
        { "huge width", withTag(256, 0x7FFFFFFF) },
        { "huge height", withTag(257, 0xFFFFFFFF) },
        { "three samples", withTag(277, 3) },
        { "16-bit samples", withTag(258, 16) },
        { "grey photometric", withTag(262, 1) },
        { "unknown compression", withTag(259, 40000) },
        { "strip beyond the end", withTag(273, 0x7FFFFFF0) },
        { "huge strip byte count", withTag(279, 0xFFFFFFF0) },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        StderrCapture noise;
        QString error;
        const QImage image = decodeDifferenceTiff(c.bytes, c.expected, &error);
        EXPECT_EQ(noise.text(), "");
        EXPECT_TRUE(image.isNull());
        EXPECT_TRUE(error.startsWith(QStringLiteral("Could not read the undo difference image: ")))
            << error.toStdString();
    }
}

TEST(TiffCodec, DamagedBytesNeverCrashOrPrint)
{
    // LZW data carries no checksum, so a damaged strip may decode to other words; what matters
    // is an image of the right size or a refusal with a message, and silence.
    const QByteArray good = validTiff();
    std::mt19937 rng(77);
    StderrCapture noise;
    for (int i = 0; i < good.size(); ++i) {
        QByteArray bad = good;
        bad[i] = char(bad[i] ^ char(1 + rng() % 255));
        QString error;
        const QImage image = decodeDifferenceTiff(bad, kSize, &error);
        ASSERT_TRUE(image.isNull() ? !error.isEmpty() : image.size() == kSize)
            << "seed 77, byte " << i;
    }
    EXPECT_EQ(noise.text(), "");
}

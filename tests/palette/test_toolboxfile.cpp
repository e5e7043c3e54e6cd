#include "palette/toolboxfile.h"
#include "settings/colorarchive.h"
#include "settings/defaultskeys.h"

#include <QCborArray>
#include <QCborMap>
#include <QCborStreamWriter>
#include <QCborValue>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>

using namespace pennova;

namespace {

QList<ToolRecord> sampleRecords()
{
    ToolRecord pen(QStringLiteral("Fine"), ToolRecord::kPenType);
    pen.insert(keys::BrushSizeMin, 2);
    pen.insert(keys::BrushSize, 6);
    pen.insert(keys::Color, ColorArchive::encode(RgbaColor { 0.25f, 0.5f, 1.0f, 1.0f }));
    ToolRecord eraser(QStringLiteral("Räder ✎"), ToolRecord::kEraserType);
    eraser.insert(keys::EraserStrength, 100);
    return { pen, eraser, ToolRecord(QStringLiteral("Bare"), ToolRecord::kPenType) };
}

QByteArray cbor(const QCborValue &value)
{
    return value.toCbor();
}

QCborMap record(const QString &name, int type, const QStringList &keyList)
{
    QCborMap map;
    map.insert(ToolRecord::kNameKey, name);
    map.insert(ToolRecord::kTypeKey, type);
    map.insert(ToolRecord::kKeysKey, QCborArray::fromStringList(keyList));
    return map;
}

struct DamagedCase
{
    const char *what;
    QByteArray bytes;
    const char *reason; // part of the error
};

void PrintTo(const DamagedCase &c, std::ostream *out)
{
    *out << c.what;
}

class DamagedToolBoxTest : public ::testing::TestWithParam<DamagedCase>
{
};

QByteArray manyEmptyMaps(int count, bool lengthKnown)
{
    QByteArray bytes;
    QCborStreamWriter writer(&bytes);
    if (lengthKnown)
        writer.startArray(quint64(count));
    else
        writer.startArray();
    for (int i = 0; i < count; ++i) {
        writer.startMap(0);
        writer.endMap();
    }
    writer.endArray();
    return bytes;
}

} // namespace

TEST(ToolBoxFileTest, RecordsComeBackAsTheyWereWritten)
{
    const QList<ToolRecord> records = sampleRecords();
    const toolboxfile::Decoded decoded = toolboxfile::decode(toolboxfile::encode(records));
    ASSERT_TRUE(decoded.ok) << qPrintable(decoded.error);
    EXPECT_EQ(decoded.records, records);
    EXPECT_EQ(decoded.valuesSkipped, 0);

    // The stored form: an array of maps, numbers as integers, the colour as bytes.
    const QCborMap first
        = QCborValue::fromCbor(toolboxfile::encode(records)).toArray().at(0).toMap();
    EXPECT_TRUE(first.value(keys::BrushSize).isInteger());
    EXPECT_TRUE(first.value(keys::Color).isByteArray());
    EXPECT_EQ(first.value(ToolRecord::kKeysKey).toArray().toVariantList(),
        QVariantList({ keys::BrushSizeMin, keys::BrushSize, keys::Color }));

    const toolboxfile::Decoded empty = toolboxfile::decode(toolboxfile::encode({}));
    EXPECT_TRUE(empty.ok);
    EXPECT_TRUE(empty.records.isEmpty());
}

TEST_P(DamagedToolBoxTest, IsRefusedWhole)
{
    const DamagedCase c = GetParam();
    const toolboxfile::Decoded decoded = toolboxfile::decode(c.bytes);
    EXPECT_FALSE(decoded.ok) << c.what;
    EXPECT_TRUE(decoded.records.isEmpty());
    EXPECT_TRUE(decoded.error.contains(QLatin1String(c.reason))) << qPrintable(decoded.error);
}

INSTANTIATE_TEST_SUITE_P(Files, DamagedToolBoxTest,
    ::testing::Values(DamagedCase { "empty", QByteArray(), "damaged or cut short" },
        DamagedCase { "text", QByteArray("[{\"ToolName\": \"Fine\"}]"), "list of tools" },
        DamagedCase {
            "cut short", toolboxfile::encode(sampleRecords()).left(40), "damaged or cut short" },
        DamagedCase {
            "root map", cbor(record(QStringLiteral("A"), 1, {})), "does not hold a list of tools" },
        DamagedCase { "entry not a map", cbor(QCborArray { record(QStringLiteral("A"), 1, {}), 7 }),
            "entry 2 of its list" },
        DamagedCase { "data after the list", toolboxfile::encode(sampleRecords()) + "\x01",
            "data after its list" },
        // A length that claims more records than allowed, with none behind it.
        DamagedCase { "claims too many", QByteArray::fromHex("9a00100000"), "more than 5000" },
        DamagedCase { "too many of unknown count", manyEmptyMaps(5001, false), "more than 5000" },
        DamagedCase {
            "too large", QByteArray(toolboxfile::kMaxFileBytes + 1, '\x80'), "larger than 4 MB" }));

TEST(ToolBoxFileTest, WithinARecordWhatIsWrongIsLeftOutAndTheRestLoads)
{
    QCborMap odd = record(QStringLiteral("Odd"), 1,
        { keys::BrushSize, keys::Color, keys::Ink, QStringLiteral("future"), keys::EraserSize,
            keys::BrushSizeMin });
    odd.insert(keys::BrushSize, QStringLiteral("12")); // text where a number belongs
    odd.insert(keys::Color, 5); // a number where colour bytes belong
    odd.insert(keys::Ink, true);
    odd.insert(QStringLiteral("future"), 1);
    odd.insert(keys::EraserSize, qint64(1) << 40);
    odd.insert(keys::BrushSizeMin, 3.9);
    QCborArray keyList = odd.value(ToolRecord::kKeysKey).toArray();
    keyList.append(42); // a key that is not text
    odd.insert(ToolRecord::kKeysKey, keyList);
    QCborMap nameless;
    nameless.insert(ToolRecord::kTypeKey, 2);
    nameless.insert(ToolRecord::kNameKey, 9);
    QCborMap badColour = record(QStringLiteral("Grey"), 1, { keys::Color });
    badColour.insert(keys::Color, QByteArray("not a colour"));
    const QCborArray root { odd, nameless, record(QStringLiteral("Later"), 3, {}), badColour };

    const toolboxfile::Decoded decoded = toolboxfile::decode(cbor(root));
    ASSERT_TRUE(decoded.ok) << qPrintable(decoded.error);
    ASSERT_EQ(decoded.records.size(), 4);
    const ToolRecord &first = decoded.records.at(0);
    EXPECT_EQ(first.keys(), QStringList({ keys::Ink, keys::EraserSize, keys::BrushSizeMin }));
    EXPECT_EQ(first.value(keys::Ink), QVariant(1));
    EXPECT_EQ(first.value(keys::EraserSize), QVariant(int(INT32_MAX)));
    EXPECT_EQ(first.value(keys::BrushSizeMin), QVariant(3));
    EXPECT_EQ(decoded.records.at(1).name(), QString());
    EXPECT_TRUE(decoded.records.at(1).keys().isEmpty());
    // Which types make a tool is for the reader of the records to decide.
    EXPECT_EQ(decoded.records.at(2).type(), 3);
    EXPECT_TRUE(decoded.records.at(3).keys().isEmpty());
    EXPECT_EQ(decoded.valuesSkipped, 3);
}

TEST(ToolBoxFileTest, ReadingRefusesALargeFileBeforeReadingIt)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("toolbox.pntb")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    // A sparse file: its size is there without its bytes.
    ASSERT_TRUE(file.resize(toolboxfile::kMaxFileBytes * 64));
    file.close();
    const toolboxfile::Decoded large = toolboxfile::readFile(file.fileName());
    EXPECT_FALSE(large.ok);
    EXPECT_TRUE(large.error.contains(QLatin1String("larger than"))) << qPrintable(large.error);

    const toolboxfile::Decoded absent = toolboxfile::readFile(dir.filePath(QStringLiteral("no")));
    EXPECT_FALSE(absent.ok);
    EXPECT_TRUE(absent.error.contains(QLatin1String("cannot be opened")));
}

#include "settings/colorarchive.h"
#include "settings/defaults.h"
#include "settings/defaultskeys.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace pennova;

namespace {

class DefaultsTest : public ::testing::Test
{
protected:
    QString path() const { return m_dir.filePath(QStringLiteral("Pennova.conf")); }

    void writeFile(const QByteArray &contents)
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

    static void registerAll(Defaults &defaults)
    {
        registerApplicationDefaults(defaults);
        registerDocumentDefaults(defaults);
    }

    static void expectFactoryValues(const Defaults &d)
    {
        EXPECT_EQ(d.floatForKey(keys::BrushSize), 10.0f);
        EXPECT_EQ(d.floatForKey(keys::BrushSizeMin), 1.0f);
        EXPECT_EQ(d.floatForKey(keys::EraserSize), 15.0f);
        EXPECT_EQ(d.floatForKey(keys::EraserStrength), 50.0f);
        EXPECT_FALSE(d.boolForKey(keys::Ink));
        EXPECT_EQ(colorFromDefaults(d), (RgbaColor { 0, 0, 0, 1 }));
        EXPECT_EQ(d.integerForKey(keys::UndoLevels), 0);
        EXPECT_EQ(d.stringForKey(keys::DonateMessage),
            QStringLiteral("Donate $10 before September 19, 2007 to get version 1.0 for free when "
                           "it comes out (an estimated $35 value)"));
        EXPECT_EQ(d.integerForKey(keys::ImageWidth), 640);
        EXPECT_EQ(d.integerForKey(keys::ImageHeight), 480);
        EXPECT_EQ(d.stringForKey(keys::ToolPanelFrame), QString());
        EXPECT_FALSE(d.objectForKey(keys::ToolPanelFrame).isValid());
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(DefaultsTest, FirstLaunchReadsFactoryValuesWithoutStoringThem)
{
    {
        Defaults defaults(path());
        registerAll(defaults);
        expectFactoryValues(defaults);
        EXPECT_FALSE(defaults.hasStoredValue(keys::BrushSize));
    }
    Defaults unregistered(path());
    EXPECT_EQ(unregistered.integerForKey(keys::ImageWidth), 0);
    EXPECT_EQ(unregistered.dataForKey(keys::Color), QByteArray());
    EXPECT_FALSE(colorFromDefaults(unregistered).has_value());
}

TEST_F(DefaultsTest, WrittenValuesOverrideFactoryAndSurviveReload)
{
    const RgbaColor teal { 0.1f, 0.6f, 0.7f, 1.0f };
    const QString frame = QStringLiteral("{{10, 20}, {300, 400}}");
    {
        Defaults defaults(path());
        registerAll(defaults);
        QSignalSpy changed(&defaults, &Defaults::changed);
        defaults.setFloat(keys::BrushSize, 0.1f);
        defaults.setInteger(keys::ImageWidth, 1024);
        defaults.setBool(keys::Ink, true);
        defaults.setData(keys::Color, ColorArchive::encode(teal));
        defaults.setString(keys::ToolPanelFrame, frame);
        defaults.setString(keys::DonateMessage, QStringLiteral("@not a variant"));
        defaults.setInteger(keys::EraserSize, 30);
        defaults.removeObjectForKey(keys::EraserSize);
        ASSERT_EQ(changed.count(), 8);
        EXPECT_EQ(changed.at(0).at(0).toString(), keys::BrushSize);
        EXPECT_EQ(changed.at(7).at(0).toString(), keys::EraserSize);
        EXPECT_EQ(defaults.floatForKey(keys::EraserSize), 15.0f);
        defaults.sync();
    }
    // Read back from the file, where every value is text.
    Defaults reloaded(path());
    registerAll(reloaded);
    EXPECT_EQ(reloaded.floatForKey(keys::BrushSize), 0.1f);
    EXPECT_EQ(reloaded.integerForKey(keys::ImageWidth), 1024);
    EXPECT_TRUE(reloaded.boolForKey(keys::Ink));
    EXPECT_EQ(colorFromDefaults(reloaded), teal);
    EXPECT_EQ(reloaded.stringForKey(keys::ToolPanelFrame), frame);
    EXPECT_EQ(reloaded.stringForKey(keys::DonateMessage), QStringLiteral("@not a variant"));
    EXPECT_FALSE(reloaded.hasStoredValue(keys::EraserSize));
}

TEST_F(DefaultsTest, LenientTextParses)
{
    writeFile("[General]\n"
              "bsize=\" 12.5 \"\n"
              "bsizemin=-3.9\n"
              "UndoLevels=1e2\n"
              "ink=YES\n"
              "ImageWidth=true\n"
              "ToolPanelFrame=1, 2, 3\n");
    Defaults defaults(path());
    registerAll(defaults);
    EXPECT_EQ(defaults.floatForKey(keys::BrushSize), 12.5f);
    EXPECT_EQ(defaults.integerForKey(keys::BrushSizeMin), -3);
    EXPECT_EQ(defaults.integerForKey(keys::UndoLevels), 100);
    EXPECT_TRUE(defaults.boolForKey(keys::Ink));
    EXPECT_EQ(defaults.integerForKey(keys::ImageWidth), 1);
    EXPECT_EQ(defaults.stringForKey(keys::ToolPanelFrame), QStringLiteral("1, 2, 3"));

    // Values written in this session still have their own type.
    defaults.setFloat(keys::BrushSize, 12.75f);
    defaults.setBool(keys::Ink, false);
    EXPECT_EQ(defaults.integerForKey(keys::BrushSize), 12);
    EXPECT_EQ(defaults.integerForKey(keys::Ink), 0);
}

// Every value here is damaged; each reads as its factory value.
TEST_F(DefaultsTest, DamagedValuesReadAsFactoryValues)
{
    writeFile("[General]\n"
              "bsize=abc\n"
              "bsizemin=nan\n"
              "esize=-inf\n"
              "estren=\n"
              "ink=maybe\n"
              "clr=0 0 0 1\n"
              "UndoLevels=3000000000\n"
              "DonateMessage=@ByteArray(abc)\n"
              "ImageWidth=@Variant(\\0\\0\\x7f\\xff\\xff\\xff)\n"
              "ImageHeight=1, 2\n"
              "this line is not a setting\n"
              "[broken\n");
    Defaults defaults(path());
    registerAll(defaults);
    expectFactoryValues(defaults);

    // Out of range for a float, and data that is not a colour archive.
    Defaults other(path());
    other.registerDefaults({ { keys::BrushSize, 10 } });
    other.setString(keys::BrushSize, QStringLiteral("1e300"));
    other.setData(keys::Color, QByteArray("junk"));
    EXPECT_EQ(other.floatForKey(keys::BrushSize), 10.0f);
    EXPECT_FALSE(colorFromDefaults(other).has_value());
}

TEST_F(DefaultsTest, TextTooLongForANumberReadsAsTheFactoryValue)
{
    // Both would parse as numbers (12 and true) if they were read.
    const QString longNumber = QStringLiteral("12.") + QString(10 * 1024 * 1024, QLatin1Char('0'));
    const QString padded = QString(70, QLatin1Char(' ')) + QStringLiteral("1");
    Defaults defaults(path());
    registerAll(defaults);
    defaults.setString(keys::BrushSize, longNumber);
    defaults.setString(keys::Ink, padded);
    defaults.setString(keys::UndoLevels, padded);
    EXPECT_EQ(defaults.floatForKey(keys::BrushSize), 10.0f);
    EXPECT_FALSE(defaults.boolForKey(keys::Ink));
    EXPECT_EQ(defaults.integerForKey(keys::UndoLevels), 0);
    // A short text with spaces around it still reads.
    defaults.setString(keys::BrushSize, QStringLiteral("  12.5  "));
    EXPECT_EQ(defaults.floatForKey(keys::BrushSize), 12.5f);
}

TEST_F(DefaultsTest, RandomBytesNeverCrash)
{
    const quint32 seed = QRandomGenerator::global()->generate();
    SCOPED_TRACE(seed);
    QRandomGenerator random(seed);
    for (int round = 0; round < 20; ++round) {
        QByteArray bytes(int(random.bounded(4096)), '\0');
        for (char &b : bytes)
            b = char(random.bounded(256));
        if (round % 2)
            bytes.prepend("[General]\nbsize=");
        writeFile(bytes);
        Defaults defaults(path());
        registerAll(defaults);
        // Garbage may happen to define keys; the reads only must not fail.
        EXPECT_TRUE(std::isfinite(defaults.floatForKey(keys::BrushSize)));
        colorFromDefaults(defaults);
        defaults.stringForKey(keys::DonateMessage);
        defaults.boolForKey(keys::Ink);
    }
}

TEST(DefaultsShared, LivesInTheUserConfigFolder)
{
    Defaults &shared = Defaults::shared();
    EXPECT_EQ(&shared, &Defaults::shared());
    EXPECT_EQ(shared.fileName(),
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
            + QStringLiteral("/Pennova/Pennova.conf"));
}

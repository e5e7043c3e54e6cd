#include "settings/defaults.h"
#include "settings/gesturekeys.h"
#include "testsupport.h"

#include <gtest/gtest.h>

using namespace pennova;

namespace {

TEST(GestureBindingTest, TextRoundTripsAndAnythingElseIsNoBinding)
{
    const struct
    {
        const char *text;
        const char *stored;
        const char *shown;
    } good[] = {
        { "Alt", "Alt", "Alt" },
        { " alt+CTRL ", "Ctrl+Alt", "Ctrl + Alt" },
        { "Meta + Alt + Ctrl", "Ctrl+Alt+Meta", "Ctrl + Alt + Meta" },
        { "r", "R", "R" },
    };
    for (const auto &g : good) {
        const std::optional<GestureBinding> b = GestureBinding::fromText(QString::fromUtf8(g.text));
        ASSERT_TRUE(b && b->isValid()) << g.text;
        EXPECT_EQ(b->toText(), QString::fromUtf8(g.stored));
        EXPECT_EQ(b->displayText(), QString::fromUtf8(g.shown));
        EXPECT_EQ(GestureBinding::fromText(b->toText()), b);
    }
    for (const char *bad : { "", "+", "Shift", "Ctrl+Shift", "Alt+Alt", "Alt+", "RR", "1", "Space",
             "Ctrl+R", "ä", "Altttttttttttttttttttttttttttttttttttttttt" })
        EXPECT_FALSE(GestureBinding::fromText(QString::fromUtf8(bad))) << bad;
    EXPECT_FALSE(GestureBinding::modifiers(Qt::ShiftModifier).isValid());
    EXPECT_EQ(GestureBinding::letter(QLatin1Char('q')).key(), Qt::Key_Q);
}

TEST(GestureKeysTest, StoredKeysReadAsTheyAreAndDamagedOnesAsTheFactorys)
{
    test::TestDefaults defaults;
    const GestureKeys factory;
    EXPECT_EQ(GestureKeys::fromDefaults(*defaults), factory);
    EXPECT_EQ(factory.binding(Gesture::Erase).toText(), QStringLiteral("Alt"));
    EXPECT_EQ(factory.binding(Gesture::Rotate).toText(), QStringLiteral("Meta"));
    EXPECT_EQ(factory.binding(Gesture::Select).toText(), QStringLiteral("Ctrl"));

    defaults->setString(GestureKeys::settingsKey(Gesture::Rotate), QStringLiteral("r"));
    defaults->setString(GestureKeys::settingsKey(Gesture::Erase), QStringLiteral("Ctrl+Alt"));
    GestureKeys keys = GestureKeys::fromDefaults(*defaults);
    EXPECT_EQ(keys.binding(Gesture::Rotate).toText(), QStringLiteral("R"));
    EXPECT_EQ(keys.binding(Gesture::Erase).toText(), QStringLiteral("Ctrl+Alt"));
    EXPECT_EQ(keys.binding(Gesture::Select).toText(), QStringLiteral("Ctrl"));

    // One damaged value: that gesture's factory key, and a word why. A letter with a command of
    // its own counts as damaged.
    test::LogCapture log;
    defaults->setString(GestureKeys::settingsKey(Gesture::Erase), QStringLiteral("Hyper"));
    EXPECT_EQ(GestureKeys::fromDefaults(*defaults).binding(Gesture::Erase).toText(),
        QStringLiteral("Alt"));
    EXPECT_TRUE(log.contains(QStringLiteral(
        "Gesture keys: a stored key is not one Pennova knows; its factory key applies.")));
    defaults->setString(GestureKeys::settingsKey(Gesture::Erase), QStringLiteral("E"));
    EXPECT_EQ(GestureKeys::fromDefaults(*defaults).binding(Gesture::Erase).toText(),
        QStringLiteral("Alt"));
    defaults->setInteger(GestureKeys::settingsKey(Gesture::Erase), 7);
    EXPECT_EQ(GestureKeys::fromDefaults(*defaults).binding(Gesture::Erase).toText(),
        QStringLiteral("Alt"));
    // Two gestures on one key: nothing stored can be trusted, all three are the factory's.
    defaults->setString(GestureKeys::settingsKey(Gesture::Erase), QStringLiteral("R"));
    EXPECT_EQ(GestureKeys::fromDefaults(*defaults), factory);

    // Storing writes what reads back.
    ASSERT_TRUE(keys.setBinding(Gesture::Select, GestureBinding::letter(QLatin1Char('S'))));
    keys.store(*defaults);
    EXPECT_EQ(GestureKeys::fromDefaults(*defaults), keys);
}

TEST(GestureKeysTest, ProblemsAreToldAndChangeNothing)
{
    GestureKeys keys;
    EXPECT_EQ(keys.problemWith(Gesture::Rotate, GestureBinding::modifiers(Qt::AltModifier)),
        QStringLiteral("Alt is already the key for erasing."));
    EXPECT_EQ(keys.problemWith(Gesture::Erase, GestureBinding::letter(QLatin1Char('p'))),
        QStringLiteral("P has a command of its own; choose another letter."));
    EXPECT_FALSE(keys.problemWith(Gesture::Erase, GestureBinding()).isEmpty());
    EXPECT_FALSE(keys.setBinding(Gesture::Rotate, GestureBinding::modifiers(Qt::AltModifier)));
    EXPECT_EQ(keys, GestureKeys());
    // Its own key again is no problem.
    EXPECT_TRUE(
        keys.problemWith(Gesture::Erase, GestureBinding::modifiers(Qt::AltModifier)).isEmpty());
}

TEST(GestureKeysTest, HeldFollowsTheBindingsAndTheWiderCombinationWins)
{
    const GestureKeys factory;
    const auto held = [](const GestureKeys &k, Qt::KeyboardModifiers m, quint32 letters = 0) {
        const GestureKeys::Held h = k.held(m, letters);
        return QString::fromLatin1("%1%2%3").arg(
            h.erase ? "E" : "-", h.rotate ? "R" : "-", h.select ? "S" : "-");
    };
    EXPECT_EQ(held(factory, Qt::AltModifier | Qt::ShiftModifier), QStringLiteral("E--"));
    EXPECT_EQ(held(factory, Qt::ControlModifier | Qt::AltModifier), QStringLiteral("E-S"));
    EXPECT_EQ(held(factory, Qt::MetaModifier), QStringLiteral("-R-"));
    EXPECT_EQ(held(factory, {}, 0xFFFFFFFFu), QStringLiteral("---"));

    // Rotate on Ctrl + Alt beside Alt (erase) and Ctrl (select): the combination rotates only.
    GestureKeys wide;
    ASSERT_TRUE(wide.setBinding(
        Gesture::Rotate, GestureBinding::modifiers(Qt::ControlModifier | Qt::AltModifier)));
    EXPECT_EQ(held(wide, Qt::ControlModifier | Qt::AltModifier), QStringLiteral("-R-"));
    EXPECT_EQ(held(wide, Qt::AltModifier), QStringLiteral("E--"));
    EXPECT_EQ(held(wide, Qt::MetaModifier), QStringLiteral("---"));

    // A held letter.
    GestureKeys letter;
    ASSERT_TRUE(letter.setBinding(Gesture::Rotate, GestureBinding::letter(QLatin1Char('R'))));
    EXPECT_EQ(letter.letterBits(), letterKeyBit(Qt::Key_R));
    EXPECT_EQ(held(letter, {}, letterKeyBit(Qt::Key_R)), QStringLiteral("-R-"));
    EXPECT_EQ(held(letter, Qt::MetaModifier, letterKeyBit(Qt::Key_T)), QStringLiteral("---"));
}

} // namespace

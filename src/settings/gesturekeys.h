#pragma once

// The keys in force for the three gestures the user may move to other keys: erasing with the pen
// tip (Alt at the factory), rotating the view (Meta) and selecting (Ctrl). Space (pan) and Shift
// (zoom) stay where they are. Read from the settings store; a stored value that does not parse,
// uses a letter a canvas command needs, or collides with another gesture's key reads as the
// factory keys, so no stored text can leave a gesture without a key or two on one.

#include "settings/gesturebinding.h"

#include <array>

namespace pennova {

class Defaults;

enum class Gesture
{
    Erase,
    Rotate,
    Select,
};

class GestureKeys
{
public:
    static constexpr std::array<Gesture, 3> kGestures { Gesture::Erase, Gesture::Rotate,
        Gesture::Select };

    // The factory keys: Alt erases, Meta rotates, Ctrl selects.
    GestureKeys();
    static GestureBinding factoryBinding(Gesture gesture);
    // The settings key of a gesture: "EraseGestureKey", "RotateGestureKey", "SelectGestureKey".
    static const QString &settingsKey(Gesture gesture);
    static bool isSettingsKey(const QString &key);

    static GestureKeys fromDefaults(const Defaults &defaults);

    const GestureBinding &binding(Gesture gesture) const { return m_bindings[size_t(gesture)]; }
    // Why the binding cannot be used for the gesture beside the other two as they are now, as a
    // sentence for the user; empty when it can.
    QString problemWith(Gesture gesture, const GestureBinding &binding) const;
    // Sets one binding when problemWith() has nothing against it; returns whether it did.
    bool setBinding(Gesture gesture, const GestureBinding &binding);
    // Writes the three bindings to the store.
    void store(Defaults &defaults) const;

    // Which gestures are held now. A binding held only as part of another binding that is held as
    // a whole gives way to it: with Alt erasing and Ctrl + Alt rotating, Ctrl + Alt rotates and
    // does not erase.
    struct Held
    {
        bool erase = false;
        bool rotate = false;
        bool select = false;
    };
    Held held(Qt::KeyboardModifiers modifiers, quint32 heldLetters) const;
    // The letter keys the bindings use, one bit a letter as letterKeyBit() gives.
    quint32 letterBits() const;

    // Letters with a canvas command of their own ("I", "P", "C", "E"), which cannot be held for a
    // gesture.
    static bool isReservedLetter(QChar letter);
    // What a gesture does, for messages: "erasing", "rotating", "selecting".
    static QString gestureName(Gesture gesture);

    bool operator==(const GestureKeys &other) const { return m_bindings == other.m_bindings; }
    bool operator!=(const GestureKeys &other) const { return !(*this == other); }

private:
    std::array<GestureBinding, 3> m_bindings;
};

} // namespace pennova

#pragma once

// The brush as the user settings describe it: pen size range, eraser size and strength, ink
// mode and colour. Reads go to the settings store whenever it may have changed since the last
// read, so a tool chosen in the palette or a preference changed elsewhere applies to the very
// next stroke segment.

#include "canvas/strokeengine.h"
#include "settings/colorarchive.h"

#include <QRgb>
#include <optional>

namespace pennova {

class Defaults;

class Brush
{
public:
    static constexpr float kMinSize = 1.0f;
    static constexpr float kMaxSize = 48.0f;
    static constexpr float kMaxStrength = 100.0f; // percent

    explicit Brush(Defaults &defaults);

    // The stored size of the end in use: "esize" for the eraser, "bsize" for the pen, clamped
    // to [1, 48] as every stored brush value is clamped into its range where it is read.
    float getBrushSize(bool eraser) const;
    // The pen's stored minimum size within [0, the pen's size], and the eraser's strength within
    // [0, 100] percent.
    float minimumSize() const;
    float eraserStrength() const;
    // Clamps a size to [1, 48] (a missing or invalid value gives 1) and stores it under the size
    // key of the end in use when it differs. For the pen the minimum size is kept a whole number
    // not above the new size. Returns the clamped size.
    float setBrushSize(float size, bool eraser);
    static float clampSize(float size);

    // The current colour; none when the stored bytes are missing or damaged.
    std::optional<RgbaColor> getColor() const;
    // The colour as an opaque pixel; black when there is none. Alpha is ignored.
    QRgb colourPixel() const;

    bool ink() const;
    // Flips ink mode and returns the new value.
    bool toggleInk();

    // Everything a stroke segment reads. `eraserDiameter` is the view's current brush size.
    BrushParams params(float eraserDiameter) const;

    Defaults &defaults() const { return m_defaults; }

private:
    Defaults &m_defaults;
    // What params() last read, and the store's generation it was read at.
    mutable BrushParams m_params;
    mutable quint64 m_paramsGeneration = 0;
    mutable bool m_hasParams = false;
};

} // namespace pennova

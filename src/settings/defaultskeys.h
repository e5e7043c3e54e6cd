#pragma once

// The keys of the user settings store (Defaults). Factory values are registered by
// registerApplicationDefaults() and registerDocumentDefaults() in defaults.h.

#include <QString>

namespace pennova::keys {

// Largest pen diameter, at full pressure (canvas pixels, number).
inline const QString BrushSize = QStringLiteral("bsize");
// Smallest pen diameter, at zero pressure or fast movement (canvas pixels, number).
inline const QString BrushSizeMin = QStringLiteral("bsizemin");
// Eraser diameter (canvas pixels, number).
inline const QString EraserSize = QStringLiteral("esize");
// Eraser strength (percent, 0..100, number).
inline const QString EraserStrength = QStringLiteral("estren");
// Ink mode on or off (boolean).
inline const QString Ink = QStringLiteral("ink");
// The current colour, as the bytes of a ColorArchive (data).
inline const QString Color = QStringLiteral("clr");
// Undo steps kept per document; 0 means no limit (integer).
inline const QString UndoLevels = QStringLiteral("UndoLevels");
// Message text shown to the user about donating (string).
inline const QString DonateMessage = QStringLiteral("DonateMessage");
// Size of a new canvas (pixels, integers).
inline const QString ImageWidth = QStringLiteral("ImageWidth");
inline const QString ImageHeight = QStringLiteral("ImageHeight");
// Base address of the web server (http or https), overriding the one the program was built with;
// stored empty, there is none. No factory value.
inline const QString ServerAddress = QStringLiteral("ServerAddress");
// The pictures opened recently, absolute paths one a line, newest first (string).
inline const QString RecentFiles = QStringLiteral("RecentFiles");
// Saved frame of the tool panel, as text; no factory value.
inline const QString ToolPanelFrame = QStringLiteral("ToolPanelFrame");

} // namespace pennova::keys

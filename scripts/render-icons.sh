#!/usr/bin/env bash
# Renders the program's icon into the PNG sizes the desktop looks for, from the two drawings in
# resources/icons: the small one for 16 to 24 pixels, the full one above. The PNGs are kept in
# the repository, so a build needs no SVG renderer; run this after changing a drawing.
# Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
icons="$(cd "$(dirname "${BASH_SOURCE[0]}")/../resources/icons" && pwd)"
for size in 16 22 24; do
    rsvg-convert -w "$size" -h "$size" "$icons/pennova-small.svg" -o "$icons/pennova-$size.png"
done
for size in 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" "$icons/pennova.svg" -o "$icons/pennova-$size.png"
done

#!/usr/bin/env bash
# `cmake --install` into a fresh prefix: the program, the desktop entry, the icons and the
# AppStream metainfo land where the desktop looks for them under that prefix, and the desktop's
# own validators accept the entry and the metainfo.
# Usage: install_prefix.sh BUILD_DIR WORK_DIR APP_ID
set -euo pipefail

build=$1
work=$2
app=$3
for tool in desktop-file-validate appstreamcli python3; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

rm -rf "$work" && mkdir -p "$work"
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log"

fail() { echo "FAIL: $*"; exit 1; }
share="$prefix/share"
[ -x "$prefix/bin/pennova" ] || fail "no program at bin/pennova"
entry="$share/applications/$app.desktop"
metainfo="$share/metainfo/$app.metainfo.xml"
[ -f "$entry" ] || fail "no desktop entry at share/applications/$app.desktop"
[ -f "$metainfo" ] || fail "no metainfo at share/metainfo/$app.metainfo.xml"
[ -f "$share/icons/hicolor/scalable/apps/$app.svg" ] || fail "no scalable icon"

desktop-file-validate "$entry" || fail "desktop-file-validate refused the entry"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli refused the metainfo"

# The entry names the icon and the program the prefix holds, and the image types.
grep -qx "Icon=$app" "$entry" || fail "the entry's icon is not $app"
grep -qx "Exec=pennova %F" "$entry" || fail "the entry does not start pennova with files"
for type in image/png image/jpeg image/tiff image/webp; do
    grep -q "^MimeType=.*$type;" "$entry" || fail "the entry does not open $type"
done
grep -q "<launchable type=\"desktop-id\">$app.desktop</launchable>" "$metainfo" \
    || fail "the metainfo does not name the desktop entry"

# Every hicolor size holds a PNG of exactly that size.
for size in 16 22 24 32 48 64 128 256; do
    png="$share/icons/hicolor/${size}x${size}/apps/$app.png"
    [ -f "$png" ] || fail "no ${size}x${size} icon"
    read -r w h < <(python3 -c '
import struct, sys
with open(sys.argv[1], "rb") as f:
    head = f.read(24)
assert head[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
print(*struct.unpack(">II", head[16:24]))' "$png")
    [ "$w" = "$size" ] && [ "$h" = "$size" ] || fail "the ${size}x${size} icon is ${w}x${h}"
done
echo "PASS: installed into $prefix"

#!/usr/bin/env bash
# Pennova on Wayland: a headless Weston compositor of the test's own, the replay tool playing
# strokes, the wheel, a pinch, the middle button and a seal through Qt's Wayland platform, and the
# program itself starting on it and staying up. Skipped where Weston or Qt's Wayland plugin is
# missing.
# Usage: wayland_session.sh PENNOVA_BINARY REPLAY_BINARY WORK_DIR
set -euo pipefail

pennova=$1
replay=$2
work=$3
command -v weston >/dev/null || { echo "SKIP: weston is not installed"; exit 77; }
plugin=$(find /usr/lib -path '*qt6/plugins/platforms/libqwayland-generic.so' 2>/dev/null | head -n 1)
[ -n "$plugin" ] || { echo "SKIP: Qt's Wayland platform (qt6-wayland) is not installed"; exit 77; }

rm -rf "$work" && mkdir -p "$work/runtime"
chmod 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
export XDG_STATE_HOME="$work/state" WAYLAND_DISPLAY=pennova-test QT_QPA_PLATFORM=wayland
unset DISPLAY

weston --backend=headless-backend.so --socket="$WAYLAND_DISPLAY" --width=1024 --height=768 \
    --idle-time=0 >"$work/weston.log" 2>&1 &
weston_pid=$!
cleanup() { kill "$weston_pid" 2>/dev/null || true; }
trap cleanup EXIT
for _ in $(seq 1 50); do [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] && break; sleep 0.1; done
[ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] || { echo "FAIL: weston did not start"; exit 1; }

cat >"$work/session.txt" <<'SCRIPT'
set bsize 8
set estren 100
canvas 200 120
down 20 60
move 60 60
move 100 60
up 100 60
expect undo 1
expect pixel 60 60 000000ff
wheel 100 60 0 -1
scroll 100 60 5 5
pinch 100 60 0.1
down 50 50 middle
move 70 70
up 70 70
expect undo 1
expect zoom 110
key E
action zoomToFit
expect zoom 100
keydown Alt
down 20 60
move 60 60
up 60 60
keyup Alt
expect pixel 40 60 ffffffff
save result.png
SCRIPT
"$replay" "$work/session.txt" || { echo "FAIL: the replay did not pass on Wayland"; exit 1; }
[ -s "$work/result.png" ] || { echo "FAIL: nothing saved"; exit 1; }

# The program itself: it starts on the compositor and keeps running until told to stop.
"$pennova" >"$work/pennova.log" 2>&1 &
pid=$!
sleep 3
if ! kill -0 "$pid" 2>/dev/null; then
    echo "FAIL: pennova ended on Wayland:"; cat "$work/pennova.log"; exit 1
fi
kill "$pid"
wait "$pid" 2>/dev/null || true
if grep -qi 'could not load the Qt platform plugin' "$work/pennova.log"; then
    echo "FAIL: no Wayland platform"; exit 1
fi
echo "PASS: replay and start on Wayland"

#!/usr/bin/env bash
# End to end, as a user would: open a picture given on the command line, draw a line with the
# mouse, save with Ctrl+S, quit with Ctrl+Q, and check the saved file's pixels where the line was
# drawn. Runs the real program on a virtual X display.
# Usage: draw_save_quit.sh PENNOVA_BINARY WORK_DIR
set -euo pipefail

pennova=$1
work=$2
for tool in xvfb-run xdotool convert; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

rm -rf "$work" && mkdir -p "$work"
picture="$work/picture.png"
convert -size 300x200 xc:white "PNG32:$picture"

cat >"$work/session.sh" <<'SESSION'
set -euo pipefail
pennova=$1
picture=$2
export XDG_CONFIG_HOME=$3/config XDG_DATA_HOME=$3/data QT_QPA_PLATFORM=xcb
"$pennova" "$picture" >"$3/pennova.log" 2>&1 &
pid=$!
window=$(xdotool search --sync --onlyvisible --name 'picture' | head -n 1)
sleep 1
# The canvas starts below the menu bar; a line 60 pixels under the window's top edge is well
# inside it.
xdotool mousemove --window "$window" 40 60 mousedown 1
for x in $(seq 50 10 260); do xdotool mousemove --window "$window" "$x" 60; sleep 0.02; done
xdotool mouseup 1
sleep 0.3
xdotool key ctrl+s
sleep 0.5
xdotool key ctrl+q
for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || exit 0; sleep 0.1; done
echo "pennova did not quit" >&2
kill "$pid"
exit 1
SESSION

xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/session.sh" "$pennova" "$picture" "$work"

# Find the drawn row: the darkest pixel of column 150, then check the line runs along it.
column=$(convert "$picture" -crop 1x200+150+0 -depth 8 txt:- | awk -F'[ ,:()]+' 'NR>1 {print $2, $3+$4+$5}')
darkest=$(echo "$column" | sort -k2 -n | head -n 1)
row=${darkest%% *}
value=${darkest##* }
if [ "$value" -gt 150 ]; then
    echo "FAIL: no line in the saved picture (darkest value $value)"
    exit 1
fi
for x in 80 150 230; do
    rgb=$(convert "$picture" -format "%[fx:int(255*(r+g+b)/3)]" -crop "1x1+$x+$row" info:)
    [ "$rgb" -lt 80 ] || { echo "FAIL: pixel ($x, $row) is $rgb, not dark"; exit 1; }
done
far=$(convert "$picture" -format "%[fx:int(255*(r+g+b)/3)]" -crop "1x1+150+$(( (row + 100) % 200 ))" info:)
[ "$far" -eq 255 ] || { echo "FAIL: pixel far from the line is $far"; exit 1; }
echo "PASS: line saved at row $row"

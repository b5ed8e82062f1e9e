#!/usr/bin/env bash
# Starts the real program in an X server on an Igor fit named on its command
# line, opens the File menu with xdotool and checks screenshots of it, zooms,
# steps back with Backspace, opens a dialog from the menu and quits with Ctrl+Q.
# Usage: smoke_xvfb.sh PROGRAM OUTPUT_DIR
set -euo pipefail
program=$(readlink -f "$1")
out=$(readlink -f "$2")
mkdir -p "$out"
# The program runs under the caller's locale; the image tools print C numbers.
user_locale=${LC_ALL:-}
export LC_ALL=C

for tool in Xvfb xdotool import compare convert; do
  command -v "$tool" >/dev/null || { echo "missing $tool"; exit 1; }
done

work=$(mktemp -d)
trap 'kill "${app_pid:-}" "${xvfb_pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
cd "$work"

# A complete settings file, so the start shows no message.
printf '%s\r\n' '[Difscop Ini File]' '' '[Color Setting]' 'ColFrame=65535' 'ColBack =8388608' \
  'ColFont =65535' 'ColBase =0' 'ColCalc =16711680' 'ColObs  =255' 'ColDiff =65280' \
  'ColRef  =65535' 'ColObsF =255' 'ColDiffF=65280' '[Font Size]' 'SFont=18' \
  '[Dot Radius Setting]' 'RObsdot=1' 'RDiffdot=1' '[Line Width]' 'LCwidth=1' 'LFwidth=1' \
  '[X-ray Source]' 'Ka1=1.540593' 'Ka2=1.54441' 'Wtol=0.05' 'Itol=0.05' 'Ratio=0.5' \
  '[CellRef]' 'CellRef=CellRef' '[Cell]' 'Cell=Cell' '[EXPO]' 'EXPO=EXPO' '[GenHKL]' \
  'GenHKL=GenHKL' > Difscop.ini

# An Igor fit: observed and calculated profile, one phase of reflections.
awk 'BEGIN {
  printf "IGOR\r\nWAVES/O twoth, yobs, ycal\r\nBEGIN\r\n";
  for (i = 0; i < 3000; i++) {
    x = 10 + i * 0.02;
    c = 150 + 4000 * exp(-((x - 28) / 0.12) ^ 2) + 2500 * exp(-((x - 41) / 0.15) ^ 2);
    printf "%.3f %.1f %.1f\r\n", x, c + (i % 9) * 12 - 50, c;
  }
  printf "END\r\nWAVES/O xphase1\r\nBEGIN\r\n28.0\r\n41.0\r\n55.5\r\nEND\r\n";
}' > smoke.pat

# The server picks a free display number itself and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=":$(head -1 "$work/display")"
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

XDG_CONFIG_HOME="$work/config" LC_ALL=$user_locale QT_QPA_PLATFORM=xcb "$program" -i "$work/smoke.pat" &
app_pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Difscop --- ' | head -1)
[ -n "$window" ] || { echo "no window"; exit 1; }
title=$(xdotool getwindowname "$window")
echo "title: $title"
case "$title" in
  "Difscop --- [File Name : "*smoke.pat*) ;;
  *) echo "unexpected title"; exit 1 ;;
esac
sleep 1

import -window root "$out/smoke_plot.png"
# The File menu: the first item of the menu bar, near the top left corner.
xdotool mousemove --window "$window" 12 10 click 1
sleep 1
import -window root "$out/smoke_menu.png"

kill -0 "$app_pid" || { echo "the program ended"; exit 1; }

# The plot is not blank: many colours (frame, labels, curves on the
# background), and opening the menu changed the picture.
colours=$(identify -format '%k' "$out/smoke_plot.png")
echo "colours in the plot: $colours"
[ "$colours" -ge 6 ] || { echo "blank plot"; exit 1; }
changed=$(compare -metric AE "$out/smoke_plot.png" "$out/smoke_menu.png" null: 2>&1 || true)
echo "pixels changed by the menu: $changed"
[ "${changed%%.*}" -gt 500 ] || { echo "the menu did not open"; exit 1; }

# The pattern itself: pixels of the observed colour (red, 0x0000FF as
# 0x00BBGGRR) and of the calculated colour (blue).
red=$(convert "$out/smoke_plot.png" -fill black +opaque 'rgb(255,0,0)' -format '%[fx:mean*w*h]' info:)
blue=$(convert "$out/smoke_plot.png" -fill black +opaque 'rgb(0,0,255)' -format '%[fx:mean*w*h]' info:)
echo "observed pixels: $red, calculated pixels: $blue"
[ "${red%%.*}" -gt 100 ] && [ "${blue%%.*}" -gt 100 ] || { echo "no pattern drawn"; exit 1; }

xdotool key Escape
sleep 0.5

# A zoom drag with the left button: the rubber band shows while dragging and
# the plot changes once the button is released.
read -r wx wy < <(xdotool getwindowgeometry --shell "$window" | awk -F= '/^X=/{x=$2} /^Y=/{y=$2} END{print x, y}')
xdotool mousemove $((wx + 330)) $((wy + 380)) mousedown 1
sleep 0.2
xdotool mousemove $((wx + 380)) $((wy + 250))
sleep 0.2
xdotool mousemove $((wx + 460)) $((wy + 150))
sleep 0.5
import -window root "$out/smoke_drag.png"
xdotool mouseup 1
sleep 1
import -window root "$out/smoke_zoom.png"
band=$(compare -metric AE "$out/smoke_plot.png" "$out/smoke_drag.png" null: 2>&1 || true)
zoom=$(compare -metric AE "$out/smoke_plot.png" "$out/smoke_zoom.png" null: 2>&1 || true)
echo "pixels changed by the rubber band: $band, by the zoom: $zoom"
[ "${band%%.*}" -gt 100 ] || { echo "no rubber band"; exit 1; }
[ "${zoom%%.*}" -gt 1000 ] || { echo "the drag did not zoom"; exit 1; }

# Backspace steps back to the range before the zoom: the picture returns to
# the first one, but for the cursor readouts in the status bar.
xdotool mousemove $((wx + 5)) $((wy + 200))
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key BackSpace
sleep 1
import -window root "$out/smoke_back.png"
back=$(compare -metric AE "$out/smoke_plot.png" "$out/smoke_back.png" null: 2>&1 || true)
echo "pixels changed from the first picture after Backspace: $back"
[ "${back%%.*}" -lt $(( ${zoom%%.*} / 4 )) ] || { echo "Backspace did not step back"; exit 1; }

# Setting > Set Range (the first item of that menu) opens the range dialog:
# Alt+S opens the menu wherever the menu bar puts it.
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key alt+s
sleep 0.5
xdotool key Return
sleep 1
import -window root "$out/smoke_range.png"
dialog=$(xdotool search --onlyvisible --name '^Axis Range Setting$' | head -1 || true)
[ -n "$dialog" ] || { echo "no range dialog"; exit 1; }
xdotool key Escape
sleep 0.3

kill -0 "$app_pid" || { echo "the program ended"; exit 1; }

# Ctrl+Q ends the program the ordinary way.
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key ctrl+q
for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app_pid" 2>/dev/null; then echo "Ctrl+Q did not end the program"; exit 1; fi
wait "$app_pid" || { echo "the program ended with a failure"; exit 1; }
app_pid=
echo "smoke test passed; screenshots in $out"

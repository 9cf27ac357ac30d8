#!/usr/bin/env bash
# Photographs the real editor window under a virtual X display:
#   tools/screenshots.sh KORVANE_EXE OUT_DIR
# writes OUT_DIR/editor.png (the window as it opens) and
# OUT_DIR/editor-text-panel.png (the text panel of "文字2", clicked as a
# user clicks it).
set -euo pipefail
exe=$1
out=$2
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1100x850x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
korvane=
trap 'kill $korvane $xvfb 2>/dev/null || true' EXIT
sleep 1
DISPLAY=$display "$exe" >/dev/null 2>&1 &
korvane=$!
sleep 2
# The window sits at 50, 50 with a client area of 928 x 717.
shoot() { DISPLAY=$display import -window root -crop 928x717+50+50 +repage "$out/$1"; echo "Wrote $out/$1"; }
shoot editor.png
# The "图章文字" page, then its second item.
DISPLAY=$display xdotool mousemove 150 333 click 1
sleep 0.7
DISPLAY=$display xdotool mousemove 96 149 click 1
sleep 0.7
shoot editor-text-panel.png

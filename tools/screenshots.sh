#!/usr/bin/env bash
# Photographs the real editor window under a virtual X display:
#   tools/screenshots.sh KORVANE_EXE OUT_DIR
# writes, in OUT_DIR:
#   editor.png             the window as it opens (no banner server)
#   editor-text-panel.png  the text panel of "文字2", clicked as a user would
#   editor-banners.png     the banner box, served from 127.0.0.1
#   editor-new-seal.png    the "新建…" chooser of presets
#   editor-zoom.png        a preset zoomed to about 200 %, with its rulers
# and, from the test that measures them, the invoice name laid at equal arc
# length and at equal parameter steps (ellipse-equal-*.png).
set -euo pipefail
exe=$1
out=$2
root=$(cd "$(dirname "$0")/.." && pwd)
KORVANE_DOCS_DIR="$out" "$(dirname "$exe")/test_render" --gtest_filter='EllipseText.EqualParameter*' >/dev/null
echo "Wrote $out/ellipse-equal-arc.png $out/ellipse-equal-parameter.png"
display=:$((90 + RANDOM % 100))
port=$((20000 + RANDOM % 20000))
Xvfb "$display" -screen 0 1100x850x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$root/tests/editor/banners" >/dev/null 2>&1 &
server=$!
korvane=
trap 'kill $korvane $server $xvfb 2>/dev/null || true' EXIT
sleep 1

shoot() { DISPLAY=$display import -window root -crop 928x717+50+50 +repage "$out/$1"; echo "Wrote $out/$1"; }
start() {  # start BANNER_URLS
  [ -n "$korvane" ] && kill "$korvane" 2>/dev/null && wait "$korvane" 2>/dev/null || true
  DISPLAY=$display KORVANE_BANNER_URLS="$1" "$exe" >/dev/null 2>&1 &
  korvane=$!
  sleep 2
}

# Nothing listens on port 9 of the loopback: the banners stay empty.
nowhere=http://127.0.0.1:9/none.png
start "$nowhere $nowhere $nowhere"
shoot editor.png
# The "图章文字" page, then its second item.
DISPLAY=$display xdotool mousemove 150 333 click 1
sleep 0.7
DISPLAY=$display xdotool mousemove 96 149 click 1
sleep 0.7
shoot editor-text-panel.png

# "新建…", photographed as its own window; Return takes the first preset.
DISPLAY=$display xdotool mousemove $((50 + 287)) $((50 + 693)) click 1
sleep 1.5
chooser=$(DISPLAY=$display xdotool search --name "新建图章" | head -1)
DISPLAY=$display import -window "$chooser" "$out/editor-new-seal.png"
echo "Wrote $out/editor-new-seal.png"
DISPLAY=$display xdotool key Return
sleep 0.7
# Ctrl and four wheel steps up over the ring's top left: 200 %.
DISPLAY=$display xdotool mousemove $((50 + 460)) $((50 + 230)) keydown ctrl click 4 click 4 click 4 click 4 keyup ctrl
sleep 1
shoot editor-zoom.png

base=http://127.0.0.1:$port
start "$base/banner1.png $base/banner2.png $base/banner3.png"
shoot editor-banners.png

#!/usr/bin/env bash
# Starts the real tonalith under Xvfb, waits for its window, takes a screenshot of the screen
# and checks that the plot area shows more than one colour.
#   smoke_xvfb.sh TONALITH XWD_PY
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" = "--inside" ]; then
  # Runs on the virtual display.
  app=$2
  work=$3
  QT_QPA_PLATFORM=xcb "$app" > "$work/app.out" 2>&1 &
  pid=$!
  # The main window: the largest top-level window titled Tonalith.
  find_window() {
    xwininfo -root -tree 2> /dev/null | /usr/bin/python3 -c '
import re, sys
best = None
for line in sys.stdin:
    m = re.match(r"\s*(0x[0-9a-f]+) \"Tonalith[^\"]*\".*?\s(\d+)x(\d+)\+", line)
    if m and int(m.group(2)) > 100 and (best is None or int(m.group(2)) > best[1]):
        best = (m.group(1), int(m.group(2)))
print(best[0] if best else "")'
  }
  id=""
  for _ in $(seq 1 150); do
    id=$(find_window)
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || { echo "no Tonalith window appeared"; kill "$pid"; exit 1; }
  sleep 1.5
  xwininfo -id "$id" > "$work/info"
  xwd -root -silent > "$work/screen.xwd"
  kill "$pid" 2> /dev/null || true
  wait "$pid" 2> /dev/null || true
  exit 0
fi

app=$1
xwdpy=$2
for tool in xvfb-run xwd xwininfo; do
  command -v "$tool" > /dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
xvfb-run -a -s "-screen 0 1400x1000x24" "$here/smoke_xvfb.sh" --inside "$app" "$work"

/usr/bin/python3 - "$xwdpy" "$work/screen.xwd" "$work/info" <<'PY'
import importlib.util
import re
import sys

module_spec = importlib.util.spec_from_file_location("xwd", sys.argv[1])
xwd = importlib.util.module_from_spec(module_spec)
module_spec.loader.exec_module(xwd)
width, height, rows = xwd.read(sys.argv[2])
info = open(sys.argv[3]).read()
field = lambda name: int(re.search(name + r":\s+(-?\d+)", info).group(1))
x0, y0 = field("Absolute upper-left X"), field("Absolute upper-left Y")
w, h = field("Width"), field("Height")
if w < 400 or h < 300:
    sys.exit("the window is only %d x %d" % (w, h))
# The plot area: below the two rows of controls, above the status bar.
from collections import Counter
counts = Counter()
for y in range(y0 + int(0.2 * h), y0 + int(0.85 * h), 3):
    for x in range(x0 + int(0.05 * w), x0 + int(0.95 * w), 3):
        counts[rows[y][x]] += 1
total = sum(counts.values())
(r, g, b), most = counts.most_common(1)[0]
print("window %dx%d at %d,%d; %d colours in the plot area; the commonest %s covers %.0f %%"
      % (w, h, x0, y0, len(counts), (r, g, b), 100.0 * most / total))
if len(counts) < 2:
    sys.exit("the plot area shows one colour")
# The placeholder map is drawn in the colour the hue map gives below its range (HSV 0, 150, 200):
# it must fill much of the area, so that the colours seen are the plot's and not a blank window.
if not (abs(r - 200) <= 3 and abs(g - 82) <= 3 and abs(b - 82) <= 3 and most > 0.3 * total):
    sys.exit("the plot area does not show the placeholder map")
PY
grep -q "BundlePath= " "$work/app.out" || { echo "no start-up lines on standard output"; cat "$work/app.out"; exit 1; }

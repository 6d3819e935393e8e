#!/usr/bin/env bash
# Starts the real tonalith under Xvfb, waits for its window, takes a screenshot of the screen
# and checks that the plot area shows more than one colour.
#   smoke_xvfb.sh TONALITH XWD_PY
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

source "$here/xvfb_common.sh"

if [ "${1:-}" = "--inside" ]; then
  # Runs on the virtual display.
  app=$2
  work=$3
  xwdpy=$4
  QT_QPA_PLATFORM=xcb "$app" > "$work/app.out" 2>&1 &
  pid=$!
  # The main window: the largest top-level window titled Tonalith.
  find_window() {
    id=$(xwininfo -root -tree 2> /dev/null | /usr/bin/python3 -c '
import re, sys
best = None
for line in sys.stdin:
    m = re.match(r"\s*(0x[0-9a-f]+) \"Tonalith[^\"]*\".*?\s(\d+)x(\d+)\+", line)
    if m and int(m.group(2)) > 100 and (best is None or int(m.group(2)) > best[1]):
        best = (m.group(1), int(m.group(2)))
print(best[0] if best else "")')
    [ -n "$id" ]
  }
  # The placeholder map on screen: a screenshot whose plot area shows it.
  # The window is looked up again each time: one seen while the application starts may be gone.
  placeholder_shown() {
    find_window && xwininfo -id "$id" > "$work/info" 2> /dev/null &&
      xwd -root -silent > "$work/screen.xwd" &&
      /usr/bin/python3 "$here/check_placeholder.py" "$xwdpy" "$work/screen.xwd" "$work/info" > "$work/check" 2>&1
  }
  status=0
  wait_for 60 "the Tonalith window" find_window || status=1
  [ "$status" -ne 0 ] || wait_for 60 "the placeholder map on screen" placeholder_shown || { status=1; cat "$work/check"; }
  kill "$pid" 2> /dev/null || true
  wait "$pid" 2> /dev/null || true
  exit "$status"
fi

app=$1
xwdpy=$2
prepare_run xvfb-run xwd xwininfo
on_display "$here/smoke_xvfb.sh" --inside "$app" "$work" "$xwdpy"
cat "$work/check"
grep -q "BundlePath= " "$work/app.out" || { echo "no start-up lines on standard output"; cat "$work/app.out"; exit 1; }

#!/usr/bin/env bash
# The real tonalith under Xvfb, driven from the keyboard through a bad data file and through
# preferences the engine would refuse: the window stays up and says why (the status bar's
# messages are echoed on standard output).
#   bad_input_xvfb.sh TONALITH SAMPLE BAD_FILE
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

source "$here/xvfb_common.sh"

if [ "${1:-}" = "--inside" ]; then
  app=$2
  file=$3
  out=$4
  expected=$5
  QT_QPA_PLATFORM=xcb "$app" "$file" > "$out" 2>&1 &
  pid=$!
  window() {
    local found
    found=$(xdotool search --onlyvisible --name '^Tonalith' 2> /dev/null | tail -n 1) &&
      [ -n "$found" ] && id=$found
  }
  wait_for 60 "the Tonalith window" window || { kill "$pid"; exit 1; }
  # The file named on the command line is read before the first key press counts.
  wait_for 60 "the file to be chosen" grep -q "file selected: " "$out" || { kill "$pid"; exit 1; }
  # Ctrl+R until the expected message is echoed: a key press can reach the display before the
  # window takes the focus.
  for _ in 1 2 3 4 5; do
    window || true # looked up again: a window seen while the application starts may be gone
    xdotool windowfocus --sync "$id" 2> /dev/null || true
    xdotool key ctrl+r
    wait_for 10 "the message '$expected'" grep -qF "$expected" "$out" && break
  done
  # The window and the process are still there.
  kill -0 "$pid" || { echo "tonalith ended"; exit 1; }
  xwininfo -id "$id" > /dev/null || { echo "the window is gone"; exit 1; }
  kill "$pid"
  wait "$pid" 2> /dev/null || true
  exit 0
fi

app=$1
sample=$2
bad=$3
prepare_run xvfb-run xdotool xwininfo

expect() { # output file, text
  grep -qF "$2" "$1" || { echo "expected: $2"; echo "--- got:"; cat "$1"; exit 1; }
  echo "ok: $2"
}

# A file with decimal commas: no data to analyse.
message="decimal_commas.txt has no data: the numbers use a decimal comma, but they must use a decimal point (1.5, not 1,5)"
on_display "$here/bad_input_xvfb.sh" --inside "$app" "$bad" "$work/bad.out" "$message"
expect "$work/bad.out" "$message"

# Preferences the engine would refuse, written by hand into the settings file.
mkdir -p "$XDG_CONFIG_HOME/Tonalith"
printf '[General]\npointsPerWindow=5000\nnumberOfTapers=abc\n' > "$XDG_CONFIG_HOME/Tonalith/Tonalith.conf"
message="window length 5000 exceeds the 2001 samples of the series"
on_display "$here/bad_input_xvfb.sh" --inside "$app" "$sample" "$work/prefs.out" "$message"
expect "$work/prefs.out" "$message"

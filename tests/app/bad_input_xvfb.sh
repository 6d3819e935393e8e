#!/usr/bin/env bash
# The real tonalith under Xvfb, driven from the keyboard through a bad data file and through
# preferences the engine would refuse: the window stays up and says why (the status bar's
# messages are echoed on standard output).
#   bad_input_xvfb.sh TONALITH SAMPLE BAD_FILE
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" = "--inside" ]; then
  app=$2
  file=$3
  out=$4
  QT_QPA_PLATFORM=xcb "$app" "$file" > "$out" 2>&1 &
  pid=$!
  id=""
  for _ in $(seq 1 150); do
    id=$(xdotool search --name '^Tonalith' 2> /dev/null | tail -n 1 || true)
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || { echo "no window"; kill "$pid"; exit 1; }
  sleep 1
  xdotool windowfocus --sync "$id" 2> /dev/null || true
  xdotool key ctrl+r
  sleep 2
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
for tool in xvfb-run xdotool xwininfo; do
  command -v "$tool" > /dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"

expect() { # output file, text
  grep -qF "$2" "$1" || { echo "expected: $2"; echo "--- got:"; cat "$1"; exit 1; }
  echo "ok: $2"
}

# A comma-separated file: no data to analyse.
xvfb-run -a -s "-screen 0 1400x1000x24" "$here/bad_input_xvfb.sh" --inside "$app" "$bad" "$work/bad.out"
expect "$work/bad.out" "commas.csv has no value column: the lines look comma-separated, but fields must be separated by tabs"

# Preferences the engine would refuse, written by hand into the settings file.
mkdir -p "$XDG_CONFIG_HOME/Tonalith"
printf '[General]\npointsPerWindow=5000\nnumberOfTapers=abc\n' > "$XDG_CONFIG_HOME/Tonalith/Tonalith.conf"
xvfb-run -a -s "-screen 0 1400x1000x24" "$here/bad_input_xvfb.sh" --inside "$app" "$sample" "$work/prefs.out"
expect "$work/prefs.out" "window length 5000 exceeds the 2001 samples of the series"

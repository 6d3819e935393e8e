# Shared by the tests that drive the real window on a virtual display. Sourced, not run.

# wait_for SECONDS WHAT COMMAND...: runs COMMAND until it succeeds; gives up after SECONDS
# with a message that names WHAT was waited for.
wait_for() {
  local seconds=$1 what=$2
  shift 2
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    if [ "$SECONDS" -ge "$deadline" ]; then
      echo "gave up after ${seconds} s waiting for $what"
      return 1
    fi
    sleep 0.1
  done
}

# on_display SCRIPT ARGS...: runs SCRIPT on a fresh virtual display of its own. The display
# number is chosen by xvfb-run; the tests holding the xvfb resource lock never start two at
# once. What Xvfb itself says goes to the test's output when it fails.
on_display() {
  local log
  log=$(mktemp)
  if ! xvfb-run -a -e "$log" -s "-screen 0 1400x1000x24" "$@"; then
    echo "--- the virtual display said:"
    cat "$log"
    rm -f "$log"
    return 1
  fi
  rm -f "$log"
}

# prepare_run TOOL...: skips the test (exit 77) when a tool is missing; otherwise makes the
# test's folder $work, removed at exit, and keeps the application's settings and data in it.
prepare_run() {
  local tool
  for tool in "$@"; do
    command -v "$tool" > /dev/null || { echo "skipped: $tool is not installed"; exit 77; }
  done
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
}

#!/usr/bin/env bash
# The layers as the tree shows them: engine/ knows only itself, core/ no Qt and no widget,
# Qplot/ nothing of the engine, cli/ and python/ nothing of app/, and no front end the engine
# itself.
#   layers.sh SOURCE_DIR
set -uo pipefail
cd "$1"
status=0
refuse() { # folder, pattern, what
  local found
  found=$(grep -rnE "$2" --include='*.h' --include='*.cpp' "$1" 2> /dev/null)
  if [ -n "$found" ]; then
    echo "$1/ must not $3:"
    echo "$found"
    status=1
  fi
}
refuse engine '#include ["<](core|Qplot|app|cli|python)/|#include <Q' "include the layers above it or Qt"
refuse core '#include ["<](Qplot|app|cli|python)/|#include <Q|#include <qwt' "include Qt, the plot layer or a front end"
refuse Qplot '#include ["<](engine|app|cli|python)/|#include "core/(analysis|series)/' "include the engine, a front end or the engine's users in core"
refuse cli '#include ["<]app/' "include the window"
refuse figures '#include ["<](engine|app|cli|python)/' "include the engine or a front end"
# The front ends reach the engine only through core/, and the tool draws only in its figures.
for front in app cli python Qplot figures; do
  [ -d "$front" ] && refuse "$front" '#include ["<]engine/' "include the engine (use core/)"
done
found=$(grep -lE '#include ["<](Qplot/|Q[A-Za-z]+>|qwt)' cli/*.cpp cli/*.h 2> /dev/null |
        grep -vE '^cli/(Figures|OffscreenApplication)\.(h|cpp)$')
if [ -n "$found" ]; then
  echo "cli/ must draw only in its figure units:"
  echo "$found"
  status=1
fi
# The R package's own sources (not the copies of core and the engine its configure makes).
if [ -d r/src ]; then
  found=$(grep -nE '#include ["<](engine|app|cli|python|Qplot|figures)/|#include <Q' r/src/*.cpp r/src/rpackage/*.h 2> /dev/null)
  if [ -n "$found" ]; then
    echo "r/src/ must reach the engine only through core/, and include no window or other front end:"
    echo "$found"
    status=1
  fi
fi
[ -d python ] && refuse python '#include ["<](app|Qplot)/|#include <Q' "include the window or Qt"
refuse . '#include "[A-Za-z_0-9]+\.h"' "include a header without naming its folder"
[ "$status" -eq 0 ] && echo "the layers hold"
exit "$status"

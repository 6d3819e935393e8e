#!/usr/bin/env bash
# The R package's source tarball as the build makes it: r/ copied (its links into the checkout
# followed), the tool's fixtures added to its tests, then R CMD build.
#   stage.sh SOURCE_DIR TONALITH_CLI FOLDER   -> FOLDER/tonalith_<version>.tar.gz
set -euo pipefail
source=$(realpath "$1")
cli=$(realpath "$2")
folder=$3
rm -rf "$folder/stage"
mkdir -p "$folder/stage"
folder=$(realpath "$folder")
cp -RL "$source/r" "$folder/stage/tonalith"
# What an install from the checkout left behind goes; configure makes it again.
(cd "$folder/stage/tonalith" && ./cleanup)
"$source/tests/r/fixtures.sh" "$cli" "$source/app/resources/etp.txt" \
  "$folder/stage/tonalith/tests/testthat/fixtures"
cd "$folder"
R CMD build --no-build-vignettes --no-manual stage/tonalith > build.log 2>&1 || {
  cat build.log >&2
  exit 1
}

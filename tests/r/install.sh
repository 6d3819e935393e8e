#!/usr/bin/env bash
# The tarball installed, with its tests, into LIBRARY emptied first: it needs nothing of the
# checkout.
#   install.sh TARBALL LIBRARY
set -euo pipefail
rm -rf "$2"
mkdir -p "$2"
cd "$(dirname "$2")"
R CMD INSTALL --install-tests --no-multiarch -l "$2" "$1" > install.log 2>&1 || {
  cat install.log >&2
  exit 1
}
echo "installed $(basename "$1") into $2"

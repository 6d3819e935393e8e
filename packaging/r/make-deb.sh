#!/usr/bin/env bash
# The Debian package r-cran-tonalith: the R package installed into /usr/lib/R/site-library,
# its dependencies those dpkg-shlibdeps finds for its library plus R and Rcpp, checked with
# lintian (no errors, no warnings). It installs beside the package tonalith.
#   make-deb.sh TARBALL OUTDIR [INSTALLED]
# INSTALLED: the package as R CMD INSTALL already installed it (from TARBALL); without it, the
# tarball is installed here.
set -euo pipefail
tarball=$(realpath "$1")
out=$2
here=$(dirname "$(realpath "$0")")
version=$(tar -xzOf "$tarball" tonalith/DESCRIPTION | sed -n 's/^Version: *//p')
debian_version="$version" # a native package, as tonalith itself
rm -rf "$out"
mkdir -p "$out"
out=$(realpath "$out")
root="$out/root"
library="$root/usr/lib/R/site-library"
mkdir -p "$library"
if [ $# -ge 3 ]; then
  cp -R "$3" "$library/tonalith"
else
  R CMD INSTALL --no-multiarch -l "$library" "$tarball" > "$out/install.log" 2>&1 ||
    { cat "$out/install.log" >&2; exit 1; }
fi
# What a Debian R package leaves out: its tests and the build's leftovers.
rm -rf "$library/tonalith/tests" "$library/00LOCK-"* "$library/tonalith/LICENSE"
strip --strip-unneeded --remove-section=.comment --remove-section=.note \
  "$library/tonalith/libs/tonalith.so"
find "$root" -type d -exec chmod 0755 {} +
find "$root" -type f -exec chmod 0644 {} +
doc="$root/usr/share/doc/r-cran-tonalith"
mkdir -p "$doc"
cp "$here/../copyright" "$doc/copyright"
sed "s/@VERSION@/$debian_version/" "$here/changelog.in" | gzip -9n > "$doc/changelog.gz"

mkdir -p "$out/debian" "$root/DEBIAN"
# dpkg-shlibdeps reads debian/control from the folder it runs in.
printf 'Source: r-cran-tonalith\n\nPackage: r-cran-tonalith\nArchitecture: amd64\n' \
  > "$out/debian/control"
shlibs=$(cd "$out" && dpkg-shlibdeps -O -e"$library/tonalith/libs/tonalith.so" 2>/dev/null |
         sed -n 's/^shlibs:Depends=//p')
r_api=$(dpkg-query -W -f='${Provides}' r-base-core | grep -oE 'r-api-[0-9.]+' | head -1)
cat > "$root/DEBIAN/control" <<CONTROL
Package: r-cran-tonalith
Version: $debian_version
Architecture: amd64
Maintainer: Tonalith developers <tonalith@users.noreply.github.com>
Installed-Size: $(du -sk "$root/usr" | cut -f1)
Depends: $shlibs, r-base-core (>= 4.1), $r_api, r-cran-rcpp
Section: gnu-r
Priority: optional
Homepage: https://github.com/tonalith/tonalith
Description: GNU R evolutive multitaper harmonic analysis and cyclostratigraphy
 The R package tonalith: evolutive multitaper harmonic analysis of one
 record with Thomson's harmonic F-test, the whole record's spectrum with
 red-noise backgrounds, line tracing and age models, and the astronomical
 test of a record over trial sedimentation rates (TimeOpt) with its
 evolutive form and the average spectral misfit, as data frames. Its
 numbers are those of the Tonalith window, its command-line tool and its
 Python module, bit for bit: it is built from the same engine and core
 libraries.
CONTROL
deb="$out/r-cran-tonalith_${debian_version}_amd64.deb"
dpkg-deb --build --root-owner-group "$root" "$deb" > /dev/null
lintian --no-tag-display-limit "$deb" > "$out/lintian" 2>&1 || true
if grep -E '^[EW]: ' "$out/lintian"; then
  echo "lintian reports errors or warnings on $deb" >&2
  exit 1
fi
# The package as installed from the .deb at work.
dpkg-deb -x "$deb" "$out/extracted"
R_LIBS="$out/extracted/usr/lib/R/site-library" Rscript -e '
  a <- tonalith::analyze(tonalith::read_record(system.file("extdata", "etp.txt",
                         package = "tonalith")), records = tempdir())
  stopifnot(identical(dim(a$amplitude), c(65L, 246L)))' ||
  { echo "the package from $deb does not work" >&2; exit 1; }
echo "r-cran-tonalith: $deb (lintian clean)"

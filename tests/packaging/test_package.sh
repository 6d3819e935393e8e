#!/usr/bin/env bash
# The Debian package: built by CPack from this build, its contents, lintian without errors, and
# the extracted tool and module at work. The manual page documents every option of the tool.
#   test_package.sh BUILD_DIR SOURCE_DIR
# Warnings lintian may give and we accept: none at present (its informational tags about
# hardening flags, .comment sections and data files in /usr/share/tonalith are not warnings).
set -euo pipefail
build="$1"
source="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$work/package" > "$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack"; }
version="$("$build/bin/tonalith-cli" --version | cut -d' ' -f2)"
deb="$work/package/tonalith_${version}_amd64.deb"
[ -f "$deb" ] || fail "no $deb"

dpkg-deb --contents "$deb" | awk '{print $6}' > "$work/contents"
for path in ./usr/bin/tonalith ./usr/bin/tonalith-cli \
    ./usr/lib/python3/dist-packages/tonalith/__init__.py \
    ./usr/lib/python3/dist-packages/tonalith/_core.cpython- \
    ./usr/lib/python3/dist-packages/tonalith/_core.pyi \
    ./usr/lib/python3/dist-packages/tonalith/py.typed \
    ./usr/share/man/man1/tonalith.1.gz ./usr/share/man/man1/tonalith-cli.1.gz \
    ./usr/share/applications/io.github.tonalith.Tonalith.desktop \
    ./usr/share/icons/hicolor/scalable/apps/io.github.tonalith.Tonalith.svg \
    ./usr/share/metainfo/io.github.tonalith.Tonalith.metainfo.xml \
    ./usr/share/doc/tonalith/copyright ./usr/share/tonalith/etp.txt; do
  grep -q "^$path" "$work/contents" || fail "the package lacks $path"
done

lintian --no-tag-display-limit "$deb" > "$work/lintian" 2>&1 || true
if grep -E '^[EW]: ' "$work/lintian"; then fail "lintian reports errors or warnings"; fi

dpkg-deb -x "$deb" "$work/root"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/io.github.tonalith.Tonalith.metainfo.xml" \
  > "$work/appstream" 2>&1 || { cat "$work/appstream"; fail "AppStream metadata"; }
[ "$("$work/root/usr/bin/tonalith-cli" --version)" = "tonalith-cli $version" ] || fail "--version"
(cd "$work" && PYTHONPATH="$work/root/usr/lib/python3/dist-packages" /usr/bin/python3 - \
    "$work/root/usr/share/tonalith/etp.txt" "$version" <<'PY'
import sys
import tonalith
assert tonalith.__version__ == sys.argv[2], tonalith.__version__
s = tonalith.load(sys.argv[1])
a = tonalith.analyze(s.positions, s.values, window=400, step=100)
assert a.amplitude.shape == (17, 246), a.amplitude.shape
assert any(abs(f - 1 / 41) < 1e-3 for f in a.peaks()["frequency"]), "no obliquity line"
PY
) || fail "the extracted module"

# Every option of the tool is in its manual page.
zcat "$work/root/usr/share/man/man1/tonalith-cli.1.gz" | sed 's/\\-/-/g' > "$work/page"
for option in $("$build/bin/tonalith-cli" --help | grep -oE -- '--[a-z][a-z-]+' | sort -u); do
  grep -q -- "$option" "$work/page" || fail "tonalith-cli(1) does not document $option"
done
man -l "$work/root/usr/share/man/man1/tonalith.1.gz" > /dev/null 2>&1 || fail "tonalith(1) does not render"
echo "package: $deb checked"

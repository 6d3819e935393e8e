#!/usr/bin/env bash
# Side-by-side timing of tonalith-cli and the independent double-precision reference
# implementation, as whole processes writing the same rows to a file.
#   bench/compare_reference.sh [REFERENCE_DIR]   (default ../shared/tools)
set -euo pipefail
cd "$(dirname "$0")/.."
tools=${1:-../shared/tools}
cli=build/bin/tonalith-cli
[ -x "$cli" ] || { echo "build first (scripts/test)"; exit 2; }
[ -f "$tools/eha_reference.py" ] || { echo "reference not found in $tools"; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 "$tools/make_series.py" "$work" --big-n 200000 --only big > /dev/null

measure() { # label, command...
  local label=$1; shift
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" > /dev/null 2> "$work/stderr" || { cat "$work/stderr"; exit 1; }
  read -r secs kb < "$work/time"
  printf '%-34s %8.2f s %8.1f MB\n' "$label" "$secs" "$(echo "$kb / 1024" | bc -l)"
  echo "$secs"  > "$work/last"
}

ratio() { echo "scale=3; $1 / $2" | bc -l; }

echo "sample (etp.txt, defaults):"
measure "  tonalith-cli" "$cli" analyze app/resources/etp.txt --quiet -o "$work/ours.tsv"; ours=$(cat "$work/last")
measure "  reference" /usr/bin/python3 "$tools/eha_reference.py" app/resources/etp.txt --out "$work/ref.tsv" --header; ref=$(cat "$work/last")
echo "  ratio $(ratio "$ours" "$ref")"

echo "long series (200000 samples, window 2000, step 10, nfft 8192):"
measure "  tonalith-cli" "$cli" analyze "$work/big_200000.tsv" --window 2000 --step 10 --nfft 8192 --quiet -o "$work/big_ours.tsv"; ours=$(cat "$work/last")
measure "  reference" /usr/bin/python3 "$tools/eha_reference.py" "$work/big_200000.tsv" --mpts 2000 --inc 10 --nfft 8192 --out "$work/big_ref.tsv" --header; ref=$(cat "$work/last")
echo "  ratio $(ratio "$ours" "$ref")"

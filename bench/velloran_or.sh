#!/usr/bin/env bash
# Compares "velloran -o" with awk '!seen[$0]++' and sort -u on one generated
# file (default 1,000,000 lines, about 70 MB, half of them distinct), then
# times "velloran -r" on the same source. Each command runs three times in
# this one run; wall, user and system seconds and peak memory are printed.
#
# Usage: bench/velloran_or.sh [build folder] [lines]
#   build folder: where bin/velloran and bench/velloran_bench were built
#   (default: build).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-build}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
lines="${2:-1000000}"
velloran="$build/bin/velloran"
gen="$build/bench/velloran_bench"
for f in "$velloran" "$gen"; do
  [ -x "$f" ] || { echo "not built: $f (run: cmake --build $build --target velloran velloran_bench)" >&2; exit 2; }
done

work="$(mktemp -d "${TMPDIR:-/tmp}/velloran_or.XXXXXX")"
trap 'rm -rf "$work"' EXIT
cp "$velloran" "$work/velloran"
cd "$work"
"$gen" --generate "$lines" src.txt
echo "file: $lines lines, $(stat -c %s src.txt) bytes; awk is $(readlink -f "$(command -v awk)"); LC_ALL=${LC_ALL:-} LANG=${LANG:-}"

run() {  # label, command...
  local label="$1"
  shift
  for i in 1 2 3; do
    if [ -x /usr/bin/time ]; then
      /usr/bin/time -f "$(printf '%-26s' "$label") %e s wall  %U s user  %S s sys  %M KiB peak" "$@" >/dev/null 2>time.txt ||
        { cat time.txt >&2; exit 1; }
      tail -n 1 time.txt
    else
      local t0 t1
      t0=$(date +%s.%N)
      "$@" >/dev/null
      t1=$(date +%s.%N)
      printf '%-26s %.3f s wall\n' "$label" "$(echo "$t1 - $t0" | bc)"
    fi
  done
}

run "velloran -o" ./velloran -o src.txt
run "awk '!seen[\$0]++'" awk '!seen[$0]++' src.txt
run "sort -u" sort -u src.txt -o sorted.txt
echo "kept lines: velloran $(wc -l < 2Optimize_EN/src.txt), awk $(awk '!seen[$0]++' src.txt | wc -l), sort -u $(wc -l < sorted.txt)"

# The translation for -r: every English line with a prefix.
mkdir -p 3Optimize_RU
sed 's/^/RU /' 2Optimize_EN/src.txt > 3Optimize_RU/src.txt
run "velloran -r" ./velloran -r src.txt
echo "recovered lines: $(wc -l < 4Recover_RU/src.txt)"

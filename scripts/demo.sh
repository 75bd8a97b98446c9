#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole translation cycle on
# the bundled sample in a fresh temporary folder:
#   korvane extract -> velloran -o -> (the sample translation) -> velloran -r
#   -> korvane replace (into a copy) -> a fresh extraction of the result.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/install-deps.sh
bash scripts/build.sh build --target korvane velloran >/dev/null
echo "Built build/bin/korvane and build/bin/velloran"

work="$(mktemp -d /tmp/kv-demo.XXXXXX)"
cp build/bin/korvane build/bin/velloran "$work/"
cp samples/script_list.txt samples/dialog.dat "$work/"
cd "$work"
echo "Working folder: $work"

step() {
  echo
  echo "\$ $*"
  "$@" </dev/null | sed 's/^/  | /'
}

step ./korvane extract dialog.dat dialog.txt
echo "  dialog.txt ($(wc -l <dialog.txt) lines):"; sed 's/^/    /' dialog.txt | tr -d '\r'
step ./velloran -o dialog.txt
echo "  2Optimize_EN/dialog.txt ($(wc -l <2Optimize_EN/dialog.txt) lines, repeats removed)"
mkdir -p 3Optimize_RU
cp "$root/samples/dialog.ru.txt" 3Optimize_RU/dialog.txt
echo
echo "\$ cp samples/dialog.ru.txt 3Optimize_RU/dialog.txt    # the translator's work"
step ./velloran -r dialog.txt
echo "  4Recover_RU/dialog.txt:"; sed 's/^/    /' 4Recover_RU/dialog.txt | tr -d '\r'
step ./korvane replace dialog.dat 4Recover_RU/dialog.txt -out_data dialog_ru.dat
echo "  dialog.dat: $(stat -c %s dialog.dat) bytes (unchanged); dialog_ru.dat: $(stat -c %s dialog_ru.dat) bytes"
step ./korvane extract dialog_ru.dat check.txt
echo
if cmp -s check.txt 4Recover_RU/dialog.txt; then
  echo "OK: a fresh extraction of dialog_ru.dat equals 4Recover_RU/dialog.txt"
else
  echo "MISMATCH between check.txt and 4Recover_RU/dialog.txt"
  diff check.txt 4Recover_RU/dialog.txt || true
  exit 1
fi

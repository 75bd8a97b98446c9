#!/usr/bin/env bash
# Builds the libFuzzer programs (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz and runs each fuzz target for a
# set time, keeping what it finds under tests/fuzz/corpus/<name>/.
#
# Usage: scripts/fuzz.sh [seconds per target, default 60] [target names...]
#   KV_FUZZ_JOBS   fuzzer processes at a time (default 2)
#   KV_FUZZ_BUILD  build folder (default build-fuzz)
#   KV_FUZZ_ARGS   further libFuzzer options (e.g. -len_control=0 for long inputs at once)
# A crash or a broken property leaves its input as
# <build folder>/findings/<name>/crash-* and makes the script exit with 1.
# Afterwards each corpus is merged down to the inputs that add coverage.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
seconds="${1:-60}"
shift || true
build="${KV_FUZZ_BUILD:-build-fuzz}"
jobs="${KV_FUZZ_JOBS:-2}"

if [ "$#" -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for f in tests/fuzz/*_fuzz.cpp; do
    n="$(basename "$f" _fuzz.cpp)"
    targets+=("$n")
  done
fi

CC=clang CXX=clang++ cmake -S "$root" -B "$root/$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_FUZZ=ON -DKV_BUILD_BENCH=OFF >/dev/null
build_targets=()
for t in "${targets[@]}"; do build_targets+=("fuzz_$t"); done
cmake --build "$root/$build" -j2 --target "${build_targets[@]}"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

run_one() {
  local t="$1"
  local corpus="tests/fuzz/corpus/$t" findings="$build/findings/$t" scratch
  mkdir -p "$corpus" "$findings"
  scratch="$(mktemp -d)"
  local status=0
  # New inputs go to a scratch folder first, then only those that add
  # coverage are merged into the kept corpus.
  "$build/bin/fuzz_$t" "$scratch" "$corpus" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -max_len=8192 -print_final_stats=1 -artifact_prefix="$findings/" ${KV_FUZZ_ARGS:-} \
    >"$findings/last.log" 2>&1 || status=$?
  # Minimize: a fresh folder receives the smallest set of inputs that keeps
  # the coverage of the old corpus and the new inputs; the seeds and the
  # inputs of findings (seed_*, finding_*) always stay.
  local fresh
  fresh="$(mktemp -d)"
  if "$build/bin/fuzz_$t" -merge=1 "$fresh" "$corpus" "$scratch" >>"$findings/merge.log" 2>&1; then
    cp -n "$corpus"/seed_* "$corpus"/finding_* "$fresh"/ 2>/dev/null || true
    rm -rf "$corpus"
    mkdir -p "$corpus"
    cp "$fresh"/* "$corpus"/ 2>/dev/null || true
  fi
  rm -rf "$scratch" "$fresh"
  if [ "$status" -ne 0 ]; then
    echo "fuzz_$t: FINDING (exit $status), see $findings/"
    return 1
  fi
  echo "fuzz_$t: ran ${seconds}s, corpus $(ls "$corpus" | wc -l) inputs"
}

failed=0
running=0
pids=()
for t in "${targets[@]}"; do
  run_one "$t" &
  pids+=("$!")
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n || failed=1
    running=$((running - 1))
  fi
done
while [ "$running" -gt 0 ]; do
  wait -n || failed=1
  running=$((running - 1))
done
exit "$failed"

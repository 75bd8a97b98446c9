#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once in a normal
# build and once under AddressSanitizer and UndefinedBehaviorSanitizer, then
# the Windows build under Wine with its smoke subset (KV_TEST_WINDOWS=0
# leaves it out). The builds treat compiler warnings as errors.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/install-deps.sh
jobs="$(nproc)"
export KV_WERROR=ON

echo "== build (release)"
bash scripts/build.sh build
echo "== tests (release)"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== build (address and undefined-behaviour sanitizers)"
bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_SANITIZE=ON -DKV_BUILD_BENCH=OFF
echo "== tests (sanitizers)"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  KV_SLOW_TESTS_OFF=1 ctest --test-dir build-asan --output-on-failure -j"$jobs"
if [ "${KV_TEST_WINDOWS:-1}" != 0 ]; then
  echo "== Windows build and smoke subset under Wine"
  bash scripts/build-windows.sh --smoke
fi
echo "All tests passed."

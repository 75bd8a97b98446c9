#!/usr/bin/env bash
# Configures and builds. Usage:
#   scripts/build.sh FOLDER [CMAKE ARGS...] [--target T...]
# The options that select what is built are always set explicitly, so that
# one run never leaves another's choice in the folder's cache.
# KV_WERROR=ON turns compiler warnings into errors (the test command does).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-build}"
shift || true
args=(-DKV_BUILD_TESTS=ON -DKV_BUILD_BENCH=ON -DKV_SANITIZE=OFF
  -DCMAKE_COMPILE_WARNING_AS_ERROR="${KV_WERROR:-OFF}")
targets=()
while [ $# -gt 0 ]; do
  if [ "$1" = "--target" ]; then
    shift
    targets+=("$@")
    break
  fi
  args+=("$1")
  shift
done
cmake -S "$root" -B "$root/$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "${args[@]}" >/dev/null
if [ ${#targets[@]} -gt 0 ]; then
  cmake --build "$root/$dir" -j"$(nproc)" --target "${targets[@]}"
else
  cmake --build "$root/$dir" -j"$(nproc)"
fi

#!/usr/bin/env bash
# Configures and builds into the given folder (default: build) with extra
# CMake arguments. Usage: scripts/build.sh [folder] [cmake args...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-build}"
shift || true
cmake -S "$root" -B "$root/$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$root/$dir" -j"$(nproc)"

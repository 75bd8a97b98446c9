#!/usr/bin/env bash
# Installs what is missing, builds, and shows the programs on the bundled sample.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/install-deps.sh
bash scripts/build.sh build -DKV_BUILD_TESTS=OFF -DKV_BUILD_BENCH=OFF
echo "Built: build/bin/korvane and build/bin/velloran"

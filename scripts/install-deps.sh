#!/usr/bin/env bash
# Installs the Debian packages that are missing (as root, or through sudo).
#   scripts/install-deps.sh                          the build and test dependencies
#   scripts/install-deps.sh [--no-recommends] PKG…   the packages named
set -euo pipefail
recommends=()
if [ "${1:-}" = "--no-recommends" ]; then
  recommends=(--no-install-recommends)
  shift
fi
pkgs=("$@")
[ ${#pkgs[@]} -gt 0 ] ||
  pkgs=(cmake g++ ninja-build pkg-config libpcre2-dev libicu-dev libgettextpo-dev gettext libgtest-dev libbenchmark-dev)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${recommends[@]}" "${missing[@]}" >/dev/null
fi

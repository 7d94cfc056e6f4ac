#!/usr/bin/env bash
# Installs everything the build and the tests need, on Debian 12, as root.
set -euo pipefail

packages=(
  cmake ninja-build g++ g++-multilib pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev libstb-dev
  libfreetype-dev fonts-dejavu-core
  clang libclang-rt-14-dev valgrind zip
  # The Windows build and its checks under Wine (scripts/wine-checks.sh).
  g++-mingw-w64-i686 wine wine32:i386 xvfb xauth
)

# Wine's 32-bit loader comes from the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi

#!/usr/bin/env bash
# Installs the Debian packages velmora needs to build, run and test, skipping those present.
# Uses sudo when not run as root.
set -euo pipefail

packages=(g++ clang clang-tidy cmake make pkg-config libsdl2-dev libx11-dev libgtest-dev libbenchmark-dev
          xvfb xauth openbox x11-utils qemu-user valgrind python3 python3-matplotlib)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q '^install ok installed$'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

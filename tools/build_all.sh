#!/usr/bin/env bash
# Builds every build with both compilers: build/gcc/ and build/clang/ each hold velmora,
# velmora-single, velmora-avx and velmora-single-avx (and the tests and benchmarks).
# Usage: tools/build_all.sh [PRESET...]   (default: gcc clang; also: sanitize, debug)
set -euo pipefail
cd "$(dirname "$0")/.."
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(gcc clang)
for preset in "${presets[@]}"; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j"$(nproc)"
done

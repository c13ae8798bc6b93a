#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install_dependencies.sh
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)"
ctest --preset release

#!/usr/bin/env bash
# Installs what is missing, builds the Release build and runs the benchmark once: on the
# desktop's display when there is one, otherwise inside a private Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install_dependencies.sh
cmake --preset gcc >/dev/null
cmake --build --preset gcc --target velmora -j"$(nproc)"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    exec build/gcc/velmora
fi

echo "no usable display: running inside a private Xvfb with openbox (software presentation)"
state=$(mktemp -d)
trap 'bash tests/x_server.sh stop "$state"; rm -rf "$state"' EXIT
bash tests/x_server.sh start "$state"
DISPLAY=$(cat "$state/display") build/gcc/velmora

#!/usr/bin/env bash
# Installs what is missing, builds everything with gcc and with clang and runs the whole
# test suite for each (clang's includes clang-tidy), then the unit tests and one end-to-end
# run built with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install_dependencies.sh
bash tools/build_all.sh gcc clang sanitize
status=0
for preset in gcc clang sanitize; do
    echo "== tests, $preset"
    ctest --preset "$preset" || status=1
done
exit $status

#!/usr/bin/env bash
# Installs what is missing, builds one preset (default: debug) and runs every test.
#   scripts/test.sh [debug|asan|release]
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-debug}

scripts/install-deps.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset"

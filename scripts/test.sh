#!/usr/bin/env bash
# Installs what is missing, builds one preset (default: debug) and runs every test. Under
# continuous integration (CI set and not empty) a warning fails the build, and a test that cannot
# find its fixtures fails instead of being skipped.
#   scripts/test.sh [debug|asan|release]
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-debug}

scripts/install-deps.sh
warnings_as_errors=OFF
if [ -n "${CI:-}" ]; then
  warnings_as_errors=ON
fi
cmake --preset "$preset" -DCMAKE_COMPILE_WARNING_AS_ERROR=$warnings_as_errors >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset"

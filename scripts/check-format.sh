#!/usr/bin/env bash
# Fails when a tracked C++ source is not formatted as .clang-format says (clang-format
# --dry-run --Werror); prints what it would change. Fix with
#   git ls-files '*.h' '*.cpp' | xargs clang-format -i
set -euo pipefail
cd "$(dirname "$0")/.."

git ls-files -z -- '*.h' '*.cpp' | xargs -0 clang-format --dry-run --Werror
echo "check-format: every tracked source is formatted"

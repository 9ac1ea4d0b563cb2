#!/usr/bin/env bash
# Installs what is missing, builds the window in the release preset and starts it. Needs a
# desktop session (X11 or Wayland); pass Qt options such as "-platform offscreen" after it.
#   scripts/run-window.sh [Qt options]
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target quillmere-notes-importer

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [[ "$*" != *-platform* ]]; then
  echo "The window needs a display (neither DISPLAY nor WAYLAND_DISPLAY is set);" \
    "under a virtual one: xvfb-run scripts/run-window.sh" >&2
  exit 1
fi
exec build/release/quillmere-notes-importer "$@"

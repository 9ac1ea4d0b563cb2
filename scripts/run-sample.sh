#!/usr/bin/env bash
# Installs what is missing, builds the command in the release preset, imports the bundled
# sample Notes library (without handing the folder to any application) and lists what it made.
#   scripts/run-sample.sh [extra options of quillmere-notes-import]
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target quillmere-notes-import

folder=$(build/release/cli/quillmere-notes-import --library samples/notes-library.json --no-open "$@" | tail -n 1)
echo
echo "Imported into: $folder"
(cd "$folder" && find . -mindepth 1 | LC_ALL=C sort)

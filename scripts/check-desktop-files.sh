#!/usr/bin/env bash
# Installs a built preset into a scratch prefix and validates what a desktop reads there: the
# desktop entry (desktop-file-validate) and the AppStream metainfo (appstreamcli, offline).
#   scripts/check-desktop-files.sh [debug|asan|release]
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-debug}
id=com.quillmereapp.NotesImporter

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cmake --install "build/$preset" --prefix "$stage" >/dev/null

for file in bin/quillmere-notes-importer bin/quillmere-notes-import \
  "share/applications/$id.desktop" "share/icons/hicolor/scalable/apps/$id.svg" \
  "share/metainfo/$id.metainfo.xml"; do
  [ -s "$stage/$file" ] || { echo "not installed: $file" >&2; exit 1; }
done
desktop-file-validate "$stage/share/applications/$id.desktop"
appstreamcli validate --no-net "$stage/share/metainfo/$id.metainfo.xml"

#!/usr/bin/env bash
# Takes the README's two pictures of the window under a virtual X server (Xvfb): halfway through
# a run of the bundled sample library, and after it. Writes docs/window-during-run.png and
# docs/window-after-run.png. Everything the run writes stays in a private directory that is
# removed afterwards; the folder is "handed over" to a stand-in Quillmere that does nothing.
#   scripts/take-screenshots.sh [debug|asan|release]
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-debug}

scripts/install-deps.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target window_driver

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/tmp" "$work/run"
mkdir -p "$work/config/quillmere-notes-importer" "$work/data/applications" "$work/none" \
  "$work/shots"
# The library and the export both in the stand-in home, which the window writes as "~": the
# pictures show no path of the machine they were taken on.
mkdir -p "$work/Notes"
cp samples/notes-library.json "$work/Notes/notes-library.json"
printf '{"notesLibraryPath": "%s", "exportFolderPath": "%s", "useFirstParagraphAsHeading": true}\n' \
  "$work/Notes/notes-library.json" "$work/Notes" \
  >"$work/config/quillmere-notes-importer/settings.json"
printf '[Desktop Entry]\nType=Application\nName=Quillmere\nExec=true %%F\n' \
  >"$work/data/applications/com.quillmereapp.mac.desktop"

env -u DBUS_SESSION_BUS_ADDRESS -u WAYLAND_DISPLAY \
  HOME="$work" TMPDIR="$work/tmp" XDG_RUNTIME_DIR="$work/run" \
  XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_DATA_DIRS="$work/none" \
  QT_QPA_PLATFORM=xcb \
  xvfb-run --auto-servernum --server-args="-screen 0 1280x800x24" \
  "build/$preset/tests/gui/window_driver" screenshots "$work/shots" 2>"$work/log" ||
  { cat "$work/log" >&2; exit 1; }

for shot in during-run after-run; do
  [ -s "$work/shots/$shot.png" ] || { echo "no $shot picture was taken" >&2; cat "$work/log" >&2; exit 1; }
  cp "$work/shots/$shot.png" "docs/window-$shot.png"
done
echo "docs/window-during-run.png docs/window-after-run.png"

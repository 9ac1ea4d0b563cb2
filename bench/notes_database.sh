#!/usr/bin/env bash
# Times the import of generated Notes databases (NoteStore.sqlite) of 2,000, 20,000 and 100,000
# notes against the floor that only writes the same files, interleaved, and prints for each size
# the medians, their ratio, the CPU per note and the importer's peak resident memory.
#
#   bench/notes_database.sh [SIZES="2000 20000 100000"] [RUNS=3] [BUILD=build/release]
#
# Needs python3 (the generator), the release build of quillmere-notes-import and export_floor,
# and the Notes database fixtures beside the project. Everything is written below one fresh
# directory in $TMPDIR (or /tmp), removed at the end; TMPDIR=/dev/shm measures on tmpfs.
set -euo pipefail
cd "$(dirname "$0")/.."

sizes=${1:-"2000 20000 100000"}
runs=${2:-3}
build=${3:-build/release}
importer=$build/cli/quillmere-notes-import
floor=$build/bench/export_floor
fixture=${QUILLMERE_SHARED_DIR:-../shared}/notestore-fixtures/NoteStore-macOS-12-Monterey.sqlite

work=$(mktemp -d "${TMPDIR:-/tmp}/quillmere-notes-database.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/tmp" "$work/home"
export TMPDIR=$work/tmp HOME=$work/home XDG_CONFIG_HOME=$work/home/.config \
    XDG_DATA_HOME=$work/home/.local/share

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

for notes in $sizes; do
    database=$work/NoteStore-$notes.sqlite
    bench/notes_database_generator.py "$notes" "$fixture" "$database"
    import_once() {  # prints "seconds cpu-seconds peak-KiB"; the export folder in $work/last
        /usr/bin/time -f '%e %U %S %M' -o "$work/time" \
            "$importer" --library "$database" --quiet --no-open >"$work/last" 2>"$work/log"
        awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' "$work/time"
    }
    import_once >/dev/null
    reference=$(tail -n 1 "$work/last")
    imp=() imp_cpu=() imp_kib=() flo=()
    for ((run = 1; run <= runs; ++run)); do
        read -r seconds cpu kib < <(import_once)
        rm -rf "$(dirname "$(tail -n 1 "$work/last")")"
        imp+=("$seconds") imp_cpu+=("$cpu") imp_kib+=("$kib")
        read -r seconds cpu < <("$floor" "$reference" "$work/floor")
        flo+=("$seconds")
        rm -rf "$work/floor"
    done
    rm -rf "$(dirname "$reference")"
    awk -v notes="$notes" -v bytes="$(stat -c %s "$database")" -v imp="$(median "${imp[@]}")" \
        -v flo="$(median "${flo[@]}")" -v cpu="$(median "${imp_cpu[@]}")" \
        -v peak="$(printf '%s\n' "${imp_kib[@]}" | sort -g | tail -n 1)" 'BEGIN {
        printf "notes %6d  database %6.1f MiB  importer %6.2f s  floor %6.2f s  ratio %5.2f" \
               "  CPU/note %4.0f us  peak %5.1f MiB\n", notes, bytes / 1048576, imp, flo,
               imp / flo, cpu * 1e6 / notes, peak / 1024
    }'
    rm -f "$database"
done

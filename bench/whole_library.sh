#!/usr/bin/env bash
# Times the import of a whole generated library against the floor that only writes the same
# files, interleaved, several times each, and prints the medians, their ratio and the importer's
# peak resident memory against its budget (64 MiB plus twice the library file).
#
#   bench/whole_library.sh [NOTES=20000] [RUNS=5] [BUILD=build/release] [IMPORTER]
#
# Needs the release build of quillmere-notes-import, notes_library_generator and export_floor.
# Everything is written below one fresh directory in $TMPDIR (or /tmp), removed at the end;
# TMPDIR=/dev/shm takes the disk's noise out of the comparison.
set -euo pipefail

notes=${1:-20000}
runs=${2:-5}
build=${3:-build/release}
importer=${4:-$build/cli/quillmere-notes-import}
generator=$build/bench/notes_library_generator
floor=$build/bench/export_floor

work=$(mktemp -d "${TMPDIR:-/tmp}/quillmere-whole-library.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/tmp" "$work/home"
export TMPDIR=$work/tmp HOME=$work/home XDG_CONFIG_HOME=$work/home/.config \
    XDG_DATA_HOME=$work/home/.local/share

library=$work/library.json
"$generator" "$notes" "$library"
library_bytes=$(stat -c %s "$library")

import_once() {  # prints "seconds cpu-seconds peak-KiB", leaves the export folder in $work/last
    /usr/bin/time -f '%e %U %S %M' -o "$work/time" \
        "$importer" --library "$library" --quiet --no-open >"$work/last" 2>"$work/log"
    awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' "$work/time"
}

# A first import gives the tree the floor writes, and warms the caches for both.
import_once >/dev/null
reference=$(tail -n 1 "$work/last")

import_seconds=()
import_cpu=()
import_kib=()
floor_seconds=()
floor_cpu=()
for ((run = 1; run <= runs; ++run)); do
    read -r seconds cpu kib < <(import_once)
    rm -rf "$(dirname "$(tail -n 1 "$work/last")")"
    import_seconds+=("$seconds")
    import_cpu+=("$cpu")
    import_kib+=("$kib")
    read -r seconds cpu < <("$floor" "$reference" "$work/floor")
    floor_seconds+=("$seconds")
    floor_cpu+=("$cpu")
    rm -rf "$work/floor"
done

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
import_median=$(median "${import_seconds[@]}")
floor_median=$(median "${floor_seconds[@]}")
import_cpu_median=$(median "${import_cpu[@]}")
floor_cpu_median=$(median "${floor_cpu[@]}")
peak_kib=$(printf '%s\n' "${import_kib[@]}" | sort -g | tail -n 1)

awk -v notes="$notes" -v runs="$runs" -v lib="$library_bytes" -v imp="$import_median" \
    -v flo="$floor_median" -v peak="$peak_kib" -v all_imp="${import_seconds[*]}" \
    -v all_flo="${floor_seconds[*]}" -v imp_cpu="$import_cpu_median" \
    -v flo_cpu="$floor_cpu_median" 'BEGIN {
    printf "notes %d, library %.1f MiB, %d runs each\n", notes, lib / 1048576, runs
    printf "importer  %s s  (runs: %s)\n", imp, all_imp
    printf "floor     %s s  (runs: %s)\n", flo, all_flo
    printf "ratio     %.2f  (target at most 1.5)\n", imp / flo
    printf "CPU       importer %.2f s, floor %.2f s: %.2f (user + system, both threads)\n",
           imp_cpu, flo_cpu, imp_cpu / flo_cpu
    printf "peak RSS  %.1f MiB  (budget %.1f MiB = 64 + 2 x library)\n", peak / 1024,
           64 + 2 * lib / 1048576
}'

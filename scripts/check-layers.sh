#!/usr/bin/env bash
# Fails when a source file includes a header of its own layer's rank or above from another
# layer (an upward or sideways include), or when Qt is included outside the gui layer.
#   scripts/check-layers.sh
#
# The layers come from the table under "## Layers" in README.md, one row per layer:
#   | <rank> | <layer> | `<path>`, `<path>`... | <what it holds> |
# A path ending in "/" holds every file below it; the longest matching path decides a file's
# layer. A file may include its own layer's headers and those of any layer of lower rank.
# Files no row holds (tests/, bench/, fuzz/) are not checked; includes that resolve to no row
# (system and third-party headers, generated code) are not either.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A rank_of_layer
paths=() # "path layer" pairs
while IFS='|' read -r _ rank layer cells _; do
    rank=${rank// /}
    layer=${layer// /}
    [[ $rank =~ ^[0-9]+$ ]] || continue
    rank_of_layer[$layer]=$rank
    for path in $(grep -o '`[^`]*`' <<<"$cells" | tr -d '`'); do
        paths+=("$path $layer")
    done
done < <(sed -n '/^## Layers$/,/^## /p' README.md)
if ((${#paths[@]} == 0)); then
    echo "check-layers: no layer table under \"## Layers\" in README.md" >&2
    exit 1
fi

# Sets `found` to the layer holding `file` (a path from the tree's root), or to nothing.
layer_of() {
    local file=$1 best_length=0 entry path
    found=""
    for entry in "${paths[@]}"; do
        path=${entry% *}
        if [[ $path == */ && $file == "$path"* ]] || [[ $file == "$path" ]]; then
            if ((${#path} > best_length)); then
                found=${entry#* }
                best_length=${#path}
            fi
        fi
    done
}

include_pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*([<"])([^">]+)[">]'
failures=0
while IFS= read -r file; do
    layer_of "$file"
    layer=$found
    [[ -n $layer ]] || continue
    rank=${rank_of_layer[$layer]}
    line_number=0
    while IFS= read -r line; do
        line_number=$((line_number + 1))
        [[ $line =~ $include_pattern ]] || continue
        delimiter=${BASH_REMATCH[1]}
        header=${BASH_REMATCH[2]}
        if [[ $layer != gui && $delimiter == "<" && $header =~ ^Q ]]; then
            echo "$file:$line_number: Qt ($header) outside gui/" >&2
            failures=$((failures + 1))
            continue
        fi
        # A quoted include is looked up beside the including file first, as the compiler does.
        target=$header
        if [[ $delimiter == '"' && -e ${file%/*}/$header && $file == */* ]]; then
            target=$(realpath -m --relative-to=. "${file%/*}/$header")
        fi
        layer_of "$target"
        target_layer=$found
        [[ -n $target_layer && $target_layer != "$layer" ]] || continue
        if ((rank_of_layer[$target_layer] >= rank)); then
            echo "$file:$line_number: $layer includes $header of $target_layer, not a layer below it" >&2
            failures=$((failures + 1))
        fi
    done <"$file"
done < <(git ls-files --cached --others --exclude-standard -- '*.h' '*.cpp')

if ((failures > 0)); then
    echo "check-layers: $failures include(s) against the layer table in README.md" >&2
    exit 1
fi
echo "check-layers: every include goes down the layer table"

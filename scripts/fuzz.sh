#!/usr/bin/env bash
# Builds the libFuzzer targets (the fuzz preset, clang) and runs each from its seed corpus in
# fuzz/corpus/<target>/ for SECONDS seconds (default 20). New inputs go to a scratch folder, so
# the seed corpora stay as they are. Stops at the first crash, leak, hang or sanitizer report and
# leaves the input that caused it in build/fuzz/findings/.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
shift || true

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=($(ls fuzz/corpus))
fi

scripts/install-deps.sh
cmake --preset fuzz >/dev/null
# Only the fuzz targets (and the core under them), not the front ends.
cmake --build --preset fuzz --target "${targets[@]/%/_fuzzer}"
findings=build/fuzz/findings
mkdir -p "$findings"
for target in "${targets[@]}"; do
  scratch=$(mktemp -d)
  echo "fuzzing $target for ${seconds}s" >&2
  if ! build/fuzz/fuzz/"${target}_fuzzer" -max_total_time="$seconds" -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/$target-" \
      "$scratch" "fuzz/corpus/$target" 2>"$findings/$target.log"; then
    tail -n 40 "$findings/$target.log" >&2
    rm -rf "$scratch"
    exit 1
  fi
  grep -E "stat::number_of_executed_units" "$findings/$target.log" >&2 || true
  rm -rf "$scratch"
done

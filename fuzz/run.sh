#!/bin/sh
# run.sh BUILD_DIR SECONDS: runs every fuzz target for SECONDS from its
# hand-made seeds (seeds/NAME) and the minimised corpus kept in the tree
# (corpus/NAME). New inputs go to a scratch directory, not into the tree:
# each run grows its own. Fails on any crash or sanitizer report.
set -eu
build=$1
seconds=$2
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d "${TMPDIR:-/tmp}/quayside-fuzz-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
for target in "$build"/fuzz_*; do
  name=$(basename "$target" | sed 's/^fuzz_//')
  mkdir -p "$scratch/$name"
  echo "fuzzing $name for ${seconds}s"
  # -close_fd_mask=2: the targets' own messages on standard error would only
  # slow them down; libFuzzer's reports still appear.
  if ! "$target" -max_total_time="$seconds" -print_final_stats=1 -close_fd_mask=2 -artifact_prefix="$scratch/" \
      "$scratch/$name" "$here/seeds/$name" "$here/corpus/$name" > "$scratch/$name.log" 2>&1; then
    grep -v -E '^[0-9]{2}-[A-Z][a-z]{2}-[0-9]{4}' "$scratch/$name.log" | tail -n 60
    echo "fuzz target $name failed"
    exit 1
  fi
  grep -E '^stat::number_of_executed_units' "$scratch/$name.log" || true
done

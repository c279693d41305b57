#!/bin/sh
# minimise.sh BUILD_DIR [GROWN_DIR]: makes each target's corpus in the tree
# anew as the smallest set of inputs that reaches the coverage edges of the
# seeds, the corpus and, when given, GROWN_DIR/NAME (inputs a long run grew).
# Run after changing a reader, and commit what changed under corpus/.
set -eu
build=$1
grown=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
for target in "$build"/fuzz_*; do
  name=$(basename "$target" | sed 's/^fuzz_//')
  fresh=$(mktemp -d "${TMPDIR:-/tmp}/quayside-corpus-XXXXXX")
  extra=""
  [ -n "$grown" ] && [ -d "$grown/$name" ] && extra="$grown/$name"
  # Edges alone, without hit counts or compared values: the set stays small.
  # shellcheck disable=SC2086
  "$target" -set_cover_merge=1 -use_counters=0 -use_value_profile=0 -close_fd_mask=3 \
    "$fresh" "$here/seeds/$name" "$here/corpus/$name" $extra > "$fresh.log" 2>&1
  rm -rf "$here/corpus/$name"
  mv "$fresh" "$here/corpus/$name"
  echo "$name: $(ls "$here/corpus/$name" | wc -l) inputs"
  rm -f "$fresh.log"
done

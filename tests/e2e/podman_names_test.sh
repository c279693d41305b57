#!/bin/bash
# Work-unit names that are legal for the client but not as engine names
# still give an image and a container that Podman accepts, and the same
# names in every run, so that a later run finds the container again.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/podman_lib.sh"

use_example exit-code
long=$(printf 'L%.0s' $(seq 300))
for wu in "$TAG-trailing_" "$TAG-three___underscores" "$TAG-UPPER-Case" "$TAG-$long" "%%%!!!"; do
  names=""
  for run in 1 2; do
    run_sim --wu "$wu" --timeout 120
    expect_eq "exit status for $wu (run $run)" 3 "$status"
    name=$(sed -n 's/^creating container //p' "$WORK/log")
    [ -n "$name" ] || fail "no container created for $wu"
    grep -q "invalid reference format" "$WORK/log" && fail "the engine refused the name for $wu"
    names="$names $name"
  done
  set -- $names
  expect_eq "the same container name in both runs for $wu" "$1" "$2"
  [ "${#1}" -le 128 ] || fail "container name longer than 128: $1"
done

finish_test

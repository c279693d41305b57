#!/bin/bash
# The worked example of docs/writing-a-job.md on real Podman: it reads its
# input, reports its progress, keeps a checkpoint, and, stopped from outside
# midway (as at a reboot), goes on from the checkpoint in the next run and
# writes the right sum.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/podman_lib.sh"

use_example sum
name=$TAG-sum
container=$(container_of "$name")
run_sim --wu "$name" --timeout 240 -- 1 &
sim=$!
# Midway: at least five numbers added.
for _ in $(seq 600); do
  [ -f "$SLOT/checkpoint" ] && [ "$(cut -d' ' -f1 "$SLOT/checkpoint")" -ge 5 ] && break
  sleep 0.2
done
[ -f "$SLOT/checkpoint" ] || fail "no checkpoint midway"
fraction=$(cat "$SLOT/fraction_done" 2> /dev/null)
case $fraction in 0.*) ;; *) fail "fraction_done midway: '$fraction'" ;; esac
podman kill "$container" > /dev/null
wait "$sim"
expect_eq "exit status after the stop" 0 "$?"
[ -e "$SLOT/corvo_temporary_exit" ] || fail "no temporary exit after the stop"

KEEP_SLOT=1 run_sim --wu "$name" --timeout 120 -- 1
expect_eq "exit status of the second run" 0 "$status"
expect_eq "finish file" "0" "$(cat "$SLOT/corvo_finish_called")"
expect_log_has "resuming after line"
expect_eq "the sum" "210" "$(cat "$SLOT/output.txt")"
[ -e "$SLOT/checkpoint" ] && fail "the checkpoint was left behind"
expect_eq "container left" "absent" "$(container_status "$container")"

finish_test

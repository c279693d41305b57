#!/bin/bash
# Ends on the client's word on Podman: a quit leaves the container paused and
# the next run in the same slot unpauses it and finishes the job; an abort
# kills and removes the container.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/podman_lib.sh"

use_example hello
name=$TAG-quit
run_sim --wu "$name" --control-file "$REQUESTS" --timeout 240 -- 30 &
sim=$!
wait_for "up" 150 container_status "$(container_of "$name")"
request "<quit/>"
wait "$sim"
status=$?
expect_eq "exit status after a quit" 0 "$status"
[ -e "$SLOT/corvo_finish_called" ] && fail "a quit left a finish file"
expect_eq "container after a quit" "Paused" "$(container_status "$(container_of "$name")")"

KEEP_SLOT=1 run_sim --wu "$name" --timeout 240 -- 30
expect_eq "exit status of the second run" 0 "$status"
expect_log_has "container is paused; unpausing"
expect_log_has "counted to 30; done"
expect_eq "finish file of the second run" "0" "$(cat "$SLOT/corvo_finish_called" 2> /dev/null)"
expect_eq "container after the second run" "absent" "$(container_status "$(container_of "$name")")"

name=$TAG-abort
: > "$REQUESTS"
run_sim --wu "$name" --control-file "$REQUESTS" --timeout 240 -- 120 &
sim=$!
wait_for "up" 150 container_status "$(container_of "$name")"
request "<abort/>"
wait "$sim"
status=$?
expect_eq "exit status after an abort" 0 "$status"
expect_log_has "got abort request from client"
[ -e "$SLOT/corvo_finish_called" ] && fail "an abort left a finish file"
expect_eq "container after an abort" "absent" "$(container_status "$(container_of "$name")")"
image_present "$(image_of "$name")" && fail "an abort left the image"

finish_test

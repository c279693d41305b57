#!/bin/bash
# A client that sends no heartbeat on Podman: after 30 seconds the container
# is paused and quayside ends with exit code 0, keeping it for a later run.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/podman_lib.sh"

use_example hello
name=$TAG-lost
# The image is there already: an image build would wait for the first
# heartbeat, which never comes.
podman build -q -t "$(image_of "$name")" "$JOB_DIR" > /dev/null 2>&1 || fail "building the job's image"
run_sim --wu "$name" --no-heartbeat --timeout 70 -- 60
expect_eq "exit status with a lost client" 0 "$status"
expect_log_has "no heartbeat from client - pausing and exiting"
expect_eq "container of a lost client" "Paused" "$(container_status "$(container_of "$name")")"
[ -e "$SLOT/corvo_finish_called" ] && fail "a lost client left a finish file"

finish_test

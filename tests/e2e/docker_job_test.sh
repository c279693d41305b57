#!/bin/bash
# Whole jobs on the real Docker engine with Debian's own client: a job that
# finishes, one that exits with 3, suspend and resume, a quit and a second
# run in the same slot, an abort (also while suspended), and an image named
# in job.toml kept.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/docker_lib.sh"

use_example hello
run_sim --engine docker --wu hello --timeout 120 -- 3
expect_eq "exit status of the hello job" 0 "$status"
expect_log_has "Using Docker"
expect_log_has "counted to 3; done"
expect_eq "container left by the hello job" "absent" "$(container_status "$(container_of hello)")"
image_present "$(image_of hello)" && fail "the hello job's image was left behind"

use_example exit-code
run_sim --engine docker --wu three --timeout 120
expect_eq "exit status 3" 3 "$status"
expect_eq "finish file 3" "3" "$(cat "$SLOT/corvo_finish_called")"

# Suspend, resume, then quit; the next run in the same slot finishes.
use_example hello
name=pause
: > "$REQUESTS"
run_sim --engine docker --wu "$name" --control-file "$REQUESTS" --timeout 240 -- 25 &
sim=$!
wait_for "up" 120 container_status "$(container_of "$name")"
request "<suspend/>"
wait_for "true" 20 paused "$(container_of "$name")"
request "<resume/>"
wait_for "false" 20 paused "$(container_of "$name")"
request "<quit/>"
wait "$sim"
expect_eq "exit status after a quit" 0 "$?"
expect_eq "paused after a quit" "true" "$(paused "$(container_of "$name")")"
KEEP_SLOT=1 run_sim --engine docker --wu "$name" --timeout 120 -- 25
expect_eq "exit status of the second run" 0 "$status"
expect_log_has "container is paused; unpausing"
expect_log_has "counted to 25; done"
expect_eq "container after the second run" "absent" "$(container_status "$(container_of "$name")")"

# An abort while suspended kills and removes the container and its image.
name=abort
: > "$REQUESTS"
run_sim --engine docker --wu "$name" --control-file "$REQUESTS" --timeout 240 -- 120 &
sim=$!
wait_for "up" 120 container_status "$(container_of "$name")"
request "<suspend/>"
wait_for "true" 20 paused "$(container_of "$name")"
request "<abort/>"
wait "$sim"
expect_eq "exit status after an abort" 0 "$?"
expect_eq "container after an abort" "absent" "$(container_status "$(container_of "$name")")"
image_present "$(image_of "$name")" && fail "an abort left the image"

# An image named in job.toml is the project's: it stays.
use_example exit-code
docker build -q -t quayside-kept:1 "$JOB_DIR" > /dev/null 2>&1 || fail "building the kept image"
printf 'image_name = "quayside-kept:1"\n' > "$JOB_DIR/job.toml"
run_sim --engine docker --wu kept --timeout 120
expect_eq "exit status with a named image" 3 "$status"
image_present quayside-kept:1 || fail "the named image was removed"

finish_test

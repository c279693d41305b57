#!/bin/bash
# A job run by the client simulator on Podman: progress reaches the client,
# a suspend pauses the container and a resume unpauses it; an image named in
# job.toml outlives the job.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/podman_lib.sh"

use_example hello
name=$TAG-count
run_sim --wu "$name" --json --control-file "$REQUESTS" --timeout 240 -- 14 &
sim=$!
wait_for "up" 150 container_status "$(container_of "$name")"
request "<suspend/>"
wait_for "paused" 20 container_status "$(container_of "$name")"
request "<resume/>"
wait_for "up" 20 container_status "$(container_of "$name")"
wait "$sim"
status=$?
expect_eq "exit status" 0 "$status"
expect_eq "finish file" "0" "$(cat "$SLOT/corvo_finish_called")"
# Reports carry the job's fraction done and a CPU time that grows.
fractions=$(grep -o '"fraction_done":[0-9.e+-]*' "$WORK/sim.out" | cut -d: -f2)
cpu=$(grep -o '"current_cpu_time":[0-9.e+-]*' "$WORK/sim.out" | cut -d: -f2 | tail -n 1)
awk -v f="$(echo "$fractions" | tail -n 1)" 'BEGIN { exit !(f > 0 && f <= 1) }' || fail "fraction done: $fractions"
awk -v c="$cpu" 'BEGIN { exit !(c > 0) }' || fail "CPU time: $cpu"
expect_log_has "counted to 14; done"
expect_eq "container left" "absent" "$(container_status "$(container_of "$name")")"
image_present "$(image_of "$name")" && fail "the job's image was left behind"

# An image named in job.toml is the project's, not the job's: it stays.
use_example exit-code
keep=localhost/$TAG-kept:latest
podman build -q -t "$keep" "$JOB_DIR" > /dev/null 2>&1 || fail "building the kept image"
printf 'image_name = "%s"\n' "$keep" > "$JOB_DIR/job.toml"
run_sim --wu "$TAG-kept-job" --timeout 60
expect_eq "exit status with a named image" 3 "$status"
image_present "$keep" || fail "the named image was removed"
expect_eq "container left" "absent" "$(container_status "$(container_of "$TAG-kept-job")")"

finish_test

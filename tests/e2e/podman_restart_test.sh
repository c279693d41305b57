#!/bin/bash
# quayside killed outright while its container runs on Podman, then started
# again in the same slot: the new run adopts the running container (no kill,
# no second start), its job finishes, and nothing is left behind. A
# container stopped from outside starts again at the next run.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/podman_lib.sh"

use_example hello
name=$TAG-restart
container=$(container_of "$name")
run_sim --wu "$name" --timeout 240 -- 25 &
sim=$!
wait_for "up" 150 container_status "$container"
quayside=""
for pid in $(pgrep -x quayside); do
  [ "$(readlink "/proc/$pid/cwd")" = "$SLOT" ] && quayside=$pid
done
[ -n "$quayside" ] || fail "no quayside runs in the slot"
kill -9 "$quayside"
wait "$sim"
# Whatever quayside started ends with it; the container runs on.
for _ in $(seq 50); do
  left=$(for pid in $(pgrep -f 'quayside-guard|^/bin/sh$'); do
    [ "$(readlink "/proc/$pid/cwd" 2> /dev/null)" = "$SLOT" ] && echo "$pid"; done)
  [ -z "$left" ] && break
  sleep 0.1
done
[ -n "$left" ] && fail "processes of the killed quayside are left: $left"
case "$(container_status "$container")" in
  Up*) ;;
  *) fail "the container did not run on: $(container_status "$container")" ;;
esac

KEEP_SLOT=1 run_sim --wu "$name" --timeout 120 -- 25
expect_eq "exit status of the second run" 0 "$status"
expect_eq "finish file of the second run" "0" "$(cat "$SLOT/corvo_finish_called")"
expect_log_has "container is already running"
grep -q "^starting container" "$WORK/log" && fail "the running container was started again"
expect_eq "the job ran once, to its end" 1 "$(grep -c 'hello from the container' "$WORK/log")"
expect_log_has "counted to 25; done"
expect_eq "container left" "absent" "$(container_status "$container")"
image_present "$(image_of "$name")" && fail "the job's image was left behind"

# A container stopped from outside, as an engine that restarts between two
# polls leaves it, is not the job's failure: a temporary exit, and the next
# run starts it again and finishes it.
name=$TAG-stopped
container=$(container_of "$name")
run_sim --wu "$name" --timeout 240 -- 12 &
sim=$!
wait_for "up" 150 container_status "$container"
podman kill "$container" > /dev/null
wait "$sim"
expect_eq "exit status after a stop from outside" 0 "$?"
[ -e "$SLOT/corvo_finish_called" ] && fail "a stop from outside finished the job"
[ -e "$SLOT/corvo_temporary_exit" ] || fail "no temporary exit after a stop from outside"
KEEP_SLOT=1 run_sim --wu "$name" --timeout 120 -- 12
expect_eq "exit status of the run after the stop" 0 "$status"
expect_eq "finish file of the run after the stop" "0" "$(cat "$SLOT/corvo_finish_called")"
expect_log_has "counted to 12; done"
expect_eq "container left after the stop" "absent" "$(container_status "$container")"

finish_test

#!/bin/bash
# Without a heartbeat the client counts as lost after 30 seconds: quayside
# pauses the container and ends with exit code 0, leaving no finish file.
. "$(dirname "$0")/lib.sh"

install_fake_engine wslc.exe '
case "$1" in
  ps) echo "{\"State\":\"running\",\"Status\":\"Up\"}" ;;
esac'
start=$(date +%s)
run_sim --wslc --wu lost --no-heartbeat --timeout 60
took=$(( $(date +%s) - start ))
expect_eq "exit status of a lost client" 0 "$status"
[ "$took" -le 33 ] || fail "took $took seconds to notice the lost client"
expect_eq "the container is paused" "pause corvo__sim.example.org__lost_0" "$(engine_commands | grep -vE '^(ps|stats) ')"
grep -qE '\): No heartbeat from client for 30 sec - exiting$' "$WORK/log" || fail "lost-client line"
expect_log_has "no heartbeat from client - pausing and exiting"
[ -e "$SLOT/corvo_finish_called" ] && fail "a lost client left a finish file"

finish_test

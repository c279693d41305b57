#!/bin/bash
# A second quayside in a slot whose lock is held waits 35 seconds once, then
# asks the client for a temporary exit and ends with 0, leaving the first
# instance's lock alone.
. "$(dirname "$0")/lib.sh"

install_fake_engine wslc.exe '
case "$1" in
  ps) echo "{\"State\":\"running\",\"Status\":\"Up\"}" ;;
esac'
run_sim --wslc --wu held --quit-at 45 --timeout 90 &
sim=$!
for _ in $(seq 100); do [ -e "$SLOT/corvo_lockfile" ] && break; sleep 0.1; done
[ -e "$SLOT/corvo_lockfile" ] || fail "the first instance took no lock"

(cd "$SLOT" && PATH="$BIN_DIR:$PATH" timeout 60 "$QUAYSIDE") > "$WORK/second.out" 2>&1
second=$?
expect_eq "exit status of the second instance" 0 "$second"
expect_eq "temporary exit file" "600
Waiting to acquire slot directory lock.  Another instance may be running." "$(cat "$SLOT/corvo_temporary_exit")"
grep -qE '\): Can.t acquire lockfile \(11\) - waiting 35s$' "$SLOT/stderr.txt" || fail "wait line"
grep -qE '\): Can.t acquire lockfile \(11\) - exiting$' "$SLOT/stderr.txt" || fail "exit line"
grep -qE '\): Error: Resource temporarily unavailable \(0xb\)$' "$SLOT/stderr.txt" || fail "error line"
[ -e "$SLOT/corvo_lockfile" ] || fail "the second instance removed the first one's lock file"
wait "$sim"
expect_eq "the first instance ends on its quit" 0 $?

finish_test

#!/bin/bash
# quayside driven by corvo-sim as the client would, against a fake engine:
# suspend, resume and quit reach the container; a finished job leaves the
# finish file; every runtime line carries the log prefix.
. "$(dirname "$0")/lib.sh"

# The container runs until a file says it has exited with status 3.
install_fake_engine wslc.exe '
case "$1" in
  ps)
    if [ -e "$FAKE_ENGINE_STATE/exited" ]; then
      echo "{\"State\":\"exited\",\"Status\":\"Exited (3) now\"}"
    else
      echo "{\"State\":\"running\",\"Status\":\"Up\"}"
    fi ;;
esac'

run_sim --wslc --wu job --suspend-at 1.5 --resume-at 3.5 --quit-at 5.5 --timeout 60
expect_eq "exit status after a quit" 0 "$status"
expect_eq "suspend, resume and quit" "pause corvo__sim.example.org__job_0
unpause corvo__sim.example.org__job_0
pause corvo__sim.example.org__job_0" "$(engine_commands | grep -vE '^(ps|stats) ')"
[ -e "$SLOT/corvo_finish_called" ] && fail "a quit left a finish file"
[ -e "$SLOT/corvo_lockfile" ] && [ -n "$(cat "$SLOT/corvo_lockfile")" ] && fail "lock file holds text"
expect_log_has "got quit request from client - pausing container"
grep -q '"exit_code"' "$WORK/sim.out" && fail "live mode printed JSON"
grep -qF 'corvo-sim: quayside exited with status 0' "$WORK/sim.err" || fail "corvo-sim did not say how quayside ended"

# A finished job: the finish file holds the status and the lock is gone.
: > "$FAKE_ENGINE_LOG"
touch "$FAKE_ENGINE_STATE/exited"
run_sim --wslc --wu job --json --timeout 60
expect_eq "exit status of a finished job" 3 "$status"
expect_eq "finish file" "3" "$(cat "$SLOT/corvo_finish_called")"
[ -e "$SLOT/corvo_lockfile" ] && fail "the lock file outlived the finish"
grep -qF '"event":"exit","exit_code":3,"corvo_finish_called":"3\n"' "$WORK/sim.out" || fail "JSON end event"
grep -qE '^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:]{8} \([0-9]+\): called corvo_finish\(3\)$' "$WORK/log" ||
  fail "finish line with its prefix"
# The runtime's lines all carry the prefix; the driver's do not.
if grep -E 'Can.t (open|parse|acquire)|called corvo_finish|timer handler' "$WORK/log" |
   grep -vqE '^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:]{8} \([0-9]+\): '; then
  fail "a runtime line without its prefix"
fi
expect_log_has "quayside 23 starting"

# Status messages reach the client: progress every ten seconds, with the
# fraction the job wrote.
rm "$FAKE_ENGINE_STATE/exited"
echo 0.25 > "$JOB_DIR/fraction_done"
run_sim --wslc --wu job --json --ncpus 2 --quit-at 1.5 --timeout 60
# Without figures both CPUs count for the time the container ran: about the
# one second before the first report.
first=$(grep -m 1 '"channel":"status_out","fields":{"current_cpu_time"' "$WORK/sim.out")
echo "$first" | grep -q '"fraction_done":0.25,"wss":100000000.0}' || fail "first status message: $first"
cpu=$(echo "$first" | sed 's/.*"current_cpu_time":\([0-9.e+-]*\).*/\1/')
awk -v c="$cpu" 'BEGIN { exit !(c >= 1.5 && c <= 4) }' || fail "CPU time of the first report: $cpu"
rm "$JOB_DIR/fraction_done"

# The container may make its fraction file anything: a FIFO of that name
# holds up neither the reports nor a quit.
rm -rf "$SLOT"
mkdir -p "$SLOT"
mkfifo "$SLOT/fraction_done"
KEEP_SLOT=1 run_sim --wslc --wu job --json --quit-at 2.5 --timeout 20
expect_eq "exit status of a quit with a FIFO for fraction_done" 0 "$status"
expect_log_has "got quit request from client - pausing container"
grep -q '"fraction_done":0.0' "$WORK/sim.out" || fail "no report with the FIFO in place"

finish_test

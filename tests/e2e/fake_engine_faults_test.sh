#!/bin/bash
# The job rides out a flaky or hung engine, answers the client while engine
# commands run, and never strands a container: a fake Podman reached through
# the engine shell, with faults switched on by files in its state directory.
. "$(dirname "$0")/lib.sh"

# The fake engine: "state" holds the status the state query shows (empty:
# no container); "down" makes every command fail as a stopped service
# does; "down_for N" makes polls fail for N seconds from the first one;
# "exit_code" is the container's status once it has exited; "hang_CMD"
# makes that command hang, its process id left in CMD.pid.
install_fake_engine podman '
S=$FAKE_ENGINE_STATE
if [ -e "$S/hang_$1" ]; then echo $$ > "$S/$1.pid"; exec sleep 1000; fi
if [ -e "$S/down" ]; then echo "Cannot connect to Podman. Is the service running?"; exit 125; fi
case "$1" in
  ps)
    if [ "$2 $3" = "--all --filter" ]; then
      name=${4#name=^}; name=${name%\$}
      [ -s "$S/state" ] && echo "$name|$(cat "$S/state")"
      exit 0
    fi
    name=${4#name=^}; name=${name%\$}
    if [ -e "$S/down_for" ]; then
      [ -e "$S/down_until" ] || echo $(( $(date +%s) + $(cat "$S/down_for") )) > "$S/down_until"
      if [ "$(date +%s)" -lt "$(cat "$S/down_until")" ]; then echo "Cannot connect to Podman."; exit 125; fi
    fi
    if [ -e "$S/kill_shell_once" ]; then rm "$S/kill_shell_once"; kill -9 $PPID; fi
    if [ -e "$S/exit_code" ]; then echo "$name|Exited ($(cat "$S/exit_code")) now";
    else echo "$name|Up 2 seconds"; fi ;;
  stats) echo "5.00% 1MB / 2GB" ;;
  logs) echo "the log" ;;
esac'
S=$FAKE_ENGINE_STATE
# What was done to the container: its queries left out.
commands() { grep -vE '^(ps|stats|inspect)\|' "$FAKE_ENGINE_LOG"; }
start_fresh() { rm -f "$S"/*; : > "$FAKE_ENGINE_LOG"; rm -f "$JOB_DIR/engine_waits"; printf '%s' "$1" > "$S/state"; }

# An engine that fails for 8 seconds and comes back: the job finishes with
# its container's status, and nothing is left.
start_fresh "Created"
echo 8 > "$S/down_for"
echo 5 > "$S/exit_code"
run_quayside
expect_eq "exit status after an 8 s outage" 5 "$status"
expect_eq "finish file after an 8 s outage" 5 "$(cat "$JOB_DIR/corvo_finish_called")"
expect_eq "commands after an 8 s outage" "start|corvo|
logs|corvo|
container|rm|corvo|
image|rm|corvo|" "$(commands)"

# A container found up is adopted: no kill, no start. An engine that then
# stays down ends the run with a temporary exit, the container left as it
# is; the next run, with the engine back, finishes the same container.
start_fresh "Up 14 seconds"
echo 1000 > "$S/down_for"
run_quayside
expect_eq "exit status with the engine gone" 0 "$status"
expect_log_has "container state: Up 14 seconds"
expect_log_has "container is already running"
expect_log_has "engine unreachable: container poll; trying again later"
expect_eq "temporary exit" "60
The container engine can't be reached; the job will go on when it is back." "$(cat "$JOB_DIR/corvo_temporary_exit")"
[ -e "$JOB_DIR/corvo_finish_called" ] && fail "the job was finished while the engine was gone"
expect_eq "nothing done to the container while the engine was gone" "" "$(commands)"
rm -f "$S/down_for" "$S/down_until"
echo 0 > "$S/exit_code"
run_quayside
expect_eq "exit status of the later run" 0 "$status"
expect_eq "the later run finishes the adopted container" "logs|corvo|
container|rm|corvo|
image|rm|corvo|" "$(commands)"
[ -e "$JOB_DIR/engine_waits" ] && fail "the count of waits outlived the engine's return"

# An engine down from the start: tried for 30 seconds, then a temporary
# exit whose delay grows run by run.
start_fresh "Created"
touch "$S/down"
run_quayside
expect_eq "exit status with no engine at start-up" 0 "$status"
expect_eq "first delay" 60 "$(head -n 1 "$JOB_DIR/corvo_temporary_exit")"
run_quayside
expect_eq "second delay" 120 "$(head -n 1 "$JOB_DIR/corvo_temporary_exit")"
rm -f "$JOB_DIR/engine_waits"

# The engine shell killed during a poll: a fresh shell serves the next one
# and the job finishes.
start_fresh "Created"
touch "$S/kill_shell_once"
echo 0 > "$S/exit_code"
run_quayside
expect_eq "exit status after a killed shell" 0 "$status"
expect_log_has "engine shell restarted"

# The finish file can't be written, nor what stands in its place removed:
# the log says so, and the client is asked to run the job again rather
# than trust what stands there; no partial file is left.
start_fresh "Created"
echo 4 > "$S/exit_code"
rm -f "$JOB_DIR/corvo_finish_called"
mkdir -p "$JOB_DIR/corvo_finish_called/in the way"
run_quayside
expect_eq "exit status with an unwritable finish file" 0 "$status"
grep -q "can't write corvo_finish_called: " "$WORK/log" || fail "no message for the unwritable finish file"
expect_eq "temporary exit for the unwritable finish file" "60
corvo_finish_called can't be written or removed (another program may hold it open)." "$(cat "$JOB_DIR/corvo_temporary_exit")"
[ -f "$JOB_DIR/corvo_finish_called" ] && fail "a finish file was left"
ls "$JOB_DIR" | grep -q '^corvo_finish_called\.tmp' && fail "a temporary finish file was left"
rm -r "$JOB_DIR/corvo_finish_called" "$JOB_DIR/corvo_temporary_exit"

# A hung stats and a quit: the container is paused and quayside is gone
# within seconds, the hung engine process with it.
start_fresh "Created"
touch "$S/hang_stats"
started=$(date +%s)
run_sim --wu hang --json --quit-at 4 --timeout 60
elapsed=$(( $(date +%s) - started ))
expect_eq "exit status of a quit during a hung stats" 0 "$status"
expect_log_has "got quit request from client - pausing container"
grep -q '^pause|' "$FAKE_ENGINE_LOG" || fail "the container was not paused"
[ "$elapsed" -le 9 ] || fail "quayside took $elapsed s in all, quit at 4 s"
pid=$(cat "$S/stats.pid")
for _ in $(seq 50); do kill -0 "$pid" 2> /dev/null || break; sleep 0.1; done
kill -0 "$pid" 2> /dev/null && fail "the hung stats outlived quayside"

# An abort during a build stops the build, removes the image it began and
# ends as an abort.
start_fresh ""
touch "$S/hang_build"
run_sim --wu build --json --abort-at 4 --timeout 60
expect_eq "exit status of an abort during a build" 0 "$status"
expect_log_has "client exit request during init"
grep -q '^image|rm|corvo__sim.example.org__build|' "$FAKE_ENGINE_LOG" || fail "the begun image was not removed"
grep -q '^create|' "$FAKE_ENGINE_LOG" && fail "a container was created after the abort"
[ -e "$SLOT/corvo_finish_called" ] && fail "an aborted build left a finish file"
pid=$(cat "$S/build.pid")
for _ in $(seq 50); do kill -0 "$pid" 2> /dev/null || break; sleep 0.1; done
kill -0 "$pid" 2> /dev/null && fail "the build outlived the abort"

# quayside killed outright while an engine command hangs: the engine shell
# and the command go with it.
start_fresh "Created"
touch "$S/hang_start"
(cd "$JOB_DIR" && PATH="$BIN_DIR:$PATH" exec "$QUAYSIDE") > /dev/null 2>&1 &
quayside=$!
for _ in $(seq 100); do [ -e "$S/start.pid" ] && break; sleep 0.1; done
pid=$(cat "$S/start.pid")
kill -9 "$quayside"
wait "$quayside" 2> /dev/null
for _ in $(seq 50); do kill -0 "$pid" 2> /dev/null || break; sleep 0.1; done
kill -0 "$pid" 2> /dev/null && fail "an engine command outlived quayside killed outright"
rm -f "$JOB_DIR/corvo_lockfile"

finish_test

#!/bin/bash
# Finished work is never run again, and a request never turns into a
# failure: a fake Podman whose container exits on its own just before a
# request, is found exited at start-up, or is killed while the engine is
# away; requests during slow engine commands; and the signals of a terminal
# or of a plain kill.
. "$(dirname "$0")/lib.sh"

# The fake's state: "state" is what the start-up query shows; "exit" the
# status the container has once it has exited ("exit_after_stats": it exits
# after the first stats); "hang_CMD" makes that command hang; "down_for N"
# makes polls fail for N seconds from the first one.
install_fake_engine podman '
S=$FAKE_ENGINE_STATE
if [ -e "$S/hang_$1" ]; then exec sleep 1000; fi
case "$1" in
  ps)
    name=${4#name=^}; name=${name%\$}
    if [ "$2 $3" = "--all --filter" ]; then [ -s "$S/state" ] && echo "$name|$(cat "$S/state")"; exit 0; fi
    if [ -e "$S/down_for" ]; then
      [ -e "$S/down_until" ] || echo $(( $(date +%s) + $(cat "$S/down_for") )) > "$S/down_until"
      if [ "$(date +%s)" -lt "$(cat "$S/down_until")" ]; then echo "Cannot connect to Podman."; exit 125; fi
    fi
    if [ -e "$S/exited" ]; then echo "$name|Exited ($(cat "$S/exit")) now"; else echo "$name|Up 2 seconds"; fi ;;
  stats) [ -e "$S/exit_after_stats" ] && touch "$S/exited"; echo "5.00% 1MB / 2GB" ;;
  pause|unpause|kill)
    if [ -e "$S/exited" ]; then echo "Error: container $2 is not running"; exit 125; fi ;;
  logs) echo "the log" ;;
  inspect) cat "$S/oom" 2> /dev/null || echo false ;;
esac'
S=$FAKE_ENGINE_STATE
fresh() { rm -f "$S"/*; : > "$FAKE_ENGINE_LOG"; printf '%s' "$1" > "$S/state"; echo 0 > "$S/exit"; }
commands() { engine_commands | grep -vE '^(ps|stats|inspect) '; }
container=corvo__sim.example.org__job_0

# A suspend or a quit that comes after the container has exited on its own,
# before the next poll: the job finishes with the container's status.
for request in suspend quit; do
  fresh "Created"
  touch "$S/exit_after_stats"
  echo 0 > "$S/exit"
  run_sim --wu job --$request-at 2 --timeout 60
  expect_eq "exit status of a $request after the exit" 0 "$status"
  expect_eq "finish file of a $request after the exit" "0" "$(cat "$SLOT/corvo_finish_called" 2> /dev/null)"
  expect_eq "commands of a $request after the exit" "start $container
pause $container
logs $container
container rm $container
image rm corvo__sim.example.org__job" "$(commands)"
done

# At start-up a container that ended by itself is finished, not run again;
# one that was killed starts again.
fresh "Exited (3) 5 seconds ago"
touch "$S/exited"
echo 3 > "$S/exit"
run_sim --wu job --timeout 60
expect_eq "exit status of a job found exited" 3 "$status"
expect_eq "finish file of a job found exited" "3" "$(cat "$SLOT/corvo_finish_called" 2> /dev/null)"
commands | grep -q '^start ' && fail "a container that ended by itself was started again"
expect_log_has "container has exited with status 3; finishing"
fresh "Exited (137) 5 seconds ago"
run_sim --wu job --quit-at 3 --timeout 60
commands | grep -q "^start $container\$" || fail "a killed container was not started again"

# A container killed while its engine was away is the engine's doing: the job
# makes a temporary exit, and is not finished with the kill's status.
fresh "Created"
echo 12 > "$S/down_for"
echo 137 > "$S/exit"
touch "$S/exited"
run_sim --wu job --timeout 90
expect_eq "exit status after a kill in an outage" 0 "$status"
[ -e "$SLOT/corvo_finish_called" ] && fail "a container killed in an outage finished the job"
[ -e "$SLOT/corvo_temporary_exit" ] || fail "no temporary exit after a kill in an outage"

# An engine that restarts between two polls leaves only the container's
# status: a stop (SIGTERM, or SIGKILL after it) that was not for lack of
# memory is the engine's doing; an out-of-memory kill or a crash is the job's.
while read -r exit oom ends; do
  fresh "Created"
  echo "$exit" > "$S/exit"
  echo "$oom" > "$S/oom"
  touch "$S/exit_after_stats"
  run_sim --wu job --timeout 90
  expect_eq "exit status after a stop with status $exit (out of memory: $oom)" \
    "$([ "$ends" = temporary ] && echo 0 || echo "$ends")" "$status"
  case $ends in
    temporary)
      [ -e "$SLOT/corvo_finish_called" ] && fail "a stop with status $exit (out of memory: $oom) finished the job"
      [ -e "$SLOT/corvo_temporary_exit" ] || fail "no temporary exit after a stop with status $exit" ;;
    *)
      expect_eq "finish file after status $exit (out of memory: $oom)" "$ends" \
        "$(cat "$SLOT/corvo_finish_called" 2> /dev/null)" ;;
  esac
done <<'CASES'
137 false temporary
143 false temporary
137 true 137
137 garbled 137
139 false 139
CASES

# corvo-sim's control file: the words and the messages are sent, each with a
# JSON event; a blank line is passed over and anything else refused, and
# none of them ends corvo-sim before quayside.
fresh "Created"
printf '\nsuspend\n  <resume/>  \nbogus\nquit\n' > "$WORK/requests"
run_sim --wu job --json --control-file "$WORK/requests" --timeout 60
expect_eq "exit status after the control file's quit" 0 "$status"
expect_eq "requests sent" "suspend resume quit" \
  "$(grep -o '"request":"[a-z]*"' "$WORK/sim.out" | cut -d'"' -f4 | tr '\n' ' ' | sed 's/ $//')"
grep -qF "requests:4: unknown request \"bogus\" (suspend, resume, quit or abort); not sent" "$WORK/sim.err" ||
  fail "corvo-sim did not refuse the unknown request"

# A quit or an abort while the image query, the create or the start hangs:
# quayside ends within seconds, as a quit (nothing removed, no finish) or an
# abort (everything removed, no finish) does.
for command in images create start; do
  for request in quit abort; do
    fresh ""
    [ "$command" = start ] && printf 'Created' > "$S/state"
    touch "$S/hang_$command"
    started=$(date +%s)
    run_sim --wu job --$request-at 2 --timeout 60
    took=$(( $(date +%s) - started ))
    expect_eq "exit status of a $request during $command" 0 "$status"
    [ "$took" -le 6 ] || fail "a $request during $command took $took s"
    [ -e "$SLOT/corvo_finish_called" ] && fail "a $request during $command left a finish file"
    grep -q "failed" "$WORK/log" && fail "a $request during $command was reported as a failure"
    if [ "$request" = abort ] && [ "$command" != images ]; then
      commands | grep -q "^container rm $container\$" || fail "an abort during $command left the container"
    fi
    if [ "$request" = quit ]; then
      commands | grep -qE '^(container rm|image rm) ' && fail "a quit during $command removed something"
    fi
  done
done

# A quit while another job holds the machine-wide build lock is answered
# at once, without waiting for that build.
fresh ""
exec 9> "$TMPDIR/corvo_wsl_build.lock"
flock 9
started=$(date +%s)
run_sim --wu job --quit-at 2 --timeout 60
took=$(( $(date +%s) - started ))
exec 9>&-
expect_eq "exit status of a quit while waiting for the build lock" 0 "$status"
[ "$took" -le 6 ] || fail "a quit while waiting for the build lock took $took s"
commands | grep -q '^build ' && fail "the build ran without the lock"

# Ctrl-C, a plain kill and a closed terminal: the container is paused and
# kept, no finish file, exit status 0.
for signal in INT TERM HUP; do
  fresh "Created"
  rm -f "$JOB_DIR/corvo_finish_called" "$JOB_DIR/stderr.txt"
  (cd "$JOB_DIR" && PATH="$BIN_DIR:$PATH" exec timeout 60 "$QUAYSIDE") > "$WORK/log" 2>&1 &
  pid=$!
  for _ in $(seq 100); do grep -q '^start|' "$FAKE_ENGINE_LOG" && break; sleep 0.1; done
  quayside=$(pgrep -P "$pid" -x quayside || echo "$pid")
  kill -"$signal" "$quayside"
  wait "$pid"
  expect_eq "exit status after SIG$signal" 0 "$?"
  [ -e "$JOB_DIR/corvo_finish_called" ] && fail "SIG$signal left a finish file"
  grep -q '^pause|corvo|' "$FAKE_ENGINE_LOG" || fail "SIG$signal did not pause the container"
  grep -qE '^(kill|container|image)\|' "$FAKE_ENGINE_LOG" && fail "SIG$signal removed something"
done

# Ctrl-C at corvo-sim's terminal reaches corvo-sim alone (quayside runs in
# a process group of its own), and corvo-sim asks its job to quit.
fresh "Created"
rm -rf "$SLOT"
rm -f "$JOB_DIR/stderr.txt"  # the standalone runs' log, which corvo-sim would copy into the slot
set -m
PATH="$BIN_DIR:$PATH" timeout 60 "$CORVO_SIM" --quayside "$QUAYSIDE" --slot "$SLOT" --wu job "$JOB_DIR" \
  > "$WORK/sim.out" 2> "$WORK/sim.err" &
sim=$!
set +m
for _ in $(seq 100); do grep -q '^start|' "$FAKE_ENGINE_LOG" && break; sleep 0.1; done
kill -INT -- "-$sim"
wait "$sim"
expect_eq "exit status after Ctrl-C at corvo-sim" 0 "$?"
grep -q "got quit request from client" "$SLOT/stderr.txt" || fail "Ctrl-C at corvo-sim did not send a quit"
grep -q "interrupted - quitting" "$SLOT/stderr.txt" && fail "quayside got the terminal's Ctrl-C as well"

finish_test

#!/bin/bash
# The person at a terminal: --help and --version touch nothing; a standalone
# run with nothing to build from says so at once; a standalone run started
# from a terminal shows its log there, as it is written, while stderr.txt
# keeps the same text.
. "$(dirname "$0")/lib.sh"

install_fake_engine podman '
case "$1" in
  ps) if [ "$2 $3" != "--all --filter" ]; then echo "$STANDALONE_NAME|Exited (0) now"; fi ;;
  start) while [ ! -e "$FAKE_ENGINE_STATE/go" ]; do sleep 0.1; done ;;
esac'

empty=$WORK/empty
mkdir -p "$empty"
for program in "$QUAYSIDE" "$CORVO_SIM" "$QUAYSIDE_INSPECT"; do
  name=$(basename "$program")
  out=$(cd "$empty" && PATH="$BIN_DIR:$PATH" "$program" --help)
  expect_eq "exit status of $name --help" 0 "$?"
  case "$out" in usage:*) ;; *) fail "$name --help printed: $out" ;; esac
  version=$(cd "$empty" && "$program" --version)
  case "$version" in "$name 23 (commit "?*")") ;; *) fail "$name --version printed: $version" ;; esac
done
expect_eq "the directory after --help and --version" "" "$(ls -A "$empty")"
expect_eq "no engine command for --help" "" "$(cat "$FAKE_ENGINE_LOG")"
(cd "$empty" && "$QUAYSIDE" --help) | grep -q "standalone" || fail "the usage does not say what standalone is"
# Elsewhere on the command line they are the job's arguments.
touch "$FAKE_ENGINE_STATE/go"
run_quayside a --help
expect_eq "exit status with --help as a job argument" 0 "$status"
grep -q '^create|.*|ARGS= a --help|' "$FAKE_ENGINE_LOG" || fail "--help did not reach the container"

# Nothing to build from.
: > "$FAKE_ENGINE_LOG"
run_quayside --dockerfile Recipe
expect_eq "exit status without a recipe" 1 "$status"
expect_log_has "no Recipe in this directory and no image_name in job.toml"
expect_eq "no engine command without a recipe" "" "$(cat "$FAKE_ENGINE_LOG")"

# Under a terminal: the log appears there while the job still runs.
command -v script > /dev/null || { echo "SKIPPED: no script command for a terminal"; finish_test; exit 0; }
rm -f "$JOB_DIR/stderr.txt" "$JOB_DIR/corvo_finish_called" "$FAKE_ENGINE_STATE/go"
(cd "$JOB_DIR" && PATH="$BIN_DIR:$PATH" script -qfec "$QUAYSIDE" "$WORK/terminal") > /dev/null 2>&1 &
session=$!
for _ in $(seq 200); do grep -q "starting container" "$WORK/terminal" 2> /dev/null && break; sleep 0.1; done
grep -q "starting container" "$WORK/terminal" || fail "the terminal showed nothing while the job ran"
kill -0 "$session" 2> /dev/null || fail "the job had ended already"
touch "$FAKE_ENGINE_STATE/go"
wait "$session"
tr -d '\r' < "$WORK/terminal" | sed '/^Script \(started\|done\)/d' > "$WORK/terminal.text"
expect_eq "the terminal shows what stderr.txt holds" "$(cat "$JOB_DIR/stderr.txt")" "$(cat "$WORK/terminal.text")"
expect_eq "finish file of the terminal run" "0" "$(cat "$JOB_DIR/corvo_finish_called")"

# The container's output is followed on the terminal as it comes, and shown
# there once; stderr.txt gets it once, at the end.
install_fake_engine podman '
S=$FAKE_ENGINE_STATE
case "$1" in
  ps) if [ "$2 $3" != "--all --filter" ]; then
        if [ -e "$S/ended" ]; then echo "$STANDALONE_NAME|Exited (0) now"; else echo "$STANDALONE_NAME|Up 1 second"; fi
      fi ;;
  logs)
    echo "a line from the container"
    if [ "$2" = -f ]; then while [ ! -e "$S/ended" ]; do sleep 0.1; done; fi ;;
esac'
rm -f "$JOB_DIR/stderr.txt" "$JOB_DIR/corvo_finish_called" "$FAKE_ENGINE_STATE/ended"
(cd "$JOB_DIR" && PATH="$BIN_DIR:$PATH" script -qfec "$QUAYSIDE" "$WORK/terminal") > /dev/null 2>&1 &
session=$!
for _ in $(seq 200); do grep -q "a line from the container" "$WORK/terminal" 2> /dev/null && break; sleep 0.1; done
grep -q "a line from the container" "$WORK/terminal" || fail "the container's output did not reach the terminal as it came"
kill -0 "$session" 2> /dev/null || fail "the job had ended already"
touch "$FAKE_ENGINE_STATE/ended"
wait "$session"
expect_eq "the container's line on the terminal" 1 "$(grep -c "a line from the container" "$WORK/terminal")"
expect_eq "the container's line in stderr.txt" 1 "$(grep -c "a line from the container" "$JOB_DIR/stderr.txt")"
grep -q "^stderr end" "$WORK/terminal" || fail "the terminal did not see the end of the run"

finish_test

#!/bin/bash
# The container shares the slot and may leave anything there: links to files
# outside, FIFOs, a program named like the engine. A fake Podman plays the
# container: it plants them while the job runs, and quayside is started again
# in the same slot, as a client does after a quit or a reboot. Nothing outside
# the slot changes, nothing planted runs, and every run ends.
. "$(dirname "$0")/lib.sh"

OUTSIDE=$WORK/outside
mkdir -p "$OUTSIDE"
for f in bashrc finish ca state; do echo "precious $f" > "$OUTSIDE/$f"; done
snapshot() { (cd "$OUTSIDE" && for f in *; do printf '%s: %s\n' "$f" "$(cat "$f")"; done); }
before=$(snapshot)

# Planted at the container's start: the slot is the engine shell's directory.
install_fake_engine podman '
case "$1" in
  ps) if [ "$2 $3" != "--all --filter" ]; then echo "$STANDALONE_NAME|Exited (0) now";
      elif [ -e "$FAKE_ENGINE_STATE/created" ]; then echo "$STANDALONE_NAME|Created"; fi ;;
  create) touch "$FAKE_ENGINE_STATE/created" ;;
  start)
    [ -e "$FAKE_ENGINE_STATE/planted" ] && exit 0
    touch "$FAKE_ENGINE_STATE/planted"
    ln -sf "'"$OUTSIDE"'/bashrc" stderr.txt
    ln -sf "'"$OUTSIDE"'/finish" corvo_finish_called
    ln -sf "'"$OUTSIDE"'/finish" corvo_finish_called.tmp
    ln -sf "'"$OUTSIDE"'/ca" ca
    rm -f ac corvo_lockfile; mkfifo ac corvo_lockfile
    printf "nan" > fraction_done
    printf "#!/bin/sh\ntouch \"%s/planted_engine_ran\"\n" "$FAKE_ENGINE_STATE" > podman; chmod +x podman ;;
  logs) echo "the container printed \$(whoami)" ;;
esac'

run_twice() {
  (cd "$JOB_DIR" && PATH=":$BIN_DIR:$PATH" timeout 60 "$QUAYSIDE" --sporadic) > "$WORK/log" 2>&1
  status=$?
}

run_twice
expect_eq "exit status of the run that planted" 0 "$status"
[ "$status" = 0 ] || cat "$JOB_DIR/stderr.txt" "$WORK/log"
expect_eq "finish file" "0" "$(cat "$JOB_DIR/corvo_finish_called")"
[ -L "$JOB_DIR/corvo_finish_called" ] && fail "the finish file is still a link"
# The log was put back under its name, all of it.
[ -f "$JOB_DIR/stderr.txt" ] && [ ! -L "$JOB_DIR/stderr.txt" ] || fail "stderr.txt is not a plain file after the run"
grep -q "quayside 23 starting" "$JOB_DIR/stderr.txt" || fail "the log's start is not in stderr.txt"
grep -q "called corvo_finish(0)" "$JOB_DIR/stderr.txt" || fail "the log's end is not in stderr.txt"

# The client starts the job again in the slot as the container left it.
rm -f "$FAKE_ENGINE_STATE/created"
ln -sf "$OUTSIDE/bashrc" "$JOB_DIR/stderr.txt"
ln -sf "$OUTSIDE/finish" "$JOB_DIR/corvo_finish_called"
ln -sf "$OUTSIDE/state" "$JOB_DIR/engine_waits"
rm -f "$JOB_DIR/ac" "$JOB_DIR/corvo_lockfile"; mkfifo "$JOB_DIR/ac" "$JOB_DIR/corvo_lockfile"
run_twice
expect_eq "exit status of the run in the planted slot" 0 "$status"
[ -f "$JOB_DIR/stderr.txt" ] && [ ! -L "$JOB_DIR/stderr.txt" ] || fail "stderr.txt is not a plain file"
grep -q "quayside 23 starting" "$JOB_DIR/stderr.txt" || fail "the log did not reach stderr.txt"
expect_eq "finish file of the second run" "0" "$(cat "$JOB_DIR/corvo_finish_called")"
# The lock file is removed at the end; the sporadic files were made anew.
for f in corvo_lockfile ac ca; do
  if [ -L "$JOB_DIR/$f" ] || [ -p "$JOB_DIR/$f" ]; then fail "$f is still what the container made it"; fi
done
[ -e "$FAKE_ENGINE_STATE/planted_engine_ran" ] && fail "the podman planted in the slot ran"
ls "$JOB_DIR" | grep -q '\.tmp\.' && fail "a temporary file was left"
expect_eq "files outside the slot" "$before" "$(snapshot)"

# The job's own files are refused, not followed or waited on.
for planted in "link /dev/zero" "fifo" "big"; do
  rm -f "$JOB_DIR/job.toml"
  case "$planted" in
    "link /dev/zero") ln -s /dev/zero "$JOB_DIR/job.toml"; said="job.toml is not a regular file" ;;
    fifo) mkfifo "$JOB_DIR/job.toml"; said="job.toml is not a regular file" ;;
    big) head -c 2000000 /dev/zero | tr '\0' '#' > "$JOB_DIR/job.toml"; said="job.toml is larger than 1 MiB" ;;
  esac
  : > "$FAKE_ENGINE_LOG"
  run_quayside
  expect_eq "exit status with job.toml as a $planted" 1 "$status"
  expect_log_has "$said"
  expect_eq "engine calls with job.toml as a $planted" "" "$(cat "$FAKE_ENGINE_LOG")"
done
rm -f "$JOB_DIR/job.toml"

finish_test

#!/bin/bash
# Failures against a fake Podman: the engine shell dying in mid-run, and a
# job.toml whose image name the shell would misread.
. "$(dirname "$0")/lib.sh"

# The shell dies at every poll: a fresh shell takes its place each time, the
# poll is tried again every two seconds, and after thirty seconds the job
# asks for a temporary exit, leaving the container for a later run.
install_fake_engine podman '
case "$1" in
  ps) if [ "$2 $3" = "--all --filter" ]; then echo "$STANDALONE_NAME|Created"; else kill -9 $PPID; fi ;;
esac'
run_quayside
expect_eq "exit status when the shell keeps dying" 0 "$status"
expect_log_has "container is created"
expect_log_has "read_from_pipe() error: connect() failed"
expect_log_has "engine shell restarted"
expect_log_has "engine unreachable: container poll; trying again later"
expect_eq "temporary exit delay" "60" "$(head -n 1 "$JOB_DIR/corvo_temporary_exit")"
[ -e "$JOB_DIR/corvo_finish_called" ] && fail "an unreachable engine finished the job"
expect_eq "engine commands" "ps|--all|--filter|name=^corvo$|--format|{{.Names}}|{{.Status}}|
start|corvo|
inspect|--format|{{.State.Pid}} {{.Id}}|corvo|
$(for i in $(seq 16); do echo 'ps|--all|-f|name=^corvo$|--format|{{.Names}}|{{.Status}}|'; done)" "$(cat "$FAKE_ENGINE_LOG")"
rm -f "$JOB_DIR/engine_waits"

# A state query the engine refuses is a failed query, not an absent
# container: nothing is created beside the one that may be there.
: > "$FAKE_ENGINE_LOG"
install_fake_engine podman '
case "$1" in
  ps) echo "Error: cannot connect to the engine"; exit 125 ;;
esac'
run_quayside
expect_eq "exit status of a refused state query" 1 "$status"
expect_log_has "ps command failed"
expect_log_has "   Error: cannot connect to the engine"
expect_log_has "get_container_state() failed: -1"
grep -q '^create|' "$FAKE_ENGINE_LOG" && fail "a container was created after a failed query"

# The container's log reaches stderr.txt byte for byte, binary bytes and
# NULs included, however it is cut into reads.
: > "$FAKE_ENGINE_LOG"
head -c 65536 /dev/urandom > "$FAKE_ENGINE_STATE/container.log"
seq 1 1000 | sed 's/^/text line /' >> "$FAKE_ENGINE_STATE/container.log"
install_fake_engine podman '
case "$1" in
  ps) if [ "$2 $3" = "--all --filter" ]; then echo "$STANDALONE_NAME|Exited (0) now"; else echo "$STANDALONE_NAME|Exited (0) now"; fi ;;
  logs) cat "$FAKE_ENGINE_STATE/container.log" ;;
esac'
run_quayside
expect_eq "exit status with a binary log" 0 "$status"
start=$(grep -abo "stderr from container:" "$JOB_DIR/stderr.txt" | head -n 1 | cut -d: -f1)
size=$(stat -c %s "$FAKE_ENGINE_STATE/container.log")
tail -c +$((start + 24)) "$JOB_DIR/stderr.txt" | head -c "$size" | cmp -s - "$FAKE_ENGINE_STATE/container.log" ||
  fail "the log in stderr.txt differs from the container's"
[ "$(tail -c +$((start + 24 + size)) "$JOB_DIR/stderr.txt" | head -n 1)" = "stderr end" ] ||
  fail "the log is not followed by its end line"

# An image name holding a blank ends the job before the engine is touched.
: > "$FAKE_ENGINE_LOG"
printf 'image_name = "my image;rm -rf x"\n' > "$JOB_DIR/job.toml"
run_quayside
expect_eq "exit status of a bad image name" 1 "$status"
expect_log_has "bad image_name: my image;rm -rf x"
expect_eq "no engine command" "" "$(cat "$FAKE_ENGINE_LOG")"
[ -e "$JOB_DIR/corvo_finish_called" ] && fail "a configuration error left a finish file"

finish_test

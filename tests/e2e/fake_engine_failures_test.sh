#!/bin/bash
# Failures against a fake Podman: the engine shell dying in mid-run, and a
# job.toml whose image name the shell would misread.
. "$(dirname "$0")/lib.sh"

# The shell dies during the first poll: every command after it fails with
# -107, the job is finished with 1.
install_fake_engine podman '
case "$1" in
  ps) if [ "$2 $3" = "--all --filter" ]; then echo "corvo|Created"; else kill -9 $PPID; fi ;;
esac'
run_quayside
expect_eq "exit status when the shell dies" 1 "$status"
expect_log_has "container is created"
expect_log_has "read_from_pipe() error: connect() failed"
expect_log_has "kill command failed: -107"
expect_eq "finish file" "1" "$(cat "$JOB_DIR/corvo_finish_called")"
expect_eq "engine commands" "ps|--all|--filter|name=^corvo$|--format|{{.Names}}|{{.Status}}|
start|corvo|
ps|--all|-f|name=corvo|" "$(cat "$FAKE_ENGINE_LOG")"

# An image name holding a blank ends the job before the engine is touched.
: > "$FAKE_ENGINE_LOG"
printf 'image_name = "my image;rm -rf x"\n' > "$JOB_DIR/job.toml"
run_quayside
expect_eq "exit status of a bad image name" 1 "$status"
expect_log_has "bad image_name: my image;rm -rf x"
expect_eq "no engine command" "" "$(cat "$FAKE_ENGINE_LOG")"
[ -e "$JOB_DIR/corvo_finish_called" ] && fail "a configuration error left a finish file"

finish_test

#!/bin/bash
# The container commands of the start-up and the end of a job, as the WSL
# containers tool receives them.
. "$(dirname "$0")/lib.sh"

# Init data that asks for the WSL containers tool, without a client: the job
# runs standalone (no shared block) with that engine.
printf '<app_init_data><host_info><use_wslc/></host_info></app_init_data>\n' > "$JOB_DIR/init_data.xml"

# A paused container that can't be unpaused is killed and started; the first
# poll then finds it exited with status 3.
install_fake_engine wslc.exe '
case "$1" in
  ps)
    if [ -e "$FAKE_ENGINE_STATE/started" ]; then
      echo "{\"State\":\"exited\",\"Status\":\"Exited (3) 1 second ago\"}"
    else
      echo "{\"State\":\"paused\",\"Status\":\"Up 2 minutes (Paused)\"}"
    fi ;;
  unpause) echo "Error: container is not paused"; exit 1 ;;
  start) touch "$FAKE_ENGINE_STATE/started" ;;
  logs) echo "line one"; echo "line two" ;;
esac'
run_quayside
expect_eq "exit status" 3 "$status"
expect_eq "engine commands" "ps|--all|--filter|name=corvo|--format|json|
unpause|corvo|
kill|corvo|
start|corvo|
ps|--all|--filter|name=corvo|--format|json|
logs|corvo|
container|rm|corvo|
image|rm|corvo|" "$(cat "$FAKE_ENGINE_LOG")"
expect_log_has "quayside 23 starting"
expect_log_has "Using WSL containers"
expect_log_has "container is paused; unpausing"
expect_log_has "unpause failed; killing"
expect_eq "container log copied" "stderr from container:
line one
line two
stderr end" "$(sed -n '/^stderr from container:/,/^stderr end/p' "$WORK/log")"

# A container found running is not started again; the job finishes with 0.
: > "$FAKE_ENGINE_LOG"
install_fake_engine wslc.exe '
case "$1" in
  ps) echo "{\"State\":\"running\",\"Status\":\"Exited (0) just now\"}" ;;
esac'
run_quayside
expect_eq "exit status of a running container" 0 "$status"
expect_eq "no start for a running container" "ps|--all|--filter|name=corvo|--format|json|
ps|--all|--filter|name=corvo|--format|json|
logs|corvo|
container|rm|corvo|
image|rm|corvo|" "$(cat "$FAKE_ENGINE_LOG")"

# A start that fails kills the container and finishes with 1.
: > "$FAKE_ENGINE_LOG"
install_fake_engine wslc.exe '
case "$1" in
  ps) echo "{\"State\":\"created\"}" ;;
  start) echo "Error: cannot start"; exit 0 ;;
esac'
run_quayside
expect_eq "exit status of a failed start" 1 "$status"
expect_eq "kill after a failed start" "ps|--all|--filter|name=corvo|--format|json|
start|corvo|
kill|corvo|
logs|corvo|
container|rm|corvo|
image|rm|corvo|" "$(cat "$FAKE_ENGINE_LOG")"
expect_log_has "the container could not be started (error -1)"

# A command line without the value of an option ends before anything else.
: > "$FAKE_ENGINE_LOG"
run_quayside a --config
expect_eq "exit status of a missing option value" 1 "$status"
expect_eq "missing value message" "missing value for --config" "$(cat "$WORK/log")"
expect_eq "no engine command" "" "$(cat "$FAKE_ENGINE_LOG")"

# An unreadable job.toml ends the job with exit code 1 before the engine is touched.
: > "$FAKE_ENGINE_LOG"
printf 'workdir = [\n' > "$JOB_DIR/job.toml"
run_quayside
expect_eq "exit status of a bad job.toml" 1 "$status"
expect_log_has "job.toml:2: workdir: unexpected token"
expect_log_has "can't parse config file"
expect_eq "no engine command for a bad job.toml" "" "$(cat "$FAKE_ENGINE_LOG")"
rm "$JOB_DIR/job.toml"

# Free-form options that a shell would run, or a value no process argument
# can carry, are configuration errors found before the engine is touched.
bad_values=('create_args = "--rm; touch pwned"\n' "build_args = \"-t '\"\n" 'workdir = "/app\000x"\n')
for toml in "${bad_values[@]}"; do
  : > "$FAKE_ENGINE_LOG"
  printf "$toml" > "$JOB_DIR/job.toml"
  run_quayside
  expect_eq "exit status of: $toml" 1 "$status"
  grep -q "^job.toml:1: bad [a-z_]*: " "$WORK/log" || fail "no bad-value message for: $toml"
  expect_eq "no engine command for: $toml" "" "$(cat "$FAKE_ENGINE_LOG")"
done
rm "$JOB_DIR/job.toml"

# The recipe file and the job's arguments reach the tool as single words,
# without a command interpreter.
: > "$FAKE_ENGINE_LOG"
install_fake_engine wslc.exe '
case "$1" in
  ps) if [ -e "$FAKE_ENGINE_STATE/started" ]; then echo "{\"State\":\"exited\",\"Status\":\"Exited (0) now\"}"; fi ;;
  start) touch "$FAKE_ENGINE_STATE/started" ;;
esac'
rm -f "$FAKE_ENGINE_STATE/started"
echo 'FROM scratch' > "$JOB_DIR/Dockerfile;touch pwned"
: > "$JOB_DIR/\$(touch pwned)"
run_quayside --config '$(touch pwned)' --dockerfile 'Dockerfile;touch pwned' 'a&touch pwned' '%PATH%'
expect_eq "exit status with odd values" 0 "$status"
expect_eq "build and create words" "build|.|-t|corvo|-f|Dockerfile;touch pwned|
create|--name|corvo|-v|$(cd "$JOB_DIR" && pwd -P)/:/app|-e|ARGS= a&touch pwned %PATH%|corvo|" "$(grep -E '^(build|create)' "$FAKE_ENGINE_LOG")"
[ -e "$JOB_DIR/pwned" ] && fail "a value ran as a command"

finish_test

#!/bin/bash
# A whole standalone job against a fake Podman reached through the engine
# shell: what the engine receives for every command, the build's retry when
# the network is lost (and its success, judged by the exit status, whatever
# its words), once-only stats messages, a decoy container whose name extends
# ours, a log that mentions the end marker, and job texts that reach the
# container exactly as written.
. "$(dirname "$0")/lib.sh"

cat > "$JOB_DIR/job.toml" <<'TOML'
mount = ["/data/my cache:/cache", "/plain:/plain"]
portmap = ["8080:80"]
use_gpu = true
build_args = "--pull=never"
create_args = "--shm-size=1g"
TOML
install_fake_engine podman '
count() { n=$(cat "$FAKE_ENGINE_STATE/$1" 2> /dev/null || echo 0); n=$((n + 1)); echo $n > "$FAKE_ENGINE_STATE/$1"; echo $n; }
case "$1" in
  images) echo "REPOSITORY TAG IMAGE ID" ;;
  build)
    if [ "$(count build)" = 1 ]; then echo "dial tcp: connect: network is unreachable"; exit 1; fi
    echo "STEP 1/1: FROM scratch"; echo "warning: unreachable code in ErrorHandler.cpp"; echo "Successfully tagged corvo" ;;
  create) for a in "$@"; do case "$a" in ARGS=*) printf "%s" "${a#ARGS=}" > "$FAKE_ENGINE_STATE/args";; esac; done; echo 0123abcd ;;
  ps)
    if [ "$2 $3" = "--all --external" ]; then :;
    elif [ "$2 $3" = "--all --filter" ]; then echo "NAMES|STATUS";
    elif [ "$(count poll)" -lt 3 ]; then echo "${STANDALONE_NAME}2|Exited (7) now"; echo "$STANDALONE_NAME|Up 1 second";
    else echo "$STANDALONE_NAME|Exited (0) now"; fi ;;
  stats) echo "0.00% 0B / 1GB" ;;
  logs) echo "GEOMETRY OPTIMIZATION"; echo "EOM"; echo "job line 1"; printf "job line 2 without newline" ;;
  container) echo "removed $3" ;;
esac'
# The network test fails once, then the network is back.
cat > "$BIN_DIR/ping" <<PING
#!/bin/sh
n=\$(cat "$FAKE_ENGINE_STATE/ping" 2> /dev/null || echo 0); echo \$((n + 1)) > "$FAKE_ENGINE_STATE/ping"
[ "\$n" -ge 1 ]
PING
chmod +x "$BIN_DIR/ping"

run_quayside '$(touch x)' 'a"b' '`touch y`'
expect_eq "exit status" 0 "$status"
expect_eq "engine commands" "$(sed "s|@SLOT@|$JOB_DIR|" <<'EXPECTED'
ps|--all|--filter|name=^corvo$|--format|{{.Names}}|{{.Status}}|
images|
ps|--all|--external|--format|{{.ID}}|{{.Names}}|{{.Status}}|
images|--all|--quiet|--filter|dangling=true|
build|.|--retry|0|-t|corvo|-f|Dockerfile|--pull=never|
ps|--all|--external|--format|{{.ID}}|{{.Names}}|{{.Status}}|
images|--all|--quiet|--filter|dangling=true|
build|.|--retry|0|-t|corvo|-f|Dockerfile|--pull=never|
create|--name|corvo|-v|@SLOT@/:/app|-e|ARGS= $(touch x) a"b `touch y`|-v|/data/my cache:/cache|-v|/plain:/plain|-p|8080:80|--device|nvidia.com/gpu=all|--shm-size=1g|--log-driver=k8s-file|corvo|
start|corvo|
inspect|--format|{{.State.Pid}} {{.Id}}|corvo|
ps|--all|-f|name=^corvo$|--format|{{.Names}}|{{.Status}}|
stats|--no-stream|--format|{{.CPUPerc}} {{.MemUsage}} {{.CPUNano}}|corvo|
ps|--all|-f|name=^corvo$|--format|{{.Names}}|{{.Status}}|
stats|--no-stream|--format|{{.CPUPerc}} {{.MemUsage}} {{.CPUNano}}|corvo|
ps|--all|-f|name=^corvo$|--format|{{.Names}}|{{.Status}}|
logs|corvo|
container|rm|corvo|
image|rm|corvo|
EXPECTED
)" "$(cat "$FAKE_ENGINE_LOG")"
if [ -e "$JOB_DIR/x" ] || [ -e "$JOB_DIR/y" ]; then fail "a job argument ran as a command"; fi
expect_eq "the container's ARGS" ' $(touch x) a"b `touch y`' "$(cat "$FAKE_ENGINE_STATE/args")"
expect_log_has "build cmd output indicates disconnection"
expect_log_has "test server is unreachable; sleeping"
expect_log_has "build succeeded"
expect_eq "zero-memory message once" 1 "$(grep -c 'stats command returned zero memory' "$WORK/log")"
expect_eq "container log" "stderr from container:
GEOMETRY OPTIMIZATION
EOM
job line 1
job line 2 without newline
stderr end" "$(sed -n '/^stderr from container:/,/^stderr end/p' "$WORK/log")"
# The command after the log gets its own reply.
expect_eq "reply to container rm" "running docker command: container rm $STANDALONE_NAME
program: podman
command output:
removed $STANDALONE_NAME" "$(grep -A3 '^running docker command: container rm' "$WORK/log")"

finish_test

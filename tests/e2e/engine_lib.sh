# What the tests on a real engine share: example jobs, the names corvo-sim's
# jobs get, waiting for an engine's answer, and requests to the client
# simulator. Sourced by podman_lib.sh and docker_lib.sh.
EXAMPLES=$(cd "$E2E_DIR/../../examples" && pwd)

# use_example NAME: makes the job directory a copy of the example with
# Debian's busybox beside it.
use_example() {
  rm -rf "$JOB_DIR"
  mkdir -p "$JOB_DIR"
  cp -r "$EXAMPLES/$1/." "$JOB_DIR/"
  cp /bin/busybox "$JOB_DIR/busybox"
}

container_of() { echo "corvo__sim.example.org__$1_0"; }
image_of() { echo "corvo__sim.example.org__$1"; }

# wait_for TEXT SECONDS COMMAND...: waits until the command's output holds
# TEXT; fails the test after SECONDS.
wait_for() {
  local text=$1 seconds=$2
  shift 2
  local deadline=$(( $(date +%s) + seconds ))
  while [ "$(date +%s)" -lt "$deadline" ]; do
    "$@" 2> /dev/null | grep -qi -- "$text" && return 0
    sleep 0.2
  done
  fail "waited $seconds s for '$text' from $*"
  return 1
}

# Requests for the client to send, one per line (corvo-sim --control-file).
REQUESTS=$WORK/requests
: > "$REQUESTS"
request() { echo "$1" >> "$REQUESTS"; }

# run_many_jobs PREFIX [corvo-sim options]: ten jobs of the job directory
# (one application), started a second apart, each in a slot of its own and
# named PREFIX1 to PREFIX10; each must finish with 0.
run_many_jobs() {
  local prefix=$1 n pid pids=""
  shift
  for n in $(seq 10); do
    mkdir -p "$WORK/slot$n"
    PATH="$BIN_DIR:$PATH" timeout 400 "$CORVO_SIM" "$@" --quayside "$QUAYSIDE" --slot "$WORK/slot$n" \
      --wu "$prefix$n" "$JOB_DIR" -- 3 > "$WORK/sim$n.out" 2> "$WORK/sim$n.err" &
    pids="$pids $!"
    sleep 1
  done
  n=0
  for pid in $pids; do
    n=$((n + 1))
    wait "$pid"
    expect_eq "exit status of job $n" 0 "$?"
    expect_eq "finish file of job $n" "0" "$(cat "$WORK/slot$n/corvo_finish_called" 2> /dev/null)"
  done
}

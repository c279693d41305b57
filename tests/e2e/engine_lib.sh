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

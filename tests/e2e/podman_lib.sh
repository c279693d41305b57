# For the tests on the real Podman engine: skips the test when Podman can't
# run here, and removes every container and image the test made, also when
# it fails. Source it after lib.sh.
EXAMPLES=$(cd "$E2E_DIR/../../examples" && pwd)
export CONTAINERS_CONF=$(cd "$E2E_DIR/../podman" && pwd)/containers.conf

if ! command -v podman > /dev/null || [ ! -x /bin/busybox ]; then
  echo "SKIPPED: podman or busybox-static is not installed (as root: make engine-deps)"
  exit 77
fi
if ! podman info > "$WORK/podman-info" 2>&1; then
  echo "SKIPPED: podman can't run here:"
  tail -n 5 "$WORK/podman-info"
  exit 77
fi

# Names of this test's jobs all begin with this, so clean-up finds them.
TAG=qt$$
podman_cleanup() {
  podman ps --all --format '{{.Names}}' 2> /dev/null | grep -- "$TAG" | xargs -r podman rm -f > /dev/null 2>&1
  podman images --format '{{.Repository}}' 2> /dev/null | grep -- "$TAG" | xargs -r podman image rm -f > /dev/null 2>&1
  rm -rf "$WORK"
}
trap podman_cleanup EXIT

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

# container_status NAME: the status column of the container, or "absent".
container_status() {
  local line
  line=$(podman ps --all --filter "name=^$1\$" --format '{{.Status}}' 2> /dev/null)
  echo "${line:-absent}"
}

image_present() { podman image exists "$1"; }

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

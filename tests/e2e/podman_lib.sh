# For the tests on the real Podman engine: skips the test when Podman can't
# run here, and removes every container and image the test made, also when
# it fails. Source it after lib.sh.
export CONTAINERS_CONF=$(cd "$E2E_DIR/../podman" && pwd)/containers.conf
# One store, one build lock: the jobs of tests run side by side share cached
# layers, and one job's image removal must not run during another's build.
export TMPDIR=$MACHINE_TMPDIR/quayside-podman-tests
mkdir -p "$TMPDIR"

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

# container_status NAME: the status column of the container, or "absent".
container_status() {
  local line
  line=$(podman ps --all --filter "name=^$1\$" --format '{{.Status}}' 2> /dev/null)
  echo "${line:-absent}"
}

image_present() { podman image exists "$1"; }

. "$E2E_DIR/engine_lib.sh"

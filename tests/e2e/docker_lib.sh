# For the tests on the real Docker engine (Debian's docker.io, its own 20.10
# client): starts a private dockerd for the test (its own socket, data root,
# exec root and pid file), skips the test when it can't run, and stops it
# and removes everything the test made, also when the test fails. Source it
# after lib.sh.
if [ ! -x /usr/sbin/dockerd ] || [ ! -x /usr/bin/docker ] || [ ! -x /bin/busybox ]; then
  echo "SKIPPED: docker.io or busybox-static is not installed (as root: make engine-deps)"
  exit 77
fi
. "$E2E_DIR/../../scripts/private-dockerd.sh"
DOCKER_ROOT=$(mktemp -d "${TMPDIR:-/tmp}/quayside-dockerd-XXXXXX")
# Debian's own client, whatever else is on PATH.
ln -s /usr/bin/docker "$BIN_DIR/docker"
docker_stop() {
  private_dockerd_stop "$DOCKER_ROOT"
  rm -rf "$WORK"
}
trap docker_stop EXIT
if ! private_dockerd_start "$DOCKER_ROOT"; then
  echo "SKIPPED: dockerd can't run here:"
  tail -n 5 "$DOCKER_ROOT"/dockerd-*.log
  exit 77
fi

container_status() {  # the status column, or "absent"
  local line
  line=$(docker ps --all --filter "name=^$1\$" --format '{{.Status}}' 2> /dev/null)
  echo "${line:-absent}"
}
paused() { docker inspect -f '{{.State.Paused}}' "$1" 2> /dev/null; }
image_present() { docker image inspect "$1" > /dev/null 2>&1; }

. "$E2E_DIR/engine_lib.sh"

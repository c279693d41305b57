# For the tests on the real Docker engine (Debian's docker.io, its own 20.10
# client): starts a private dockerd for the test (its own socket, data root,
# exec root and pid file), skips the test when it can't run, and stops it
# and removes everything the test made, also when the test fails. Source it
# after lib.sh.
if [ ! -x /usr/sbin/dockerd ] || [ ! -x /usr/bin/docker ] || [ ! -x /bin/busybox ]; then
  echo "SKIPPED: docker.io or busybox-static is not installed (as root: make engine-deps)"
  exit 77
fi
DOCKER_ROOT=$(mktemp -d "${TMPDIR:-/tmp}/quayside-dockerd-XXXXXX")
export DOCKER_HOST=unix://$DOCKER_ROOT/docker.sock DOCKER_BUILDKIT=0
# Debian's own client, whatever else is on PATH.
ln -s /usr/bin/docker "$BIN_DIR/docker"
docker_stop() {
  if [ -e "$DOCKER_ROOT/docker.pid" ]; then
    local pid
    pid=$(cat "$DOCKER_ROOT/docker.pid")
    kill "$pid" 2> /dev/null
    for _ in $(seq 100); do kill -0 "$pid" 2> /dev/null || break; sleep 0.1; done
  fi
  umount -R "$DOCKER_ROOT" 2> /dev/null
  rm -rf "$DOCKER_ROOT" "$WORK"
}
trap docker_stop EXIT
start_dockerd() {  # start_dockerd DRIVER
  /usr/sbin/dockerd --data-root "$DOCKER_ROOT/data" --exec-root "$DOCKER_ROOT/exec" \
    --pidfile "$DOCKER_ROOT/docker.pid" -H "$DOCKER_HOST" --iptables=false --bridge=none \
    --storage-driver "$1" > "$DOCKER_ROOT/dockerd-$1.log" 2>&1 &
  for _ in $(seq 100); do docker info > /dev/null 2>&1 && return 0; sleep 0.1; done
  kill %% 2> /dev/null
  wait 2> /dev/null
  return 1
}
if ! start_dockerd overlay2 && ! start_dockerd vfs; then
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

#!/bin/bash
# What watching a running container costs its host, on the real Podman and
# on a private dockerd, the engine's ps and stats of every cycle against
# the cgroup counters read by the engine shell's builtins: see
# bench/watch_cost.cpp. Each engine runs one idle container for it.
#
# usage: bench/watch_cost.sh [CYCLES]   (default 50; needs podman, docker.io and busybox-static)
set -u
cycles=${1:-50}
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$top/build}
export CONTAINERS_CONF=$top/tests/podman/containers.conf
. "$top/scripts/private-dockerd.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/quayside-watch-XXXXXX")
name=watch$$
docker_root=$work/dockerd
cleanup() {
  podman rm -f -t 0 "$name" > /dev/null 2>&1
  podman image rm -f "$name" > /dev/null 2>&1
  [ -n "${DOCKER_HOST:-}" ] && docker rm -f "$name" > /dev/null 2>&1
  private_dockerd_stop "$docker_root"
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/image" "$docker_root"
cp /bin/busybox "$work/image/busybox"
cat > "$work/image/Dockerfile" <<'RECIPE'
FROM scratch
COPY busybox /bin/busybox
CMD ["/bin/busybox", "sleep", "3600"]
RECIPE
status=0
if podman build -q -t "$name" "$work/image" > /dev/null && podman run -d --name "$name" "$name" > /dev/null; then
  "$build/bench_watch_cost" podman "$name" "$cycles" || status=1
else
  echo "podman can't run a container here"; status=1
fi
if [ ! -x /usr/sbin/dockerd ]; then
  echo "dockerd is not installed: the Docker figures are missing"; status=1
elif private_dockerd_start "$docker_root" && docker build -q -t "$name" "$work/image" > /dev/null 2> "$work/docker-build.log" &&
     docker run -d --name "$name" "$name" > /dev/null; then
  "$build/bench_watch_cost" docker "$name" "$cycles" || status=1
else
  echo "dockerd can't run a container here"; status=1
fi
exit $status

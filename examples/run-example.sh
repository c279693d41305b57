#!/bin/sh
# run-example.sh EXAMPLE [corvo-sim options]: runs an example job through
# corvo-sim on a real engine, from a fresh job directory that also holds
# Debian's busybox binary. ENGINE=podman (the default) uses the project's
# Podman settings; ENGINE=docker starts a private dockerd for the run (its
# own socket and data root) and stops it afterwards.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${BUILD:-$here/../build}
engine=${ENGINE:-podman}
example=$1
shift
job=$(mktemp -d "${TMPDIR:-/tmp}/quayside-example-XXXXXX")
cp -r "$here/$example/." "$job/"
cp /bin/busybox "$job/busybox"
export CONTAINERS_CONF="$here/../tests/podman/containers.conf"
daemon=""
cleanup() {
  if [ -n "$daemon" ]; then
    kill "$(cat "$daemon/docker.pid")" 2> /dev/null || :
    for _ in $(seq 100); do [ -e "$daemon/docker.pid" ] || break; sleep 0.1; done
    umount -R "$daemon" 2> /dev/null || :
    rm -rf "$daemon"
  fi
  rm -rf "$job"
}
trap cleanup EXIT
if [ "$engine" = docker ]; then
  daemon=$(mktemp -d "${TMPDIR:-/tmp}/quayside-dockerd-XXXXXX")
  mkdir "$daemon/bin"
  ln -s /usr/bin/docker "$daemon/bin/docker"  # Debian's own client
  export DOCKER_HOST="unix://$daemon/docker.sock" DOCKER_BUILDKIT=0 PATH="$daemon/bin:$PATH"
  /usr/sbin/dockerd --data-root "$daemon/data" --exec-root "$daemon/exec" --pidfile "$daemon/docker.pid" \
    -H "$DOCKER_HOST" --iptables=false --bridge=none > "$daemon/dockerd.log" 2>&1 &
  for _ in $(seq 100); do docker info > /dev/null 2>&1 && break; sleep 0.1; done
  set -- --engine docker "$@"
fi
status=0
"$build/corvo-sim" --quayside "$build/quayside" --show-log "$@" "$job" || status=$?
exit "$status"

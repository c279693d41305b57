#!/bin/sh
# run-example.sh EXAMPLE [corvo-sim options]: runs an example job through
# corvo-sim on the real Podman engine, from a fresh job directory that also
# holds Debian's busybox binary.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${BUILD:-$here/../build}
example=$1
shift
job=$(mktemp -d "${TMPDIR:-/tmp}/quayside-example-XXXXXX")
trap 'rm -rf "$job"' EXIT
cp -r "$here/$example/." "$job/"
cp /bin/busybox "$job/busybox"
export CONTAINERS_CONF="$here/../tests/podman/containers.conf"
status=0
"$build/corvo-sim" --quayside "$build/quayside" --show-log "$@" "$job" || status=$?
exit "$status"

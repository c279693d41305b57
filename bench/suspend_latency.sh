#!/bin/bash
# Suspend and resume on the real Podman engine: how long from the client's
# request to the container paused (and unpaused), against the engine's own
# "podman pause" and "podman unpause" in the same run. The requests go
# through corvo-sim's control file, which it reads every 20 ms: that wait is
# part of the figures.
#
# usage: bench/suspend_latency.sh [ROUNDS]   (default 5; needs podman and busybox-static)
set -u
rounds=${1:-5}
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$top/build}
export CONTAINERS_CONF=$top/tests/podman/containers.conf
real_podman=$(command -v podman) || { echo "podman is not installed"; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/quayside-latency-XXXXXX")
name=latency$$
cleanup() {
  podman ps --all --format '{{.Names}}' 2> /dev/null | grep -- "$name" | xargs -r podman rm -f > /dev/null 2>&1
  podman images --format '{{.Repository}}' 2> /dev/null | grep -- "$name" | xargs -r podman image rm -f > /dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/bin" "$work/job"
cp -r "$top/examples/hello/." "$work/job/"
cp /bin/busybox "$work/job/busybox"
# Podman itself, with the start and end of each pause and unpause noted.
cat > "$work/bin/podman" <<WRAP
#!/bin/sh
case "\$1" in
  pause|unpause)
    echo "\$1 start \$(date +%s.%N)" >> "$work/times"
    "$real_podman" "\$@"; rc=\$?
    echo "\$1 end \$(date +%s.%N)" >> "$work/times"
    exit \$rc ;;
esac
exec "$real_podman" "\$@"
WRAP
chmod +x "$work/bin/podman"
: > "$work/requests"
: > "$work/times"
PATH="$work/bin:$PATH" "$build/corvo-sim" --quayside "$build/quayside" --slot "$work/slot" --wu "$name" \
  --control-file "$work/requests" --timeout 600 "$work/job" -- 600 > /dev/null 2>&1 &
sim=$!
container=corvo__sim.example.org__${name}_0
for _ in $(seq 1500); do
  podman ps --filter "name=^$container\$" --format '{{.Status}}' 2> /dev/null | grep -q '^Up' && break
  sleep 0.1
done
wait_for_line() {  # wait_for_line COUNT TEXT: until the times file holds COUNT such lines
  for _ in $(seq 300); do [ "$(grep -c "^$2" "$work/times")" -ge "$1" ] && return; sleep 0.01; done
  echo "no '$2' in time"; exit 1
}
for i in $(seq "$rounds"); do
  date +%s.%N >> "$work/suspended_at"
  echo "<suspend/>" >> "$work/requests"
  wait_for_line "$i" "pause end"
  sleep 1
  date +%s.%N >> "$work/resumed_at"
  echo "<resume/>" >> "$work/requests"
  wait_for_line "$i" "unpause end"
  sleep 1
done
echo "<quit/>" >> "$work/requests"
wait "$sim"
report() {  # report WHAT REQUESTS_FILE COMMAND
  paste "$2" <(grep "^$3 start" "$work/times" | cut -d' ' -f3 | head -n "$rounds") \
    <(grep "^$3 end" "$work/times" | cut -d' ' -f3 | head -n "$rounds") |
    awk -v what="$1" -v cmd="$3" '
      { total += $3 - $1; engine += $3 - $2; reaction += $2 - $1; n++ }
      END { printf "%-8s request to done %.3f s   podman %s alone %.3f s   reaction before it %.3f s   (%d rounds)\n",
                   what, total / n, cmd, engine / n, reaction / n, n }'
}
report suspend "$work/suspended_at" pause
report resume "$work/resumed_at" unpause

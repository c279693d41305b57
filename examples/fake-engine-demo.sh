#!/bin/sh
# Runs quayside once in a temporary job directory against a fake WSL
# containers tool that plays a container which runs for a few seconds and
# exits, then shows quayside's log.
set -eu
QUAYSIDE=$(realpath "${QUAYSIDE:-build/quayside}")
work=$(mktemp -d "${TMPDIR:-/tmp}/quayside-demo-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/job"
cat > "$work/bin/wslc.exe" <<FAKE
#!/bin/sh
state=$work/state
case "\$1" in
  ps)
    if [ ! -e "\$state.started" ]; then echo '{"State":"created","Status":"Created"}'
    elif [ -e "\$state.polled" ]; then echo '{"State":"exited","Status":"Exited (0) just now"}'
    else touch "\$state.polled"; echo '{"State":"running","Status":"Up 1 second"}'; fi ;;
  start) touch "\$state.started" ;;
  logs) echo "hello from the container"; echo "work done" ;;
esac
FAKE
chmod +x "$work/bin/wslc.exe"
echo "running quayside in $work/job with a fake engine (about 12 seconds)..."
status=0
(cd "$work/job" && PATH="$work/bin:$PATH" "$QUAYSIDE") 2>&1 || status=$?
echo "quayside exited with status $status"

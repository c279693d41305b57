#!/bin/bash
# A real container that plants links to files outside the slot, a FIFO and a
# bad fraction_done in the slot it shares, on Podman, run by the client
# simulator twice into the same slot (as after a restart). The files outside
# stay as they were, the finish file and the log land in the slot, and both
# runs end.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/podman_lib.sh"

OUTSIDE=$WORK/outside
mkdir -p "$OUTSIDE"
for f in bashrc finish; do echo "precious $f" > "$OUTSIDE/$f"; done
snapshot() { (cd "$OUTSIDE" && for f in *; do printf '%s: %s\n' "$f" "$(cat "$f")"; done); }
before=$(snapshot)

rm -rf "$JOB_DIR"
mkdir -p "$JOB_DIR"
cp /bin/busybox "$JOB_DIR/busybox"
cat > "$JOB_DIR/Dockerfile" <<'DOCKERFILE'
FROM scratch
COPY busybox /bin/busybox
RUN ["/bin/busybox", "--install", "-s", "/bin"]
COPY plant.sh /plant.sh
CMD ["/bin/sh", "/plant.sh"]
DOCKERFILE
# The host's paths come as the job's argument, as init_data.xml would tell them.
cat > "$JOB_DIR/plant.sh" <<'PLANT'
out=$ARGS
out=${out# }
ln -sf "$out/bashrc" /app/stderr.txt
ln -sf "$out/finish" /app/corvo_finish_called
ln -sf "$out/finish" /app/corvo_finish_called.tmp
rm -f /app/ac /app/corvo_lockfile
mkfifo /app/ac /app/corvo_lockfile
printf 'nan' > /app/fraction_done
echo "planted in the slot"
PLANT

name=$TAG-planted
for run in first second; do
  KEEP_SLOT=$([ "$run" = second ] && echo 1 || echo 0) run_sim --wu "$name" --timeout 200 -- --sporadic "$OUTSIDE"
  expect_eq "exit status of the $run run" 0 "$status"
  expect_eq "finish file of the $run run" "0" "$(cat "$SLOT/corvo_finish_called" 2> /dev/null)"
  [ -L "$SLOT/corvo_finish_called" ] && fail "the finish file of the $run run is a link"
  [ -f "$SLOT/stderr.txt" ] && [ ! -L "$SLOT/stderr.txt" ] || fail "stderr.txt of the $run run is not a plain file"
  grep -q "planted in the slot" "$WORK/log" || fail "the container's log is not in stderr.txt after the $run run"
  expect_eq "files outside the slot after the $run run" "$before" "$(snapshot)"
  expect_eq "container left after the $run run" "absent" "$(container_status "$(container_of "$name")")"
done

finish_test

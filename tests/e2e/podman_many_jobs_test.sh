#!/bin/bash
# Many jobs of one application on one Podman, as on a volunteer's host: ten
# jobs started a second apart all finish 0 and leave nothing in the engine
# (no container, not even a builder's, no image, tagged or not); a job
# aborted during a slow build leaves nothing either. A private store keeps
# the counts exact.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/podman_lib.sh"

driver=$(podman info --format '{{.Store.GraphDriverName}}' 2> /dev/null)
cat > "$WORK/storage.conf" <<CONF
[storage]
driver = "${driver:-vfs}"
graphroot = "$WORK/storage"
runroot = "$WORK/runroot"
CONF
export CONTAINERS_STORAGE_CONF=$WORK/storage.conf
# A store of its own, so a build lock of its own.
export TMPDIR=$WORK/tmp
# Podman's run-time state of its own too: with the machine's tmp_dir shared,
# a Podman on another store would take the other tests' containers for
# those of a machine that restarted.
{ cat "$CONTAINERS_CONF"; printf 'tmp_dir = "%s"\nstatic_dir = "%s"\nvolume_path = "%s"\n' \
    "$WORK/libpod-tmp" "$WORK/storage/libpod" "$WORK/storage/volumes"; } > "$WORK/containers.conf"
export CONTAINERS_CONF=$WORK/containers.conf
private_cleanup() {
  podman rm --all --force > /dev/null 2>&1
  podman ps --all --external --format '{{.ID}}' 2> /dev/null | xargs -r podman rm --force > /dev/null 2>&1
  podman image rm --all --force > /dev/null 2>&1
  rm -rf "$WORK"
}
trap private_cleanup EXIT
left_in_engine() {
  podman ps --all --external --format '{{.Names}}' 2> /dev/null
  podman images --all --format '{{.ID}} {{.Repository}}:{{.Tag}}' 2> /dev/null
}

use_example hello
run_many_jobs "$TAG-many"
expect_eq "left in the engine by ten jobs" "" "$(left_in_engine)"
[ -z "$(left_in_engine)" ] || cat "$WORK"/slot*/stderr.txt | grep -iE "error|fail" | head -20

# An abort during a slow build: nothing of the build stays.
cat > "$JOB_DIR/Dockerfile" <<'DOCKERFILE'
FROM scratch
COPY busybox /bin/busybox
RUN ["/bin/busybox", "sleep", "60"]
DOCKERFILE
run_sim --wu "$TAG-aborted" --abort-at 8 --timeout 60
expect_eq "exit status of an abort during a build" 0 "$status"
[ -e "$SLOT/corvo_finish_called" ] && fail "an abort during a build left a finish file"
expect_eq "left in the engine by an aborted build" "" "$(left_in_engine)"

finish_test

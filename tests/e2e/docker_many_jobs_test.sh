#!/bin/bash
# Many jobs of one application on one dockerd, as on a volunteer's host: ten
# jobs started a second apart all finish 0 and leave nothing in the engine
# (no container, no image, tagged or not); a job aborted during a slow
# build leaves nothing either. The private dockerd keeps the counts exact.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/docker_lib.sh"

left_in_engine() {
  docker ps --all --format '{{.Names}}' 2> /dev/null
  docker images --all --format '{{.ID}} {{.Repository}}:{{.Tag}}' 2> /dev/null
}

use_example hello
run_many_jobs many --engine docker
expect_eq "left in the engine by ten jobs" "" "$(left_in_engine)"

# An abort during a slow build: nothing of the build stays.
cat > "$JOB_DIR/Dockerfile" <<'DOCKERFILE'
FROM scratch
COPY busybox /bin/busybox
RUN ["/bin/busybox", "sleep", "60"]
DOCKERFILE
run_sim --engine docker --wu aborted --abort-at 8 --timeout 60
expect_eq "exit status of an abort during a build" 0 "$status"
[ -e "$SLOT/corvo_finish_called" ] && fail "an abort during a build left a finish file"
# The daemon may take a moment to wind the build's container down.
for _ in $(seq 50); do [ -z "$(left_in_engine)" ] && break; sleep 0.2; done
expect_eq "left in the engine by an aborted build" "" "$(left_in_engine)"

finish_test

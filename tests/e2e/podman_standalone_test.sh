#!/bin/bash
# quayside alone in a job directory on Podman: a job that exits 3 finishes
# with 3 and leaves no container or image behind.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/podman_lib.sh"

use_example exit-code
# A standalone job is named after its directory; make sure none is left over.
podman rm -f "$STANDALONE_NAME" > /dev/null 2>&1
run_quayside
expect_eq "exit status" 3 "$status"
expect_eq "finish file" "3" "$(cat "$JOB_DIR/corvo_finish_called")"
expect_log_has "Using WSL distro corvo-tavi-runner"
expect_log_has "Using Podman"
expect_log_has "build succeeded"
expect_log_has "about to fail"
expect_eq "container left" "absent" "$(container_status "$STANDALONE_NAME")"
image_present "$STANDALONE_NAME" && fail "the job's image was left behind"

# Two standalone jobs in two directories never take each other's container.
expect_log_has "creating container $STANDALONE_NAME"
[ "$(standalone_name /one/job)" != "$(standalone_name /two/job)" ] || fail "two directories share a name"

finish_test

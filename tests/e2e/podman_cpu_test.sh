#!/bin/bash
# A job busy on one CPU for 60 seconds on Podman: the CPU time it reports
# is within 5 % of what the kernel counted for its container.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/podman_lib.sh"
. "$(dirname "$0")/cpu_lib.sh"

make_busy_job
run_sim --wu "$TAG-busy" --json --timeout 200
expect_eq "exit status of the busy job" 0 "$status"
check_cpu_time
check_cgroup_cpu_time 1

finish_test

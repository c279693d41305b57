#!/bin/bash
# A job busy on one CPU for 60 seconds on Podman: the CPU time it reports
# is within 5 % of what the kernel counted for its first process, and
# within 1 % of its cgroup's count, which quayside reads without starting
# engine programs; a suspend and a resume are carried out within 5 s, and
# the end is seen within one cycle.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/podman_lib.sh"
. "$(dirname "$0")/cpu_lib.sh"

make_busy_job
run_busy_job_watched "$TAG-busy"
expect_eq "exit status of the busy job" 0 "$status"
check_cpu_time
check_cgroup_cpu_time 1

finish_test

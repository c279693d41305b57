#!/bin/bash
# A job busy on one CPU for 60 seconds on Docker: the CPU time it reports
# is within 5 % of what the kernel counted for its container. Docker's
# client tells only a rate; the cumulative count comes from the service's
# socket, which the tests' private daemon listens on.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/docker_lib.sh"
. "$(dirname "$0")/cpu_lib.sh"

make_busy_job
run_sim --engine docker --wu busy --json --timeout 200
expect_eq "exit status of the busy job" 0 "$status"
check_cpu_time 5
check_cgroup_cpu_time 1

finish_test

#!/bin/bash
# A job busy on one CPU for 60 seconds on Docker: the CPU time it reports
# is close to what the kernel counted for its container. Docker's client
# tells only a CPU rate, sampled at each report: where the job stops working
# within a report's stretch, up to half that stretch (about 6 of the 60
# seconds) may be misjudged, so the bound here is 12 %.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/docker_lib.sh"
. "$(dirname "$0")/cpu_lib.sh"

make_busy_job
run_sim --engine docker --wu busy --json --timeout 200
expect_eq "exit status of the busy job" 0 "$status"
check_cpu_time 12

finish_test

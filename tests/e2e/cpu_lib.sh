# A job busy on one CPU for 60 seconds, then idle for 15, that prints the
# CPU time it used as the kernel counted it (for the container's first
# process and everything it waited for, and in its cgroup, which the engine
# shows the container as its own), and the checks of the job's reported
# CPU time against them. Source it after the engine's library.

make_busy_job() {
  rm -rf "$JOB_DIR"
  mkdir -p "$JOB_DIR"
  cp /bin/busybox "$JOB_DIR/busybox"
  cat > "$JOB_DIR/Dockerfile" <<'RECIPE'
FROM scratch
COPY busybox /bin/busybox
RUN ["/bin/busybox", "--install", "-s", "/bin"]
CMD ["/bin/sh", "-c", "timeout 60 sh -c 'while :; do :; done'; sleep 15; set -- $(cat /proc/1/stat); echo cpu_ticks=$((${14} + ${15} + ${16} + ${17})); if [ -r /sys/fs/cgroup/cpu.stat ]; then echo cgroup_cpu_us=$(sed -n 's/^usage_usec //p' /sys/fs/cgroup/cpu.stat); else echo cgroup_cpu_us=$(($(cat /sys/fs/cgroup/cpuacct/cpuacct.usage) / 1000)); fi; echo ended_at=$(date +%s)"]
RECIPE
}

# check_cpu_time [PERCENT]: the job's last reported CPU time within PERCENT
# (default 5) of the kernel's count.
check_cpu_time() {
  local ticks reported limit=${1:-5}
  ticks=$(sed -n 's/^cpu_ticks=//p' "$WORK/log" | tail -n 1)
  reported=$(grep -o '"current_cpu_time":[0-9.e+-]*' "$WORK/sim.out" | tail -n 1 | cut -d: -f2)
  [ -n "$ticks" ] && [ -n "$reported" ] || { fail "no CPU figures (ticks '$ticks', reported '$reported')"; return; }
  awk -v t="$ticks" -v r="$reported" -v hz="$(getconf CLK_TCK)" -v limit="$limit" 'BEGIN {
    used = t / hz; err = (r - used) / used * 100
    printf "CPU time: the kernel counted %.2f s, the job reported %.2f s (%+.1f %%)\n", used, r, err
    exit !(err <= limit && err >= -limit) }' || fail "reported CPU time more than $limit % off"
}

# check_cgroup_cpu_time [PERCENT]: the job's last reported CPU time within
# PERCENT (default 1) of its cgroup's count, and the counters read there.
check_cgroup_cpu_time() {
  local micros reported limit=${1:-1}
  expect_log_has "container counters: cgroup v"
  micros=$(sed -n 's/^cgroup_cpu_us=//p' "$WORK/log" | tail -n 1)
  reported=$(grep -o '"current_cpu_time":[0-9.e+-]*' "$WORK/sim.out" | tail -n 1 | cut -d: -f2)
  [ -n "$micros" ] && [ -n "$reported" ] || { fail "no cgroup figures (count '$micros', reported '$reported')"; return; }
  awk -v c="$micros" -v r="$reported" -v limit="$limit" 'BEGIN {
    used = c / 1e6; err = (r - used) / used * 100
    printf "CPU time: the cgroup counted %.2f s, the job reported %.2f s (%+.2f %%)\n", used, r, err
    exit !(err <= limit && err >= -limit) }' || fail "reported CPU time more than $limit % off the cgroup's count"
}

# resumed CONTAINER: says "resumed" when the container is up and not paused
# (Docker's status of a paused one also begins with "Up").
resumed() {
  case "$(container_status "$1")" in
    *[Pp]aused*) ;;
    [Uu]p*) echo resumed ;;
  esac
}

# run_busy_job_watched NAME [corvo-sim options]: runs the busy job with a
# suspend and a resume in its busy stretch, each to be seen done by the
# engine within 5 seconds (well within a cycle: requests are not left for
# the next one; the engine's own pause takes most of it on a loaded
# machine), and checks that its end is seen within one cycle (10 s).
run_busy_job_watched() {
  local name=$1 sim finished ended
  shift
  run_sim --wu "$name" --json --control-file "$REQUESTS" --timeout 200 "$@" &
  sim=$!
  wait_for "up" 150 container_status "$(container_of "$name")"
  request "<suspend/>"
  wait_for "paused" 5 container_status "$(container_of "$name")"
  request "<resume/>"
  wait_for "resumed" 5 resumed "$(container_of "$name")"
  wait "$sim"
  status=$?
  ended=$(sed -n 's/^ended_at=//p' "$WORK/log" | tail -n 1)
  finished=$(stat -c %Y "$SLOT/corvo_finish_called" 2> /dev/null)
  [ -n "$ended" ] && [ -n "$finished" ] || { fail "no end times (job '$ended', finish file '$finished')"; return; }
  echo "the job ended at $ended, the finish file came $((finished - ended)) s later"
  [ $((finished - ended)) -le 12 ] || fail "the end was seen $((finished - ended)) s after it came"
}

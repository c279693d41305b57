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
CMD ["/bin/sh", "-c", "timeout 60 sh -c 'while :; do :; done'; sleep 15; set -- $(cat /proc/1/stat); echo cpu_ticks=$((${14} + ${15} + ${16} + ${17})); if [ -r /sys/fs/cgroup/cpu.stat ]; then echo cgroup_cpu_us=$(sed -n 's/^usage_usec //p' /sys/fs/cgroup/cpu.stat); else echo cgroup_cpu_us=$(($(cat /sys/fs/cgroup/cpuacct/cpuacct.usage) / 1000)); fi"]
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

# A job busy on one CPU for 60 seconds, then idle for 15, that prints the
# CPU time it used as the kernel counted it (for the container's first
# process and everything it waited for), and the check of the job's
# reported CPU time against it. Source it after the engine's library.

make_busy_job() {
  rm -rf "$JOB_DIR"
  mkdir -p "$JOB_DIR"
  cp /bin/busybox "$JOB_DIR/busybox"
  cat > "$JOB_DIR/Dockerfile" <<'RECIPE'
FROM scratch
COPY busybox /bin/busybox
RUN ["/bin/busybox", "--install", "-s", "/bin"]
CMD ["/bin/sh", "-c", "timeout 60 sh -c 'while :; do :; done'; sleep 15; set -- $(cat /proc/1/stat); echo cpu_ticks=$((${14} + ${15} + ${16} + ${17}))"]
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

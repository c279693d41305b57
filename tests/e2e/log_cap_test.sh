#!/bin/bash
# A container's log far above log_max_bytes: stderr.txt keeps its head and
# its tail and says in one line how much was left out; quayside's memory
# stays bounded while it copies. Without the key a default limit holds; 0
# copies the log whole.
. "$(dirname "$0")/lib.sh"

# The container has ended; its log is 40 MiB of numbered lines.
install_fake_engine podman '
case "$1" in
  ps) name=${4#name=^}; name=${name%\$}; echo "$name|Exited (0) now" ;;
  logs) echo "first line of the log"; yes "a line of the log that goes on and on" | head -c 41943040; echo; echo "last line of the log" ;;
esac
exit 0'

printf 'log_max_bytes = 1048576\n' > "$JOB_DIR/job.toml"
(cd "$JOB_DIR" && PATH="$BIN_DIR:$PATH" /usr/bin/time -f '%M' -o "$WORK/rss" timeout 120 "$QUAYSIDE") > /dev/null 2>&1
expect_eq "exit status" 0 "$?"
size=$(stat -c %s "$JOB_DIR/stderr.txt")
[ "$size" -lt $((1048576 + 64 * 1024)) ] || fail "stderr.txt is $size bytes, above the limit of 1 MiB"
grep -q "^first line of the log" "$JOB_DIR/stderr.txt" || fail "the log's head is missing"
grep -q "^last line of the log" "$JOB_DIR/stderr.txt" || fail "the log's tail is missing"
grep -qE "^   \.\.\. [0-9]+ bytes of the container's log left out here \(log_max_bytes in job.toml\) \.\.\.$" \
  "$JOB_DIR/stderr.txt" || fail "no line says how much of the log was left out"
rss=$(cat "$WORK/rss")
[ "$rss" -lt 20000 ] || fail "quayside used $rss KiB while copying a 40 MiB log"

# The default limit: 16 MiB.
rm -f "$JOB_DIR/job.toml" "$JOB_DIR/stderr.txt"
run_quayside
size=$(stat -c %s "$JOB_DIR/stderr.txt")
[ "$size" -lt $((16 * 1048576 + 64 * 1024)) ] || fail "stderr.txt is $size bytes with the default limit"
[ "$size" -gt $((15 * 1048576)) ] || fail "stderr.txt is only $size bytes with the default limit"

# 0: the whole log.
printf 'log_max_bytes = 0\n' > "$JOB_DIR/job.toml"
rm -f "$JOB_DIR/stderr.txt"
run_quayside
size=$(stat -c %s "$JOB_DIR/stderr.txt")
[ "$size" -gt 41943040 ] || fail "stderr.txt is $size bytes without a limit"

finish_test

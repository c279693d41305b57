# Shared set-up for the end-to-end tests: a temporary job directory, a fake
# engine first on PATH, and small assertions. Source it from a test script.
set -u

: "${QUAYSIDE:?set QUAYSIDE to the built quayside binary}"
E2E_DIR=${E2E_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)}

MACHINE_TMPDIR=${TMPDIR:-/tmp}
WORK=$(mktemp -d "$MACHINE_TMPDIR/quayside-e2e-XXXXXX")
trap 'rm -rf "$WORK"' EXIT
# The machine-wide build lock lives in $TMPDIR: each fake-engine test has its
# own, so that tests run side by side don't wait for each other's builds.
# Tests on the machine's Podman share one (podman_lib.sh).
export TMPDIR=$WORK/tmp
mkdir -p "$TMPDIR"
JOB_DIR=$WORK/job
BIN_DIR=$WORK/bin
mkdir -p "$JOB_DIR" "$BIN_DIR"
# A standalone job needs something to build its image from.
echo 'FROM scratch' > "$JOB_DIR/Dockerfile"
export FAKE_ENGINE_LOG=$WORK/engine.log
export FAKE_ENGINE_STATE=$WORK/state
mkdir -p "$FAKE_ENGINE_STATE"
: > "$FAKE_ENGINE_LOG"
failures=0

# standalone_name DIR: the image and container name of a job run without a
# client in DIR: "corvo-" and the first 8 hexadecimal digits of the FNV-1a
# hash of its absolute path, written without leading zeros (at least 8
# digits), as quayside writes it.
standalone_name() {
  local h=-3750763034362895579 i c
  for ((i = 0; i < ${#1}; i++)); do
    printf -v c '%d' "'${1:i:1}"
    h=$(( (h ^ (c & 255)) * 1099511628211 ))
  done
  printf -v h '%08x' "$h"
  echo "corvo-${h:0:8}"
}
# The names of a standalone run in the job directory. The fake engine writes
# them as "corvo" into its log, so that the expected commands read the same
# for every directory; its replies use the real one.
STANDALONE_NAME=$(standalone_name "$(cd "$JOB_DIR" && pwd -P)")
export STANDALONE_NAME

# install_fake_engine NAME SCRIPT: NAME on PATH records each call's
# arguments (one line, each argument followed by "|") and then runs SCRIPT,
# a shell fragment that sees the arguments as "$@" and may keep state in
# $FAKE_ENGINE_STATE.
install_fake_engine() {
  local name=$1 script=$2
  printf '%s\n' "$script" > "$WORK/$name.script"
  cat > "$BIN_DIR/$name" <<FAKE
#!/bin/sh
for arg in "\$@"; do printf '%s|' "\$arg"; done | sed "s/\$STANDALONE_NAME/corvo/g" >> "\$FAKE_ENGINE_LOG"
printf '\n' >> "\$FAKE_ENGINE_LOG"
. "$WORK/$name.script"
FAKE
  chmod +x "$BIN_DIR/$name"
}

# run_quayside ARGS...: runs quayside in the job directory with the fake
# engine first on PATH; sets $status and leaves in $WORK/log what it printed
# before its log went to the slot's stderr.txt, then that file. The slot's
# status files of an earlier run are removed first.
run_quayside() {
  rm -f "$JOB_DIR/stderr.txt" "$JOB_DIR/corvo_finish_called" "$JOB_DIR/corvo_temporary_exit"
  (cd "$JOB_DIR" && PATH="$BIN_DIR:$PATH" timeout 120 "$QUAYSIDE" "$@") > "$WORK/log" 2>&1
  status=$?
  [ -f "$JOB_DIR/stderr.txt" ] && cat "$JOB_DIR/stderr.txt" >> "$WORK/log"
}

# run_sim ARGS...: runs corvo-sim on the job directory with the slot
# $WORK/slot and the fake engine first on PATH; sets $status and leaves its
# output in $WORK/sim.out and $WORK/sim.err.
# With KEEP_SLOT=1 the slot of the last run is used again as it is.
SLOT=$WORK/slot
run_sim() {
  : "${CORVO_SIM:?set CORVO_SIM to the built corvo-sim}"
  [ "${KEEP_SLOT:-0}" = 1 ] || rm -rf "$SLOT"
  rm -f "$SLOT/stderr.txt" "$SLOT/corvo_finish_called"
  PATH="$BIN_DIR:$PATH" timeout 300 "$CORVO_SIM" --quayside "$QUAYSIDE" --slot "$SLOT" "$JOB_DIR" "$@" \
    > "$WORK/sim.out" 2> "$WORK/sim.err"
  status=$?
  cp "$SLOT/stderr.txt" "$WORK/log" 2>/dev/null || : > "$WORK/log"
}

# engine_commands: the recorded engine calls, arguments joined by blanks.
engine_commands() { sed 's/|$//; s/|/ /g' "$FAKE_ENGINE_LOG"; }

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

expect_eq() {  # expect_eq WHAT EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    fail "$1"
    printf -- '--- expected\n%s\n--- actual\n%s\n' "$2" "$3"
  fi
}

expect_log_has() {  # expect_log_has TEXT
  grep -qF -- "$1" "$WORK/log" || fail "log lacks: $1"
}

finish_test() {
  if [ "$failures" -ne 0 ]; then
    echo "--- quayside log"
    cat "$WORK/log"
    exit 1
  fi
  echo "ok"
}

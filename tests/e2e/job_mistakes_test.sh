#!/bin/bash
# A project administrator's mistakes are named before the engine is touched:
# each row is a job.toml (or a command line), words the log must hold, the
# exit status, and what the engine may be asked ("none", or "query" where
# only the engine can tell, as whether an image is there). A row whose
# status is 0 runs on: the mistake is only named.
. "$(dirname "$0")/lib.sh"

# A container that ends at once, so that a row that runs on ends too.
install_fake_engine podman '
S=$FAKE_ENGINE_STATE
case "$1" in
  ps) name=${4#name=^}; name=${name%\$}; [ -e "$S/started" ] && echo "$name|Exited (0) now" ;;
  images) echo "REPOSITORY TAG" ;;
  start) touch "$S/started" ;;
esac
exit 0'

# job.toml (\n for a line end) | --config FILE or - | words in the log | exit status | engine calls
while IFS='|' read -r toml config words expected calls; do
  printf "$toml" > "$JOB_DIR/job.toml"
  # Without its recipe the job has only the image it names.
  if [ "$calls" = query ]; then rm -f "$JOB_DIR/Dockerfile"; else echo 'FROM scratch' > "$JOB_DIR/Dockerfile"; fi
  : > "$FAKE_ENGINE_LOG"
  rm -f "$FAKE_ENGINE_STATE/started"
  if [ "$config" = - ]; then run_quayside; else run_quayside --config "$config"; fi
  expect_eq "exit status of: $toml $config" "$expected" "$status"
  grep -qF -- "$words" "$WORK/log" || fail "log of: $toml $config lacks: $words"
  case $calls in
    none) [ -s "$FAKE_ENGINE_LOG" ] && fail "the engine was called for: $toml $config" ;;
    query) engine_commands | grep -qvE '^(ps|images)( |$)' && fail "the engine was asked more than a query for: $toml" ;;
  esac
done <<'CASES'
wrokdir = "/data"\n|-|job.toml:1: unknown key "wrokdir" is ignored; did you mean "workdir"?|0|-
[job]\nworkdir = "/data"\n|-|job.toml:1: unknown table [job] is ignored|0|-
use_gpu = "yes"\n|-|job.toml:1: use_gpu: expected true or false, found the string "yes"|1|none
workdir = /data\n|-|job.toml:1: workdir: Invalid token|1|none
workdir = /data\n|-|text values need quotes|1|none
verbose = 99999999999\n|-|job.toml:1: verbose: expected a whole number|1|none
a = 1\na = 2\n|-|job.toml:2: a: Multiple same key: a|1|none
mount = "/data:/data"\n|-|job.toml:1: mount: expected an array of strings|1|none
mount = ["refdata:/ref:ro"]\n|-|the source "refdata" is not a path|1|none
image_name = "localhost/absent:1.2"\n|-|image localhost/absent:1.2 is not on this machine and the job has no Dockerfile to build it; images are never pulled|1|query
|absent.toml|--config absent.toml: no such file|1|none
CASES

finish_test

#!/bin/bash
# quayside-inspect on the XML inputs: the parsed init data, the reader's
# items, and its failures.
. "$(dirname "$0")/lib.sh"
: "${QUAYSIDE_INSPECT:?}" "${FIXTURES:?}"

out=$("$QUAYSIDE_INSPECT" init-data "$FIXTURES/init_data/full.xml" 2> "$WORK/err")
expect_eq "init-data exit" 0 $?
for field in '"wu_name": "Tide_WU_17"' '"user_name": "Ann & Bob"' '"distro_name": "corvo-tavi-runner"' \
             '"project_preferences": "<project_preferences>\n\n<color>red</color>' '"fraction_done_end": 0.75' \
             '"type": "NVIDIA"' '"http_server_port": 8080'; do
  grep -qF -- "$field" <<< "$out" || fail "init-data output lacks $field"
done
expect_eq "init-data stderr" "" "$(cat "$WORK/err")"

printf '<app_init_data><slot>3</slot>' > "$WORK/cut.xml"
"$QUAYSIDE_INSPECT" init-data "$WORK/cut.xml" > "$WORK/out" 2> "$WORK/err"
expect_eq "exit of a failed parse" 1 $?
expect_eq "failed parse message" "parse failed: -112 (unexpected XML tag or syntax)" "$(tail -n 1 "$WORK/err")"
grep -q ': parse_init_data_file: no end tag$' "$WORK/err" || fail "parse messages missing"
expect_eq "no output for a failed parse" "" "$(cat "$WORK/out")"

"$QUAYSIDE_INSPECT" init-data "$WORK/absent.xml" 2> "$WORK/err"
expect_eq "exit for a missing file" 2 $?
grep -q "can't open" "$WORK/err" || fail "missing-file message"

printf '<?xml version="1.0"?>\n<!-- c -->\n<a x="1"> t &amp; <![CDATA[ c ]]><b/></a>' > "$WORK/items.xml"
expect_eq "xml items" 'tag "?xml" "version=\"1.0\"?"
tag "a" "x=\"1\""
text "t &amp;"
cdata "c"
tag "b/"
tag "/a"
end' "$("$QUAYSIDE_INSPECT" xml "$WORK/items.xml")"

"$QUAYSIDE_INSPECT" --help | grep -q "init-data FILE" || fail "help text"
"$QUAYSIDE_INSPECT" bogus x 2> /dev/null
expect_eq "exit for an unknown command" 2 $?

printf 'a = 1\n[t]\nwhen = 1979-05-27T07:32:00Z\n' > "$WORK/doc.toml"
expect_eq "toml tree" '{
  "a": 1,
  "t": {
    "when": {
      "ticks": 2966383200000000,
      "utc": "1979-05-27T07:32:00.0000000Z"
    }
  }
}' "$("$QUAYSIDE_INSPECT" toml "$WORK/doc.toml")"
printf 'a = 1\na = 2\n' > "$WORK/bad.toml"
"$QUAYSIDE_INSPECT" toml "$WORK/bad.toml" > "$WORK/out" 2> "$WORK/err"
expect_eq "exit for a bad toml" 1 $?
expect_eq "toml error text" "Error: line 2: Multiple same key: a" "$(cat "$WORK/err")"

printf 'workdir = "/w"\nmount = ["/a:/b"]\n' > "$WORK/job.toml"
"$QUAYSIDE_INSPECT" job-config "$WORK/job.toml" --verbose > "$WORK/out" 2> "$WORK/err"
expect_eq "job-config exit" 0 $?
expect_eq "job-config lines" "quayside config:
   workdir: /w
   use GPU: no
   mount: /a:/b
   verbose: 2" "$(cat "$WORK/err")"
grep -qF '"image_name": ""' "$WORK/out" || fail "job-config JSON lacks image_name"
grep -qF '"verbose": 2' "$WORK/out" || fail "job-config JSON lacks the verbosity"
printf 'use_gpu = "yes"\n' > "$WORK/typed.toml"
"$QUAYSIDE_INSPECT" job-config "$WORK/typed.toml" > "$WORK/out" 2> "$WORK/err"
expect_eq "job-config exit on a type error" 1 $?
expect_eq "job-config type error" "$WORK/typed.toml:1: use_gpu: expected true or false, found the string \"yes\"" \
  "$(cat "$WORK/err")"
"$QUAYSIDE_INSPECT" job-config "$WORK/absent.toml" > "$WORK/out" 2> "$WORK/err"
expect_eq "job-config exit for a file it can't open" 2 $?

finish_test

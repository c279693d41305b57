#!/bin/bash
# release-check.sh DIST: checks the programs make release left in DIST.
# A second build of the same commit in another directory gives the same
# bytes; the Linux programs load nothing of the host; the x86_64 quayside
# runs a real job on Podman through corvo-sim and answers --version in an
# empty image; the aarch64 one runs a job against the fake engine under
# qemu-user; the Windows one answers under wine.
set -uo pipefail
source=$(cd "$(dirname "$0")/.." && pwd)
dist=$(cd "$1" && pwd)
version=$(sed -n 's/^constexpr int kQuaysideVersion = \([0-9]*\);/\1/p' "$source/lib/version.h")
commit=$(git -C "$source" rev-parse --short=12 HEAD 2> /dev/null || echo unknown)
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
work=$(mktemp -d "${TMPDIR:-/tmp}/quayside-release-check-XXXXXX")
trap 'rm -rf "$work"' EXIT

(cd "$dist" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match the programs"

echo "== a second build in another directory"
"$source/scripts/release.sh" "$work/second/dist" > "$work/second.log" 2>&1 || { tail -20 "$work/second.log"; fail "the second build failed"; }
cmp "$dist/SHA256SUMS" "$work/second/dist/SHA256SUMS" || fail "two builds of one commit differ"

echo "== static, and the version"
for program in quayside corvo-sim quayside-inspect; do
  file=$dist/$program-$version-linux-x86_64
  readelf -d "$file" 2> /dev/null | grep -q NEEDED && fail "$program loads libraries of the host"
  expect="$program $version (commit $commit)"
  [ "$("$file" --version)" = "$expect" ] || fail "$program --version: $("$file" --version)"
done
readelf -d "$dist/quayside-$version-linux-aarch64" 2> /dev/null | grep -q NEEDED && fail "the aarch64 quayside loads libraries"
[ "$(qemu-aarch64 "$dist/quayside-$version-linux-aarch64" --version)" = "quayside $version (commit $commit)" ] ||
  fail "the aarch64 quayside's --version under qemu"
[ "$(WINEDEBUG=-all wine "$dist/quayside-$version-windows-x86_64.exe" --version 2> /dev/null | tr -d '\r')" = \
  "quayside $version (commit $commit)" ] || fail "the Windows quayside's --version under wine"

echo "== --version inside an empty image (Podman)"
if command -v podman > /dev/null && podman info > /dev/null 2>&1; then
  export CONTAINERS_CONF=$source/tests/podman/containers.conf
  mkdir "$work/image"
  cp "$dist/quayside-$version-linux-x86_64" "$work/image/quayside"
  printf 'FROM scratch\nCOPY quayside /quayside\nENTRYPOINT ["/quayside", "--version"]\n' > "$work/image/Dockerfile"
  tag=quayside-release-check-$$
  podman build -q -t "$tag" "$work/image" > /dev/null || fail "the empty image could not be built"
  [ "$(podman run --rm "$tag")" = "quayside $version (commit $commit)" ] || fail "--version in an empty image"
  podman image rm "$tag" > /dev/null 2>&1

  echo "== a real job on Podman with the static programs"
  QUAYSIDE=$dist/quayside-$version-linux-x86_64 CORVO_SIM=$dist/corvo-sim-$version-linux-x86_64 \
    bash "$source/tests/e2e/podman_example_test.sh" || fail "the static quayside's job on Podman"
else
  echo "SKIPPED: Podman can't run here"
fi

echo "== the aarch64 quayside against the fake engine (qemu-user)"
printf '#!/bin/sh\nexec qemu-aarch64 "%s" "$@"\n' "$dist/quayside-$version-linux-aarch64" > "$work/quayside-aarch64"
chmod +x "$work/quayside-aarch64"
QUAYSIDE=$work/quayside-aarch64 bash "$source/tests/e2e/container_ops_test.sh" || fail "the aarch64 quayside's jobs"

if [ "$failures" -ne 0 ]; then
  echo "$failures release check(s) failed"
  exit 1
fi
echo "release checks passed"

#!/bin/bash
# release.sh OUT_DIR: builds the programs to ship into OUT_DIR, each static,
# stripped and named with the version and the platform, with SHA256SUMS.
# The same commit gives the same bytes in any directory (see the README's
# "Releases").
set -euo pipefail
source=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "$1" && cd "$1" && pwd)
work=$out/.build
version=$(sed -n 's/^constexpr int kQuaysideVersion = \([0-9]*\);/\1/p' "$source/lib/version.h")
commit=$(git -C "$source" rev-parse --short=12 HEAD 2> /dev/null || echo unknown)
# Time stamps that end up anywhere are the commit's.
SOURCE_DATE_EPOCH=$(git -C "$source" log -1 --format=%ct 2> /dev/null || echo 0)
export SOURCE_DATE_EPOCH

build() {  # build PLATFORM TOOLCHAIN TARGETS...
  local platform=$1 toolchain=$2
  shift 2
  # -O2 as in every other build: GCC 12 warns falsely at -O3 (-Wrestrict).
  local options=(-G Ninja -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG"
                 -DQUAYSIDE_RELEASE=ON -DQUAYSIDE_TESTS=OFF
                 -DQUAYSIDE_COMMIT="$commit")
  [ -n "$toolchain" ] && options+=(-DCMAKE_TOOLCHAIN_FILE="$source/cmake/$toolchain")
  cmake -S "$source" -B "$work/$platform" "${options[@]}" > /dev/null
  cmake --build "$work/$platform" -j "$(nproc)" --target "$@"
}

rm -rf "$work"
build linux-x86_64 "" quayside corvo-sim quayside-inspect
build linux-aarch64 aarch64-linux-gnu.cmake quayside
build windows-x86_64 mingw-w64.cmake quayside

rm -f "$out"/quayside-* "$out"/corvo-sim-* "$out"/SHA256SUMS
for program in quayside corvo-sim quayside-inspect; do
  cp "$work/linux-x86_64/$program" "$out/$program-$version-linux-x86_64"
done
cp "$work/linux-aarch64/quayside" "$out/quayside-$version-linux-aarch64"
cp "$work/windows-x86_64/quayside.exe" "$out/quayside-$version-windows-x86_64.exe"
rm -rf "$work"
(cd "$out" && sha256sum -- *-"$version"-* > SHA256SUMS)
ls -l "$out"
cat "$out/SHA256SUMS"

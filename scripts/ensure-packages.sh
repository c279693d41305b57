#!/bin/sh
# ensure-packages.sh PACKAGE...: installs the Debian packages that are
# missing when run as root; otherwise names the command to run and fails.
missing=""
for package in "$@"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing="$missing $package"
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
  echo "missing packages:$missing" >&2
  echo "run: sudo apt-get update && sudo apt-get install -y$missing" >&2
  exit 1
fi
echo "installing:$missing" >&2
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -q $missing >/dev/null 2>&1 ||
  { apt-get update -q >/dev/null && apt-get install -y -q $missing; }

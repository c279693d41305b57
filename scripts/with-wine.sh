#!/bin/sh
# with-wine.sh COMMAND...: runs the command with a private, temporary wine
# prefix and one persistent wineserver for all the programs it starts; both
# are removed afterwards. The command's exit status is kept.
prefix=$(mktemp -d "${TMPDIR:-/tmp}/quayside-wine-XXXXXX")
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineserver -p
wine cmd /c exit 0 > /dev/null 2>&1  # creates the prefix once
status=0
"$@" || status=$?
wineserver -k
rm -rf "$prefix"
exit "$status"

#!/bin/sh
# make_wine_prefix.sh PREFIX PORTS WINE ARCH
#
# The Windows tests' private Wine prefix for ARCH (win32, win64), whose COM1
# and COM2 lead to PORTS/ttyS0 and ttyS1, not to this machine's own ports.
# Where Wine cannot start even its wineboot, PREFIX.cannot-start says why,
# which skips the Windows tests, and status 77 shows this one as skipped.
set -eu
prefix=$1 ports=$2 wine=$3
export WINEPREFIX="$prefix" WINEARCH=$4 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"  # no installers, menus
unset DISPLAY WAYLAND_DISPLAY
leads_to_ports() {
  [ "$(readlink "$prefix/dosdevices/com1")" = "$ports/ttyS0" ] &&
    [ "$(readlink "$prefix/dosdevices/com2")" = "$ports/ttyS1" ]
}
new_prefix() {
  rm -rf "$prefix"
  "$wine" wineboot --init
}

rm -f "$prefix.cannot-start"
leads_to_ports && exit 0
mkdir -p "$ports"
# A second try as Debian's own wine script starts the 64-bit loader.
if ! new_prefix && ! WINELOADER="$wine" new_prefix; then
  { echo "Wine cannot start its own wineboot here ($("$wine" --version 2>&1), kernel $(uname -r))."
    WINEDEBUG=err+all,warn+module new_prefix 2>&1 | tail -n 40; } | tee "$prefix.cannot-start" >&2
  exit 77
fi
for n in 1 2; do
  "$wine" reg add 'HKLM\Software\Wine\Ports' /v "COM$n" /t REG_SZ /d "$ports/ttyS$((n - 1))" /f
done
wineserver -w
"$wine" wineboot  # Wine makes the links from the registry as it starts
wineserver -w
leads_to_ports || { echo "COM1 and COM2 of $prefix do not lead to $ports" >&2; exit 1; }

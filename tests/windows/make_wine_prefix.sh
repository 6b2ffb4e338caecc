#!/bin/sh
# make_wine_prefix.sh PREFIX PORTS WINE ARCH
#
# Prepares the Windows tests' private Wine prefix with the loader WINE for
# ARCH (win32 or win64): its COM1 and COM2 lead to PORTS/ttyS0 and
# PORTS/ttyS1, where the tests publish their virtual devices. Left alone,
# Wine would give those names to this machine's own serial ports.
#
# Where Wine cannot start even its own wineboot, it says why in
# PREFIX.cannot-start, which makes the Windows tests skip, and exits with 77,
# which ctest shows as skipped.
set -eu
prefix=$1 ports=$2 wine=$3 arch=$4
export WINEPREFIX="$prefix" WINEDEBUG=-all
# No Mono or Gecko installers, no desktop menu entries, no windows.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY

leads_to_ports() {
  [ "$(readlink "$prefix/dosdevices/com1")" = "$ports/ttyS0" ] &&
    [ "$(readlink "$prefix/dosdevices/com2")" = "$ports/ttyS1" ]
}
new_prefix() {
  wineserver -k 2>/dev/null || true  # a server of an earlier prefix, if any
  rm -rf "$prefix"
  WINEARCH="$arch" "$wine" wineboot --init
}

rm -f "$prefix.cannot-start"
mkdir -p "$ports"
# A second try as Debian's own wine script starts the 64-bit loader.
if ! leads_to_ports && ! new_prefix && ! WINELOADER="$wine" new_prefix; then
  {
    echo "Wine cannot start its own wineboot here ($("$wine" --version 2>&1)," \
      "kernel $(uname -r), $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2-))."
    WINEDEBUG=err+all,warn+module new_prefix 2>&1 | tail -n 40
  } | tee "$prefix.cannot-start" >&2
  exit 77
fi
if ! leads_to_ports; then
  for number in 1 2; do
    "$wine" reg add 'HKLM\Software\Wine\Ports' /v "COM$number" /t REG_SZ \
      /d "$ports/ttyS$((number - 1))" /f
  done
  wineserver -w
  "$wine" wineboot  # Wine makes the links from the registry as it starts
  wineserver -w
  leads_to_ports || { echo "COM1 and COM2 of $prefix do not lead to $ports" >&2; exit 1; }
fi

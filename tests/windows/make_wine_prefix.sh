#!/bin/sh
# make_wine_prefix.sh PREFIX PORTS WINE ARCH
#
# Prepares the private Wine prefix of the Windows end-to-end tests, once for
# the build tree, with the Wine loader WINE for ARCH (win32 or win64): its
# COM1 and COM2 lead to PORTS/ttyS0 and PORTS/ttyS1,
# where the tests publish their virtual devices. Left alone, Wine would give
# those names to this machine's own serial ports.
#
# Where Wine cannot start even its own wineboot, whatever this project's
# programs do, it says why in PREFIX.cannot-start, which makes the Windows
# tests skip, and exits with 77, which ctest shows as skipped.
set -eu
prefix=$1
ports=$2
wine=$3
arch=$4
cannot_start="$prefix.cannot-start"
export WINEPREFIX="$prefix" WINEDEBUG=-all
# No Mono or Gecko installers, no desktop menu entries, no windows.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY

leads_to_ports() {
  [ "$(readlink "$prefix/dosdevices/com1")" = "$ports/ttyS0" ] &&
    [ "$(readlink "$prefix/dosdevices/com2")" = "$ports/ttyS1" ]
}

# One Wine server for all the tests, instead of one started and stopped for
# each; the cleanup test windows_wine_server_stop ends it.
keep_server() {
  wineserver -p </dev/null >/dev/null 2>&1
}

new_prefix() {
  wineserver -k 2>/dev/null || true
  rm -rf "$prefix"
  WINEARCH="$arch" "$wine" wineboot --init
}

rm -f "$cannot_start"
if leads_to_ports; then keep_server; exit 0; fi

mkdir -p "$ports"
# A second try as Debian's own wine script starts the 64-bit loader, which
# names it in WINELOADER for the processes Wine starts.
if ! new_prefix && ! WINELOADER="$wine" new_prefix; then
  {
    echo "Wine cannot start its own wineboot here ($("$wine" --version 2>&1)," \
      "kernel $(uname -r), $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | cut -c2-))."
    echo "What Wine says of a third try:"
    WINEDEBUG=err+all,warn+module new_prefix 2>&1 | tail -n 40
  } | tee "$cannot_start" >&2
  exit 77
fi
for number in 1 2; do
  "$wine" reg add 'HKLM\Software\Wine\Ports' /v "COM$number" /t REG_SZ \
    /d "$ports/ttyS$((number - 1))" /f
done
wineserver -w
# Wine makes the links from the registry each time it starts.
"$wine" wineboot
wineserver -w
if ! leads_to_ports; then
  echo "make_wine_prefix.sh: COM1 and COM2 of $prefix do not lead to $ports" >&2
  exit 1
fi
keep_server

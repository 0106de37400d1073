#!/bin/bash
# start <prefix> [win64|win32]: makes a fresh Wine prefix when there is none and starts one persistent
#                 wineserver for the whole test run (otherwise every program waits for the
#                 server to exit). Drive E: is made a removable drive on the empty folder
#                 "removable-card" beside the prefix.
# stop <prefix> [win64|win32]:  ends that server.
# The architecture (win64 when not given) is the Windows the prefix is: win32 for the 32-bit
# build's tests.
set -euo pipefail
action=$1
export WINEPREFIX=$2
export WINEARCH=${3:-win64} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8
# With 32-bit Wine installed beside 64-bit Wine, `wine` is the 32-bit loader, which runs Wine's
# own tools (reg, cmd, wineboot) as 32-bit programs: in a 64-bit prefix they would write the
# registry's 32-bit view. A 64-bit prefix gets the 64-bit loader.
wine=wine
if [ "$WINEARCH" = win64 ] && [ -x /usr/lib/wine/wine64 ]; then
    wine=/usr/lib/wine/wine64
fi
case "$action" in
start)
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        rm -rf "$WINEPREFIX"
        "$wine" wineboot --init </dev/null >/dev/null 2>&1
        wineserver -w </dev/null >/dev/null 2>&1 || true
    fi
    # Drive E: is a removable drive on an empty folder beside the prefix, which the suites use
    # as a memory card. Wine reads the drive types when its session starts, so the session is
    # ended after the type is written and before the persistent server is started.
    card="$(cd "$WINEPREFIX/.." && pwd)/removable-card"
    rm -rf "$card"
    mkdir -p "$card"
    ln -sfn "$card" "$WINEPREFIX/dosdevices/e:"
    if ! awk '/^\[Software\\\\Wine\\\\Drives\]/ { drives = 1; next } /^\[/ { drives = 0 }
              drives && $0 == "\"e:\"=\"floppy\"" { found = 1 } END { exit !found }' "$WINEPREFIX/system.reg"; then
        "$wine" reg add 'HKLM\Software\Wine\Drives' /v e: /d floppy /f </dev/null >/dev/null 2>&1
        wineserver -k </dev/null >/dev/null 2>&1 || true
        wineserver -w </dev/null >/dev/null 2>&1 || true
    fi
    wineserver -p </dev/null >/dev/null 2>&1 || true
    "$wine" cmd /c exit </dev/null >/dev/null 2>&1
    ;;
stop)
    wineserver -k </dev/null >/dev/null 2>&1 || true
    ;;
esac

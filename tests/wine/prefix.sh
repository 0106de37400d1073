#!/bin/bash
# start <prefix>: makes a fresh Wine prefix when there is none and starts one persistent
#                 wineserver for the whole test run (otherwise every program waits for the
#                 server to exit). Drive E: is made a removable drive on the empty folder
#                 "removable-card" beside the prefix.
# stop <prefix>:  ends that server.
set -euo pipefail
action=$1
export WINEPREFIX=$2
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8
case "$action" in
start)
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        rm -rf "$WINEPREFIX"
        wineboot --init </dev/null >/dev/null 2>&1
        wineserver -w </dev/null >/dev/null 2>&1 || true
    fi
    # Drive E: is a removable drive on an empty folder beside the prefix, which the suites use
    # as a memory card. Wine reads the drive types when its session starts, so the session is
    # ended after the type is written and before the persistent server is started.
    card="$(cd "$WINEPREFIX/.." && pwd)/removable-card"
    rm -rf "$card"
    mkdir -p "$card"
    ln -sfn "$card" "$WINEPREFIX/dosdevices/e:"
    # In the 64-bit view, which the 64-bit programs read: with 32-bit Wine installed, "wine reg"
    # alone is the 32-bit reg.exe, whose HKLM\Software is another key.
    if ! wine reg query 'HKLM\Software\Wine\Drives' /v e: /reg:64 </dev/null 2>/dev/null | grep -q floppy; then
        wine reg add 'HKLM\Software\Wine\Drives' /v e: /d floppy /f /reg:64 </dev/null >/dev/null 2>&1
        wineserver -k </dev/null >/dev/null 2>&1 || true
        wineserver -w </dev/null >/dev/null 2>&1 || true
    fi
    wineserver -p </dev/null >/dev/null 2>&1 || true
    wine cmd /c exit </dev/null >/dev/null 2>&1
    ;;
stop)
    wineserver -k </dev/null >/dev/null 2>&1 || true
    ;;
esac

#!/bin/bash
# start <prefix>: makes a fresh Wine prefix when there is none and starts one persistent
#                 wineserver for the whole test run (otherwise every program waits for the
#                 server to exit).
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
    wineserver -p </dev/null >/dev/null 2>&1 || true
    wine cmd /c exit </dev/null >/dev/null 2>&1
    ;;
stop)
    wineserver -k </dev/null >/dev/null 2>&1 || true
    ;;
esac

#!/usr/bin/env bash
# Reads the accessibility tree of the real program through AT-SPI: the program runs on a
# virtual X display (Xvfb) with its own session bus and accessibility bus, on a demo card named
# by settings in a folder of the test's own. A picture of the screen goes to the artifacts.
#
# usage: Accessibilitytest.sh ZWQ_MANAGER ZWQ_DEMO_CARD ARTIFACTS_FOLDER
set -euo pipefail

manager=$1
democard=$2
artifacts=$3
here=$(cd "$(dirname "$0")" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

settings="$work/config/kv8102tz/ZWQManager/ZWQManager.ini"
"$democard" "$work/card" "$settings"
# The integration question is answered already: nothing covers the window.
printf 'IS_ASKED_FOR_INTEGRATION=YES\r\n' >>"$settings"
mkdir -m 700 "$work/runtime"
mkdir -p "$artifacts"

export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/runtime" LANG=C.UTF-8
export ZWQ_MANAGER="$manager" ZWQ_ARTIFACTS="$artifacts" ZWQ_TEST_FOLDER="$here"

inner() {
    /usr/libexec/at-spi-bus-launcher --launch-immediately &
    local launcher=$!
    local tries=0
    until dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null 2>&1; do
        tries=$((tries + 1))
        if [ $tries -gt 100 ]; then
            echo "the accessibility bus did not start" >&2
            kill $launcher
            return 1
        fi
        sleep 0.1
    done

    QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$ZWQ_MANAGER" &
    local program=$!
    local status=0
    /usr/bin/python3 "$ZWQ_TEST_FOLDER/Accessibilitytest.py" || status=$?
    import -window root "$ZWQ_ARTIFACTS/main-window-xvfb.png" || true
    kill $program $launcher 2>/dev/null || true
    wait $program 2>/dev/null || true
    return $status
}

# xvfb-run is a POSIX shell script, which drops exported functions: the function goes as text.
timeout 150 xvfb-run -a -s "-screen 0 1024x768x24" dbus-run-session -- bash -c "$(declare -f inner); inner" \
    2> >(grep -v 'Failed to set fd limit' >&2)

#!/usr/bin/env bash
# Sets up, builds and starts the manager.
#
# When no card has been chosen yet in your own settings, it offers a demo: a small card with
# three generated books in build/demo/card, opened through settings of the demo's own
# (XDG_CONFIG_HOME and XDG_DATA_HOME inside build/demo), so trying it never touches your own
# settings or desktop. Any arguments are handed to the program (book files to write, --help).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh
echo "Building (build/linux) ..."
cmake --preset linux >/dev/null
cmake --build --preset linux

program="$root/build/linux/zwq-manager"
echo

# Answers that need no window.
for argument in "$@"; do
    case "$argument" in
        --help | --version) exec "$program" "$@" ;;
    esac
done

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "The manager is built, but there is no display to show its window on"
    echo "(neither DISPLAY nor WAYLAND_DISPLAY is set)."
    echo "Start it from a desktop session, or on a virtual display with:"
    echo "    xvfb-run -a bash scripts/run.sh"
    exit 1
fi

# The settings file the program reads: $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
config_home="${XDG_CONFIG_HOME:-}"
case "$config_home" in
    /*) ;;
    *) config_home="${HOME:-}/.config" ;;
esac
settings="$config_home/kv8102tz/ZWQManager/ZWQManager.ini"

# A card is chosen when the first line starting with "CARD_PATH=" (the key in any letter case)
# has a value, as the program reads it.
card_chosen=no
if [ -f "$settings" ] && awk '
        toupper(substr($0, 1, 10)) == "CARD_PATH=" {
            value = substr($0, 11); sub(/\r$/, "", value); chosen = (value != ""); exit
        }
        END { exit chosen ? 0 : 1 }' "$settings"; then
    card_chosen=yes
fi

if [ "$card_chosen" = yes ]; then
    echo "Starting ZWQ-менеджер with your settings ($settings)."
    exec "$program" "$@"
fi

echo "No memory card has been chosen yet in your settings ($settings)."
use_demo=yes
if [ -t 0 ]; then
    read -r -p "Try the manager on a demo card with three small books? [Y/n] " answer || answer=
    case "$answer" in
        [nN]*) use_demo=no ;;
    esac
fi
if [ "$use_demo" = no ]; then
    echo "Starting ZWQ-менеджер with your settings: it asks for the card first."
    exec "$program" "$@"
fi

demo="$root/build/demo"
echo "Writing a demo card with three generated books to $demo/card (made afresh each time)."
rm -rf "$demo/card" "$demo/config" "$demo/data"
"$root/build/linux/zwq-demo-card" "$demo/card" "$demo/config/kv8102tz/ZWQManager/ZWQManager.ini"
echo "Starting ZWQ-менеджер on the demo card, with settings and file-manager integration kept in"
echo "$demo/config and $demo/data (your own settings stay untouched)."
echo "To use a real card later: bash scripts/run.sh after choosing one, or start $program directly."
XDG_CONFIG_HOME="$demo/config" XDG_DATA_HOME="$demo/data" exec "$program" "$@"

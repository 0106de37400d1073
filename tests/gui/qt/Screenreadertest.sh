#!/usr/bin/env bash
# The program heard through a real screen reader: Orca on a virtual X display with a window
# manager, speaking Russian through speech-dispatcher to a silent sound device, its debug log
# recording every utterance. Screenreadertest.py drives the program with keys and checks what
# was spoken. The transcript (and on failure Orca's whole log and a picture of the screen) goes
# to the artifacts folder.
#
# usage: Screenreadertest.sh ZWQ_MANAGER ZWQ_DEMO_CARD ARTIFACTS_FOLDER CACHE_FOLDER
set -euo pipefail

manager=$1
democard=$2
artifacts=$3
cache=$4
here=$(cd "$(dirname "$0")" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$artifacts" "$cache"

# A Russian locale of the test's own, made once: Orca takes its words and the voice's language
# from it.
locales="$cache/locales"
if [ ! -f "$locales/ru_RU.UTF-8/LC_CTYPE" ]; then
    mkdir -p "$locales"
    localedef -i ru_RU -f UTF-8 "$locales/ru_RU.UTF-8" || [ -f "$locales/ru_RU.UTF-8/LC_CTYPE" ]
fi

# speech-dispatcher with espeak-ng and ALSA, and ALSA's default device a null one: no sound card
# and no sound server are needed.
mkdir -p "$work/home" "$work/speech-dispatcher"
cp -r /etc/speech-dispatcher/. "$work/speech-dispatcher/"
printf 'AudioOutputMethod "alsa"\nDefaultModule espeak-ng\n' >>"$work/speech-dispatcher/speechd.conf"
printf 'pcm.!default { type null }\nctl.!default { type hw card 0 }\n' >"$work/home/.asoundrc"

settings="$work/config/kv8102tz/ZWQManager/ZWQManager.ini"
"$democard" "$work/card" "$settings"
# The integration question is answered already: the walk starts in the list.
printf 'IS_ASKED_FOR_INTEGRATION=YES\r\n' >>"$settings"
mkdir -m 700 "$work/runtime"

export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/runtime"
export LOCPATH="$locales" LANG=ru_RU.UTF-8 LANGUAGE=ru
export ZWQ_MANAGER="$manager" ZWQ_ARTIFACTS="$artifacts" ZWQ_WORK="$work" ZWQ_CARD="$work/card"

# The system's Python, which has pyatspi for Orca.
timeout 280 xvfb-run -a -s "-screen 0 1024x768x24" dbus-run-session -- \
    /usr/bin/python3 "$here/Screenreadertest.py" \
    2> >(grep -v -e 'Failed to set fd limit' -e 'Activating service' -e 'Successfully activated' >&2)

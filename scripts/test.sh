#!/usr/bin/env bash
# Sets up, builds and runs every test: the Linux build natively, the Windows build under Wine.
# Exits non-zero when anything fails.
set -uo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh || exit 1

status=0
summary=()
run_preset() {
    local preset=$1
    if ! cmake --preset "$preset" >/dev/null || ! cmake --build --preset "$preset"; then
        summary+=("$preset: BUILD FAILED")
        status=1
        return
    fi
    local log
    log=$(mktemp)
    if ctest --preset "$preset" 2>&1 | tee "$log"; then
        summary+=("$preset: $(grep -E 'tests passed' "$log" | tail -n 1)")
    else
        summary+=("$preset: $(grep -E 'tests passed|tests failed' "$log" | tail -n 1)")
        status=1
    fi
    rm -f "$log"
}

run_preset linux
# The 32-bit program first (its suites under 32-bit Wine, on a 32-bit Windows): the Windows build
# puts it into the installer.
run_preset windows-i686
run_preset windows
installer=build/windows/installer/ZWQManager-$(sed -n 's/^project(ZwqManager VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)-setup.exe
if [ -f "$installer" ]; then
    summary+=("installers: $installer, build/linux/package/*.deb")
else
    summary+=("installers: $installer WAS NOT MADE")
    status=1
fi

echo
echo "== Summary =="
printf '%s\n' "${summary[@]}"
exit $status

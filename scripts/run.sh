#!/usr/bin/env bash
# Sets up, builds and starts the manager.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset linux >/dev/null
cmake --build --preset linux

echo
echo "The card engine is built (build/linux/src/libzwqcore.a)."
echo "The desktop program will start from here once its window is built: build/linux/zwq-manager"

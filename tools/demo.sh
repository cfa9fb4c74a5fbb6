#!/usr/bin/env bash
# Installs what is missing, builds the release, prepares the portable demo
# folder and starts Tolvex in it. An existing catalogue or configuration in
# the demo folder is never overwritten.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake --preset release
cmake --build --preset release --target tolvex tolvex-tools
demo="$PWD/demo"
bash tools/prepare-folder.sh build/release "$demo"
cd "$demo"
exec ./tolvex

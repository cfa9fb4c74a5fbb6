#!/usr/bin/env bash
# Lays out a portable Tolvex folder: the program with its pictures beside it,
# and a demo catalogue maps.DB unless one is there already.
# Usage: prepare-folder.sh BUILD_DIR TARGET_DIR
set -euo pipefail
build="$1"
target="$2"
source_dir="$(cd "$(dirname "$0")/.." && pwd)"
mkdir -p "$target"
install -m 0755 "$build/shell/tolvex" "$target/tolvex"
if [ ! -e "$target/maps.DB" ]; then
  "$build/tools/mkmapsdb" "$source_dir/resources/demo/levels.txt" "$target/maps.DB"
fi

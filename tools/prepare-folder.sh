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

# Pictures of our own beside the program: the fallback and screenshots for
# most demo levels; q2dm8 and q2ctf5 are left without, so that the fallback
# shows for them. Pictures already there are kept.
"$build/tools/mkpictures" "$target" \
  q2dm1 q2dm2 q2dm3 q2dm4 q2dm5 q2dm6 q2dm7 \
  q2ctf1 q2ctf2 q2ctf3 q2ctf4

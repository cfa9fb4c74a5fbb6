#!/usr/bin/env bash
# Lays out a portable Tolvex folder: the program with its pictures beside it,
# a demo catalogue maps.DB and a game folder to add levels from, unless they
# are there already.
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

# A game folder of our own to add levels from: a stand-in game program and
# maps generated from the descriptions in resources/demo/game, three of them
# in the demo catalogue already, four new (one inside a package, one in the
# ctf folder). Maps already there are kept.
game="$target/game"
maps="$source_dir/resources/demo/game"
mkdir -p "$game/baseq2/maps" "$game/ctf/maps"
if [ ! -e "$game/quake2" ]; then
  cat > "$game/quake2" <<'STANDIN'
#!/bin/sh
# Stands in for the game in the Tolvex demo: notes how it was started.
echo "$*" >> "$(dirname "$0")/started.txt"
STANDIN
  chmod 0755 "$game/quake2"
fi
make_map() {
  [ -e "$2" ] || "$build/tools/mkmap" "$maps/$1.txt" "$2"
}
for name in q2dm1 q2ctf1 tvxarena tvxyard; do
  make_map "$name" "$game/baseq2/maps/$name.bsp"
done
make_map Q2DM2 "$game/baseq2/maps/Q2DM2.BSP"
make_map tvxflags "$game/ctf/maps/tvxflags.bsp"
if [ ! -e "$game/baseq2/pak0.pak" ]; then
  packed="$(mktemp)"
  "$build/tools/mkmap" "$maps/tvxpak.txt" "$packed"
  "$build/tools/mkmap" --pak "$game/baseq2/pak0.pak" "maps/tvxpak.bsp=$packed"
  rm -f "$packed"
fi

# The game setting points at the stand-in only where none is set yet; every
# other line of an existing konfig.ini stays as it is.
konfig="$target/konfig.ini"
if [ ! -e "$konfig" ]; then
  printf '[Verzeichnisse]\r\nquake=%s\r\n' "$game/quake2" > "$konfig"
elif ! tr -d '\r' < "$konfig" | awk '/^\[/ { s = tolower($0) } s == "[verzeichnisse]" && tolower($0) ~ /^[ \t]*quake[ \t]*=/ { found = 1 } END { exit !found }'; then
  awk -v line="quake=$game/quake2" '
    { print }
    !done && tolower($0) ~ /^\[verzeichnisse\]\r?$/ { printf "%s\r\n", line; done = 1 }
    END { if (!done) printf "[Verzeichnisse]\r\n%s\r\n", line }' "$konfig" > "$konfig.new"
  mv "$konfig.new" "$konfig"
fi

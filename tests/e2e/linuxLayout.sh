#!/usr/bin/env bash
# End to end: levels added from Quake 2 laid out the way Linux packages lay
# it out — the program a link in /usr/games, the game's own package in
# /usr/share/games/quake2, the player's maps in ~/.yq2 — under openbox at
# scale 2. The overview's add button is clicked, the box is confirmed with
# Return, and the catalogue then holds the maps of both folders, the home
# folder's copy winning where a name is in both.
# Usage: linuxLayout.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build="$(cd "$1" && pwd)"
source_dir="$(cd "$2" && pwd)"
work="$(mktemp -d)"
# shellcheck source=desktop.sh
source "$source_dir/tests/e2e/desktop.sh"
trap 'kill ${app_pid:-} 2>/dev/null || true; stop_desktop; rm -rf "$work"' EXIT

folder="$work/folder"
bash "$source_dir/tools/prepare-folder.sh" "$build" "$folder"
root="$work/root"
home="$work/home"
mkdir -p "$root/usr/lib/quake2" "$root/usr/games" "$root/usr/share/games/quake2/baseq2" "$home/.yq2/baseq2/maps"
printf '#!/bin/sh\n' > "$root/usr/lib/quake2/quake2"
chmod 0755 "$root/usr/lib/quake2/quake2"
ln -s "$root/usr/lib/quake2/quake2" "$root/usr/games/quake2"
printf 'entity worldspawn message="System Yard"\n' > "$work/system.txt"
printf 'entity worldspawn message="Home Yard"\nentity info_player_deathmatch * 4\nbox -256 -256 -16 256 256 0\n' > "$work/home.txt"
printf 'entity worldspawn message="Only Packed"\n' > "$work/packed.txt"
"$build/tools/mkmap" "$work/system.txt" "$work/system.bsp"
"$build/tools/mkmap" "$work/packed.txt" "$work/packed.bsp"
"$build/tools/mkmap" --qbsp "$work/home.txt" "$home/.yq2/baseq2/maps/tvxlinux.bsp"
"$build/tools/mkmap" --pak "$root/usr/share/games/quake2/baseq2/pak0.pak" \
  "maps/tvxlinux.bsp=$work/system.bsp" "maps/tvxpacked.bsp=$work/packed.bsp"
printf '[Verzeichnisse]\r\nquake=%s\r\n[Other]\r\nsprache=deutsch\r\n[Tabelle]\r\nvisible=1\r\nwidth=400\r\nheight=320\r\nleft=40\r\ntop=40\r\n' \
  "$root/usr/games/quake2" > "$folder/konfig.ini"

start_display 2560x2048
start_window_manager
HOME="$home" TOLVEX_TEST_SYSTEM_ROOT="$root" QT_SCALE_FACTOR=2 start_program "$folder"
overview="$(wait_for_window 'Levelübersicht')"
sleep 1
read -r x y w _ <<< "$(client_area "$overview")"
# SpeedButton5 of the overview: 25 x 25 at 240, 4 of the 384 wide design,
# kept at its distance from the right edge.
xdotool mousemove --sync $(( x + w - 132 * 2 )) $(( y + 16 * 2 )) click 1
box=""
for _ in $(seq 600); do
  box="$(find_window 'tolvex')"
  [ -n "$box" ] && break
  sleep 0.1
done
[ -n "$box" ] || fail "the add's box did not appear"
sleep 0.5
/usr/bin/import -window root "$build/e2e-linux-layout.png" 2> /dev/null || true
xdotool windowactivate --sync "$box" key Return
sleep 0.5
main="$(find_window 'Tolvex - Kestrowan')"
read -r x y w h <<< "$(client_area "$main")"
xdotool mousemove --sync $(( x + w - 16 * 2 )) $(( y + h - 18 * 2 )) click 1
wait_for_program_end

levels="$(sqlite3 "$folder/maps.DB" "SELECT Datei || '=' || Level FROM maps WHERE Datei LIKE 'tvx%' ORDER BY Datei")"
for want in 'tvxlinux=Home Yard' 'tvxpacked=Only Packed'; do
  grep -qxF "$want" <<< "$levels" || fail "the catalogue lacks $want; it holds: $levels"
done
[ -f "$folder/screens/tvxlinux.jpg" ] || fail "no plan was drawn for the home folder's QBSP map"
stop_desktop
echo "1 passed, 0 failed"

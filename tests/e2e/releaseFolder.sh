#!/usr/bin/env bash
# End to end: the release package as a user gets it. CPack packs what the
# build installs; the tarball is unpacked into a folder whose name holds a
# space, its layout is checked file by file, the desktop entry and the
# metadata go through their validators, the menu entry is made and taken
# away, and the unpacked program is started once on a real X display: the
# first start's configuration dialog, then the main window, no error box.
# Usage: releaseFolder.sh BUILD_DIR SOURCE_DIR APP_ID VERSION
set -euo pipefail
build="$(cd "$1" && pwd)"
source_dir="$(cd "$2" && pwd)"
id="$3"
version="$4"
sizes=(16 24 32 48 64 128 256)
work="$(mktemp -d)"
# shellcheck source=desktop.sh
source "$source_dir/tests/e2e/desktop.sh"
trap 'kill ${app_pid:-} 2>/dev/null || true; stop_desktop; rm -rf "$work"' EXIT

# The package and its name.
cpack -G TGZ --config "$build/CPackConfig.cmake" -B "$work/package" > "$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log"; fail "cpack failed"; }
name="tolvex-$version-linux-$(uname -m)"
[ -f "$work/package/$name.tar.gz" ] || fail "no $name.tar.gz; cpack made: $(ls "$work/package")"
mkdir "$work/Meine Spiele"
tar -xzf "$work/package/$name.tar.gz" -C "$work/Meine Spiele"
folder="$work/Meine Spiele/$name"

# Every file the folder holds and nothing else: no catalogue, no settings.
{
  printf '%s\n' tolvex nopic.jpg screens LIESMICH.txt README.txt tolvex-menu-entry tools/mkmapsdb \
    "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml" "share/icons/hicolor/scalable/apps/$id.svg"
  for side in "${sizes[@]}"; do echo "share/icons/hicolor/${side}x${side}/apps/$id.png"; done
} | sort > "$work/expected.txt"
(cd "$folder" && find . -mindepth 1 \( -type f -o -type d -empty \) -printf '%P\n' | sort) > "$work/found.txt"
diff "$work/expected.txt" "$work/found.txt" || fail "the release folder's files differ from the list above (< missing, > extra)"
for program in tolvex tools/mkmapsdb tolvex-menu-entry; do
  [ -x "$folder/$program" ] || fail "$program is not executable"
done
for side in "${sizes[@]}"; do
  got="$(identify -format '%m %wx%h' "$folder/share/icons/hicolor/${side}x${side}/apps/$id.png")"
  [ "$got" = "PNG ${side}x${side}" ] || fail "the ${side}px icon is $got"
done
[ "$(identify -format '%m' "$folder/nopic.jpg")" = JPEG ] || fail "nopic.jpg is no JPEG picture"

desktop-file-validate "$folder/share/applications/$id.desktop" || fail "the shipped desktop entry is not valid"
appstreamcli validate --no-net "$folder/share/metainfo/$id.metainfo.xml" > "$work/appstream.txt" 2>&1 \
  || { cat "$work/appstream.txt"; fail "the metadata is not valid"; }
for shot in $(sed -n 's|.*<image>.*/\([^/<]*\)</image>.*|\1|p' "$folder/share/metainfo/$id.metainfo.xml"); do
  [ -f "$source_dir/docs/screenshots/$shot" ] || fail "the metadata names $shot, which docs/screenshots lacks"
done

# The menu entry, first for the unpacked folder; it makes the empty catalogue.
export XDG_DATA_HOME="$work/data"
entry="$XDG_DATA_HOME/applications/$id.desktop"
"$folder/tolvex-menu-entry" install > /dev/null || fail "the menu entry could not be made"
desktop-file-validate "$entry" || fail "the menu entry is not valid"
grep -qxF "Exec=\"$folder/tolvex\"" "$entry" || fail "the menu entry's Exec is wrong: $(grep ^Exec= "$entry")"
grep -qxF "Path=$folder" "$entry" || fail "the menu entry's Path is wrong: $(grep ^Path= "$entry")"
for side in "${sizes[@]}"; do
  cmp -s "$folder/share/icons/hicolor/${side}x${side}/apps/$id.png" "$XDG_DATA_HOME/icons/hicolor/${side}x${side}/apps/$id.png" \
    || fail "the ${side}px icon was not put in place"
done
[ -f "$folder/maps.DB" ] || fail "no empty catalogue was made"

# A copy in a folder whose name needs every escape an Exec line knows; the
# entry now belongs to it, so the first folder may not take it away.
odd="$work/Tolvex \$1 \"2\" \\3 %4"
cp -a "$folder" "$odd"
"$odd/tolvex-menu-entry" install > /dev/null || fail "the menu entry for an odd folder name could not be made"
desktop-file-validate "$entry" || fail "the menu entry for an odd folder name is not valid"
grep -qxF "Exec=env \"$work/Tolvex \\\\\$1 \\\\\"2\\\\\" \\\\\\\\3 %%4/tolvex\"" "$entry" \
  || fail "the odd folder's Exec is escaped wrongly: $(grep ^Exec= "$entry")"
# Started as a desktop starts it (GLib reads the entry, expands the field
# codes and unquotes), the stand-in notes the folder it runs in.
mv "$odd/tolvex" "$odd/tolvex.real"
printf '#!/bin/sh\npwd > %q\n' "$work/started.txt" > "$odd/tolvex"
chmod +x "$odd/tolvex"
gio launch "$entry" || fail "the desktop cannot start the odd folder's entry"
for _ in $(seq 50); do [ -s "$work/started.txt" ] && break; sleep 0.1; done
[ "$(cat "$work/started.txt" 2> /dev/null)" = "$odd" ] || fail "the odd folder's entry did not start its program in its folder"
mv -f "$odd/tolvex.real" "$odd/tolvex"
grep -qxF "Path=$work/Tolvex \$1 \"2\" \\\\3 %4" "$entry" || fail "the odd folder's Path is wrong: $(grep ^Path= "$entry")"
"$folder/tolvex-menu-entry" remove > /dev/null 2>&1 && fail "the first folder removed the odd folder's entry"
[ -f "$entry" ] || fail "a refused remove took the entry away"
"$odd/tolvex-menu-entry" remove > /dev/null || fail "the menu entry could not be removed"
[ ! -e "$entry" ] || fail "remove left the menu entry"
[ -z "$(find "$XDG_DATA_HOME/icons" -type f)" ] || fail "remove left icons: $(find "$XDG_DATA_HOME/icons" -type f)"

# A folder named like a sibling plus a line break is refused, not taken for
# the sibling; so is a missing HOME; a relative XDG_DATA_HOME is ignored.
ln -s "$folder" "$work/Tolvex"
mkdir "$work/Tolvex"$'\n'
cp "$folder/tolvex-menu-entry" "$work/Tolvex"$'\n'/
"$work/Tolvex"$'\n'/tolvex-menu-entry install > /dev/null 2> "$work/refused.txt" && fail "a folder name ending in a line break was taken"
grep -q "holds a control character" "$work/refused.txt" || fail "the line break was not named: $(cat "$work/refused.txt")"
[ ! -e "$entry" ] || fail "a folder name ending in a line break installed its sibling: $(grep ^Path= "$entry")"
env -u HOME -u XDG_DATA_HOME "$folder/tolvex-menu-entry" install > /dev/null 2> "$work/refused.txt" && fail "an install without HOME went on"
grep -q "neither XDG_DATA_HOME nor HOME is set" "$work/refused.txt" || fail "a missing HOME was not named: $(cat "$work/refused.txt")"
(cd "$work" && HOME="$work/home" XDG_DATA_HOME=relative "$folder/tolvex-menu-entry" install > /dev/null 2>&1) \
  || fail "an install with a relative XDG_DATA_HOME failed"
[ -f "$work/home/.local/share/applications/$id.desktop" ] && [ ! -e "$work/relative" ] \
  || fail "a relative XDG_DATA_HOME was not ignored"
(cd "$work" && HOME="$work/home" XDG_DATA_HOME=relative "$folder/tolvex-menu-entry" remove > /dev/null 2>&1) \
  && [ ! -e "$work/home/.local/share/applications/$id.desktop" ] || fail "the entry under HOME was not removed"

# The unpacked program, started the way the menu starts it.
start_display 1280x1024
start_window_manager
start_program "$folder"

wait_for_window Konfiguration > /dev/null
# OK is the dialog's default button; a key sent while the dialog is still
# settling may be lost, so it goes again until the dialog is gone.
for _ in $(seq 20); do
  dialog="$(find_window Konfiguration)"
  [ -n "$dialog" ] || break
  xdotool windowactivate --sync "$dialog" key Return 2> /dev/null || true
  sleep 0.5
done
main="$(wait_for_window 'Tolvex - Kestrowan')"
sleep 1
[ -z "$(find_window Tolvex)" ] || fail "an error box came up at the first start"
[ -f "$folder/konfig.ini" ] || fail "the first start made no konfig.ini"
# Desktops on X find the window's menu entry by its WM_CLASS class.
wm_class="$(xprop -id "$main" WM_CLASS | sed -n 's/.*, "\(.*\)"$/\1/p')"
startup_class="$(sed -n 's/^StartupWMClass=//p' "$folder/share/applications/$id.desktop")"
[ "$wm_class" = "$startup_class" ] || fail "the window's class '$wm_class' is not the entry's StartupWMClass '$startup_class'"

# Closed by its close button (SpeedButton1, as in startAndClose.sh).
read -r x y w h <<< "$(client_area "$main")"
xdotool mousemove --sync $(( x + w - 16 )) $(( y + h - 18 )) click 1
wait_for_program_end
grep -q '^\[Hauptfenster\]' "$folder/konfig.ini" || fail "the close stored no window geometry"
echo "1 passed, 0 failed"

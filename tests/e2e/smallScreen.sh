#!/usr/bin/env bash
# End to end: windows stay whole on a small screen. At scale 2 on a
# 1920 x 1200 display (960 x 600 logical) the main window's design place
# reaches below the screen, and on a 2560 x 1600 display a place stored on a
# wider one leaves the overview half off it. Under openbox, each window's
# outer frame must lie on the screen, and what the close stores is that place.
# Usage: smallScreen.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build="$(cd "$1" && pwd)"
source_dir="$(cd "$2" && pwd)"
work="$(mktemp -d)"
# shellcheck source=desktop.sh
source "$source_dir/tests/e2e/desktop.sh"
trap 'kill ${app_pid:-} 2>/dev/null || true; stop_desktop; rm -rf "$work"' EXIT

make_program_folder

# Every window's outer frame within the screen, in device pixels; then, after
# the close, konfig.ini holds the frame (one logical pixel of leeway at
# scale 2, where an odd frame width cannot sit on a logical pixel).
check_whole() { # scale screen-width screen-height label
  local scale="$1" width="$2" height="$3" label="$4" title section id i
  local -A frames=()
  for pair in 'Tolvex - Kestrowan:Hauptfenster' 'Levelübersicht:Tabelle' 'EraserBot Maplist:Maplist'; do
    title="${pair%%:*}"
    section="${pair##*:}"
    id="$(wait_for_window "$title")"
    read -r -a frame <<< "$(outer_frame "$id")"
    (( frame[0] >= 0 && frame[1] >= 0 && frame[0] + frame[2] <= width && frame[1] + frame[3] <= height )) \
      || fail "$label: $title's outer frame ${frame[*]} is not whole on the ${width}x${height} screen"
    frames[$section]="${frame[*]}"
  done
  /usr/bin/import -window root "$build/e2e-$5.png" 2> /dev/null || true
  close_program "$scale"
  for section in "${!frames[@]}"; do
    read -r -a frame <<< "${frames[$section]}"
    local stored=( "$(konfig_value "$section" left)" "$(konfig_value "$section" top)"
                   "$(konfig_value "$section" width)" "$(konfig_value "$section" height)" )
    for i in 0 1 2 3; do
      local d=$(( frame[i] - stored[i] * scale ))
      [ "${d#-}" -le $(( (scale - 1) * 2 )) ] \
        || fail "$label: [$section] stored ${stored[*]}, the frame was ${frame[*]} at scale $scale"
    done
  done
}

# The design places: nothing stored but the two tool windows shown.
start_display 1920x1200
start_window_manager
printf '[Verzeichnisse]\r\neraser=%s\r\n[Other]\r\nsprache=deutsch\r\n[Tabelle]\r\nvisible=1\r\n[Maplist]\r\nvisible=1\r\n' \
  "$folder/maps.txt" > "$folder/konfig.ini"
QT_SCALE_FACTOR=2 start_program "$folder"
wait_for_window 'Tolvex - Kestrowan' > /dev/null
sleep 1
check_whole 2 1920 1200 "design places at scale 2 on 1920x1200" small-screen
stop_desktop

# A place stored on a wider screen.
start_display 2560x1600
start_window_manager
printf '[Verzeichnisse]\r\neraser=%s\r\n[Other]\r\nsprache=deutsch\r\n' "$folder/maps.txt" > "$folder/konfig.ini"
printf '[Tabelle]\r\nvisible=1\r\nwidth=392\r\nheight=309\r\nleft=2330\r\ntop=60\r\n[Maplist]\r\nvisible=1\r\n' >> "$folder/konfig.ini"
start_program "$folder"
wait_for_window 'Tolvex - Kestrowan' > /dev/null
sleep 1
check_whole 1 2560 1600 "the overview stored at x=2330 on 2560x1600" stored-off-screen
[ "$(konfig_value Tabelle left)" -le $(( 2560 - 392 )) ] || fail "the overview's stored left is $(konfig_value Tabelle left)"
stop_desktop
echo "1 passed, 0 failed"

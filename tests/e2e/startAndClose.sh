#!/usr/bin/env bash
# End to end: the built program in a fresh portable folder on a real X
# display — under openbox at scale 1 and 2, and on a bare server. Three
# start/close cycles each, closed by a mouse click on the close button: the
# three windows' outer frames sit where konfig.ini says, and konfig.ini is
# byte for byte what it was. Then a box that comes up while the overview
# stays on top must be the topmost window.
# Usage: startAndClose.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build="$(cd "$1" && pwd)"
source_dir="$(cd "$2" && pwd)"
work="$(mktemp -d)"
# shellcheck source=desktop.sh
source "$source_dir/tests/e2e/desktop.sh"
trap 'kill ${app_pid:-} 2>/dev/null || true; stop_desktop; rm -rf "$work"' EXIT

make_program_folder

# A configuration with every key the program writes, in its order, so that a
# cycle that changes nothing leaves every byte where it was.
write_konfig() {
  local eraser="$1"
  printf '[Verzeichnisse]\r\neraser=%s\r\n[Other]\r\nsprache=deutsch\r\n' "$eraser"
  printf '[Hauptfenster]\r\nvisible=1\r\nwidth=660\r\nheight=500\r\nleft=120\r\ntop=90\r\n'
  printf '[Tabelle]\r\nvisible=1\r\nwidth=400\r\nheight=320\r\nleft=800\r\ntop=60\r\n'
  printf '[Maplist]\r\nvisible=1\r\nwidth=190\r\nheight=230\r\nleft=820\r\ntop=450\r\n'
}

# Each window's outer frame against konfig.ini, in device pixels. At scale 2
# a frame of odd device width cannot sit on a logical pixel: one logical
# pixel of leeway there.
check_frames() { # scale label
  local scale="$1" slack=$(( ($1 - 1) * 2 )) title section id frame want i
  for pair in 'Tolvex - Kestrowan:Hauptfenster' 'Levelübersicht:Tabelle' 'EraserBot Maplist:Maplist'; do
    title="${pair%%:*}"
    section="${pair##*:}"
    id="$(wait_for_window "$title")"
    read -r -a frame <<< "$(outer_frame "$id")"
    want=( $(( $(konfig_value "$section" left) * scale )) $(( $(konfig_value "$section" top) * scale ))
           $(( $(konfig_value "$section" width) * scale )) $(( $(konfig_value "$section" height) * scale )) )
    for i in 0 1 2 3; do
      local d=$(( frame[i] - want[i] ))
      [ "${d#-}" -le "$slack" ] || fail "$2: $title's outer frame is ${frame[*]}, konfig.ini says ${want[*]}"
    done
  done
}

cycles() { # scale label
  write_konfig "$folder/maps.txt" > "$folder/konfig.ini"
  cp "$folder/konfig.ini" "$work/konfig.before"
  for cycle in 1 2 3; do
    QT_SCALE_FACTOR="$1" start_program "$folder"
    wait_for_window 'Tolvex - Kestrowan' > /dev/null
    sleep 1 # let the window manager settle the frames
    check_frames "$1" "$2, cycle $cycle"
    [ "$cycle" = 1 ] && /usr/bin/import -window root "$build/e2e-$3.png" 2> /dev/null || true
    close_program "$1"
    cmp -s "$work/konfig.before" "$folder/konfig.ini" \
      || { diff <(tr -d '\r' < "$work/konfig.before") <(tr -d '\r' < "$folder/konfig.ini"); fail "$2, cycle $cycle: konfig.ini changed"; }
  done
}

# A box raised while the overview stays on top: here the map list file is
# missing, so the map list editor's show handler reports an error at start.
box_in_front() {
  local box="" topmost
  write_konfig "$folder/missing.txt" > "$folder/konfig.ini"
  start_program "$folder"
  # The overview comes up just before the map list editor; the splash, also
  # titled "Tolvex", has closed by then.
  wait_for_window 'Levelübersicht' > /dev/null
  for _ in $(seq 600); do
    box="$(find_window 'Tolvex')"
    [ -n "$box" ] && break
    sleep 0.1
  done
  [ -n "$box" ] || fail "the error box did not appear"
  sleep 0.5
  topmost="$(topmost_window)"
  [ "$(( topmost ))" = "$box" ] || fail "the error box is not the topmost window"
  xdotool windowactivate --sync "$box" key Return
  wait_for_window 'Tolvex - Kestrowan' > /dev/null
  close_program 1
}

start_display 1280x1024
start_window_manager
cycles 1 "openbox" main-window
box_in_front
stop_desktop

start_display 2560x2048
start_window_manager
cycles 2 "openbox at scale 2" scale-2
stop_desktop

start_display 1280x1024
cycles 1 "bare X server" bare
stop_desktop
echo "1 passed, 0 failed"

#!/usr/bin/env bash
# End to end: the built program in a fresh portable folder on a real X
# display. Waits for the main window, closes it with a mouse click on the
# close button, and checks what it stored.
# Usage: startAndClose.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build="$(cd "$1" && pwd)"
source_dir="$(cd "$2" && pwd)"
work="$(mktemp -d)"
trap 'kill ${xvfb_pid:-} ${app_pid:-} 2>/dev/null || true; rm -rf "$work"' EXIT

bash "$source_dir/tools/prepare-folder.sh" "$build" "$work/folder"
# A configuration already there, so that no first-start dialog comes up.
printf '[Other]\r\nsprache=deutsch\r\n' > "$work/folder/konfig.ini"

# Xvfb picks a free display number itself, so parallel runs never meet.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3> "$work/display" &
xvfb_pid=$!
for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(tr -d '[:space:]' < "$work/display")"
for _ in $(seq 100); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

cd "$work/folder"
QT_QPA_PLATFORM=xcb ./tolvex > "$work/out.txt" 2>&1 &
app_pid=$!

window=""
# A sanitizer build on a busy machine may take a while to come up.
for _ in $(seq 1200); do
  window="$(xdotool search --onlyvisible --name '^Tolvex - Kestrowan$' 2>/dev/null | head -n1 || true)"
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "main window did not appear"; cat "$work/out.txt"; exit 1; }
sleep 0.5

/usr/bin/import -window root "$build/e2e-main-window.png" 2>/dev/null || true

eval "$(xdotool getwindowgeometry --shell "$window")"
# SpeedButton1: the last button of the bottom row, 25 x 25 at (612, 4) in the bottom panel of 34.
xdotool mousemove --sync $(( X + WIDTH - 28 + 12 )) $(( Y + HEIGHT - 34 + 4 + 12 )) click 1

for _ in $(seq 600); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app_pid" 2>/dev/null; then echo "program did not end after the close click"; exit 1; fi
wait "$app_pid" || { echo "program exited with an error"; cat "$work/out.txt"; exit 1; }

grep -q $'^\[Hauptfenster\]\r$' konfig.ini || { echo "no main window section"; cat konfig.ini; exit 1; }
grep -q $'^visible=1\r$' konfig.ini || { echo "main window not stored visible"; exit 1; }
grep -q $'^\[Tabelle\]\r$' konfig.ini && grep -q $'^\[Maplist\]\r$' konfig.ini || { echo "secondary windows missing"; exit 1; }
grep -q $'^sprache=deutsch\r$' konfig.ini || { echo "existing key lost"; exit 1; }
echo "1 passed, 0 failed"

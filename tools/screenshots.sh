#!/usr/bin/env bash
# Renders the screenshots in docs/screenshots/ anew from the release build:
# the main window, the level overview and the information window of the demo
# folder, in English, each with its window frame, on a virtual X display
# under openbox. Run it again whenever one of these windows changes.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir="$PWD"
bash tools/install-deps.sh
cmake --preset release > /dev/null
cmake --build --preset release --target tolvex tolvex-tools

work="$(mktemp -d)"
# shellcheck source=../tests/e2e/desktop.sh
source tests/e2e/desktop.sh
trap 'kill ${app_pid:-} 2>/dev/null || true; stop_desktop; rm -rf "$work"' EXIT

# A fresh demo folder, so that what the user did in demo/ does not show.
folder="$work/Tolvex"
bash tools/prepare-folder.sh build/release "$folder" > /dev/null
{
  printf '[Verzeichnisse]\r\nquake=\r\neraser=\r\n[Other]\r\nparameter=\r\nsprache=english\r\n'
  printf '[Hauptfenster]\r\nvisible=1\r\nwidth=648\r\nheight=480\r\nleft=40\r\ntop=40\r\n'
  printf '[Tabelle]\r\nvisible=1\r\nwidth=392\r\nheight=309\r\nleft=740\r\ntop=40\r\n'
  printf '[Maplist]\r\nvisible=0\r\nwidth=186\r\nheight=210\r\nleft=740\r\ntop=400\r\n'
} > "$folder/konfig.ini"

start_display 1280x1024
start_window_manager
start_program "$folder"

# The window with its frame, cut from the screen.
capture() { # window file
  local left top width height
  read -r left top width height <<< "$(outer_frame "$1")"
  /usr/bin/import -window root -crop "${width}x${height}+${left}+${top}" +repage "$source_dir/docs/screenshots/$2"
  echo "docs/screenshots/$2"
}

mkdir -p docs/screenshots
main="$(wait_for_window 'Tolvex - Kestrowan')"
overview="$(wait_for_window 'Level survey')"
sleep 1 # let the window manager settle the frames and the pictures draw
capture "$main" main-window.png
capture "$overview" overview.png

# The information button (SpeedButton8: 25 x 25, 76 from the right edge of the
# bottom panel), then the pointer out of the way so no hint shows.
read -r x y w h <<< "$(client_area "$main")"
xdotool mousemove --sync $(( x + w - 64 )) $(( y + h - 18 )) click 1 mousemove 1270 1010
info="$(wait_for_window Tolvex)"
sleep 1
capture "$info" info-window.png

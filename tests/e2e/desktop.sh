# Sourced by the end-to-end tests: a real X display, with or without a
# window manager, for the built program.
#
# start_display SCREEN   starts Xvfb (e.g. 1280x1024) on a free display and
#                        waits until a client really connects; sets DISPLAY.
# start_window_manager   starts openbox and waits until it manages the screen.
# stop_desktop           ends both.
# make_program_folder    lays out $work/folder from $build: the demo catalogue
#                        and a map list of q2dm1 and q2dm3; sets folder.
# start_program FOLDER   starts Tolvex from FOLDER on the display; sets app_pid.
# wait_for_window TITLE  prints the window's id once it shows.
# wait_for_program_end   waits until Tolvex has ended without an error.
# close_program SCALE    clicks the main window's close button, then waits so.
# konfig_value SECTION KEY  prints a value of $folder/konfig.ini.
# Logs go to $work/xvfb.log and $work/openbox.log, Tolvex's output to
# $work/out.txt; fail reports a failure with that output and exits.

start_display() {
  local screen="$1" n
  # Display numbers from a high range, never :0, and only ones nobody holds:
  # a server that says it started is not yet one a client can reach.
  for n in $(shuf -i 100-899 -n 30); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    # Without -noreset the server resets when its last client leaves, and a
    # client connecting during the reset is turned away.
    Xvfb ":$n" -screen 0 "${screen}x24" -nolisten tcp -noreset > "$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
      if DISPLAY=":$n" xprop -root > /dev/null 2>&1; then
        export DISPLAY=":$n"
        return 0
      fi
      kill -0 "$xvfb_pid" 2> /dev/null || break
      sleep 0.1
    done
    kill "$xvfb_pid" 2> /dev/null || true
    wait "$xvfb_pid" 2> /dev/null || true
  done
  echo "no X display could be started; the server said:"
  cat "$work/xvfb.log"
  return 1
}

start_window_manager() {
  local attempt
  for attempt in 1 2 3; do
    openbox --sm-disable > "$work/openbox.log" 2>&1 &
    wm_pid=$!
    for _ in $(seq 100); do
      xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q 'window id' && return 0
      kill -0 "$wm_pid" 2> /dev/null || break
      sleep 0.1
    done
  done
  echo "openbox did not take the screen:"
  cat "$work/openbox.log"
  return 1
}

stop_desktop() {
  [ -n "${wm_pid:-}" ] && kill "$wm_pid" 2> /dev/null && wait "$wm_pid" 2> /dev/null
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2> /dev/null && wait "$xvfb_pid" 2> /dev/null
  wm_pid=""
  xvfb_pid=""
  return 0
}

# The visible top-level client window with exactly this title, or nothing.
find_window() {
  xdotool search --onlyvisible --name "^$1\$" 2> /dev/null | head -n1 || true
}

# "left top width height" of a client window's area in screen pixels, from
# xwininfo: true under a reparenting window manager, unlike xdotool's answer.
client_area() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
                           /^ *Width:/{w=$2} /^ *Height:/{h=$2} END{print x, y, w, h}'
}

# "left top width height" of a client window's outer frame in screen pixels:
# its client area widened by the frame extents the window manager announces.
outer_frame() {
  local id="$1" x y w h extents fl fr ft fb
  read -r x y w h <<< "$(client_area "$id")"
  extents="$(xprop -id "$id" _NET_FRAME_EXTENTS 2> /dev/null | sed -n 's/.*= *//p' | tr -d ' ')"
  IFS=, read -r fl fr ft fb <<< "${extents:-0,0,0,0}"
  echo "$(( x - fl )) $(( y - ft )) $(( w + fl + fr )) $(( h + ft + fb ))"
}

# The client window on top of every other, by the window manager's stacking list.
topmost_window() {
  xprop -root _NET_CLIENT_LIST_STACKING | sed -n 's/.*# //p' | tr ',' '\n' | tail -n1 | tr -d ' '
}

fail() {
  echo "$*"
  [ -f "$work/out.txt" ] && cat "$work/out.txt"
  exit 1
}

start_program() { # folder
  (cd "$1" && QT_QPA_PLATFORM=xcb exec ./tolvex > "$work/out.txt" 2>&1) &
  app_pid=$!
}

wait_for_window() { # title
  local id=""
  # A sanitizer build on a busy machine may take a while to come up.
  for _ in $(seq 1200); do
    id="$(find_window "$1")"
    [ -n "$id" ] && break
    kill -0 "$app_pid" 2> /dev/null || fail "the program ended before '$1' appeared"
    sleep 0.1
  done
  [ -n "$id" ] || fail "'$1' did not appear; visible: $(xdotool search --onlyvisible --name . getwindowname %@ 2> /dev/null | tr '\n' '|')"
  echo "$id"
}

wait_for_program_end() {
  for _ in $(seq 600); do kill -0 "$app_pid" 2> /dev/null || break; sleep 0.1; done
  kill -0 "$app_pid" 2> /dev/null && fail "the program did not end after the close click"
  wait "$app_pid" || fail "the program exited with an error"
  app_pid=""
}

close_program() { # scale
  local main x y w h
  main="$(find_window 'Tolvex - Kestrowan')"
  read -r x y w h <<< "$(client_area "$main")"
  # SpeedButton1: the last button of the bottom row, 25 x 25 at 4 from the
  # bottom panel's top (34 high) and 28 from the right edge.
  xdotool mousemove --sync $(( x + w - 16 * $1 )) $(( y + h - 18 * $1 )) click 1
  wait_for_program_end
}

konfig_value() { # section key
  awk -v s="[$1]" -v k="$2" '{ sub(/\r$/, "") } /^\[/ { in_s = ($0 == s) } in_s && index($0, k "=") == 1 { print substr($0, length(k) + 2) }' "$folder/konfig.ini"
}

make_program_folder() {
  folder="$work/folder"
  bash "$source_dir/tools/prepare-folder.sh" "$build" "$folder"
  printf 'q2dm1\r\nq2dm3\r\n' > "$folder/maps.txt"
}

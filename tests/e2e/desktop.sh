# Sourced by the end-to-end tests: a real X display, with or without a
# window manager, for the built program.
#
# start_display SCREEN   starts Xvfb (e.g. 1280x1024) on a free display and
#                        waits until a client really connects; sets DISPLAY.
# start_window_manager   starts openbox and waits until it manages the screen.
# stop_desktop           ends both.
# Logs go to $work/xvfb.log and $work/openbox.log.

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

# "left top width height" of a client window's outer frame in screen pixels:
# its client area from xwininfo (true under a reparenting window manager)
# widened by the frame extents the window manager announces.
outer_frame() {
  local id="$1" x y w h extents fl fr ft fb
  eval "$(xwininfo -id "$id" | awk '/Absolute upper-left X/{print "x="$4}
                                     /Absolute upper-left Y/{print "y="$4}
                                     /^ *Width:/{print "w="$2}
                                     /^ *Height:/{print "h="$2}')"
  extents="$(xprop -id "$id" _NET_FRAME_EXTENTS 2> /dev/null | sed -n 's/.*= *//p' | tr -d ' ')"
  IFS=, read -r fl fr ft fb <<< "${extents:-0,0,0,0}"
  echo "$(( x - fl )) $(( y - ft )) $(( w + fl + fr )) $(( h + ft + fb ))"
}

# The client window on top of every other, by the window manager's stacking list.
topmost_window() {
  xprop -root _NET_CLIENT_LIST_STACKING | sed -n 's/.*# //p' | tr ',' '\n' | tail -n1 | tr -d ' '
}

# The demo in a real X window on its own Xvfb, ended the way a user ends it. Sourced by the
# real-window test, the package test and the Windows test; the caller sets `scratch` to a
# temporary directory, defines `fail`, and calls demo_window_cleanup on exit.
#
# The Windows build under Wine differs in three ways, which its test sets before demo_start:
#   DEMO_VIDEODRIVER     SDL's video driver (x11 unless set)
#   DEMO_GIVE_FOCUS=1    the window gets the keyboard focus from here rather than taking it
#   DEMO_WINDOW_MS, DEMO_EXIT_MS
#                        how long the window may stay after the input that ends the demo
#                        (4000 unless set), and how much longer the process may run (0)
xvfb_pid=""
demo_pid=""
started_pid=""

# SDL turns SIGTERM into a quit request, which the demo ignores: only SIGKILL stops it.
demo_window_cleanup() {
  [ -n "$demo_pid" ] && kill -9 "$demo_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  return 0
}

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# A display of its own: Xvfb picks a free number and writes it to fd 3.
xvfb_start() {
  Xvfb -displayfd 3 -screen 0 1280x720x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
  [ -s "$scratch/display" ] || { cat "$scratch/xvfb.log"; fail "Xvfb did not start"; }
  DISPLAY=":$(cat "$scratch/display")"
  export DISPLAY
  echo "display $DISPLAY"
}

# Running, and not a zombie (a demo started by a launcher is not ours to reap).
alive() { [ -n "$demo_pid" ] && [ -d "/proc/$demo_pid" ] && ! grep -q '^State:.*Z' "/proc/$demo_pid/status" 2>/dev/null; }

# Starts the command "$@": the demo, or something that starts it (a shell, a launcher).
# Lets it play past the 3 s start-up wait and the window events of its start-up, then finds
# its window, which must be mapped and have the keyboard focus, and the demo's process id
# from the window. SDL creates a first window, replaces it when it makes the OpenGL renderer
# and unmaps and maps it again to go full screen, all in the first second: a key sent in that
# time, or to a window id found then, goes to a window that is gone or to none and is lost.
demo_start() {
  # A preloaded library comes before ASan's runtime, which ASan would otherwise refuse.
  demo_asan_options="${ASAN_OPTIONS:-}"
  if [ -n "${DEMO_PRELOAD:-}" ]; then
    demo_asan_options="${demo_asan_options:+$demo_asan_options:}verify_asan_link_order=0"
  fi
  ASAN_OPTIONS="$demo_asan_options" LD_PRELOAD="${DEMO_PRELOAD:-}" SDL_EVENT_LOGGING=1 \
    SDL_VIDEODRIVER="${DEMO_VIDEODRIVER:-x11}" SDL_AUDIODRIVER=dummy "$@" >"$scratch/demo.log" 2>&1 &
  started_pid=$!
  started_status=""
  wait_until=$(( $(now_ms) + 5000 ))
  while [ "$(now_ms)" -lt "$wait_until" ]; do sleep 0.1; done
  window=""
  for _ in $(seq 100); do
    # A launcher may end once the demo runs; the demo, or a wrapper around it, may not.
    if [ -z "$started_status" ] && ! kill -0 "$started_pid" 2>/dev/null; then
      wait "$started_pid"
      started_status=$?
      [ "$started_status" -eq 0 ] || fail "$1 exited with status $started_status"
    fi
    focus=$(xdotool getwindowfocus 2>/dev/null || true)
    for w in $(xdotool search --name '^VELTRONAQUIS$' 2>/dev/null); do
      if { [ "$w" = "$focus" ] || [ -n "${DEMO_GIVE_FOCUS:-}" ]; } && demo_window_shown "$w"; then
        window=$w
      fi
    done
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || fail "no mapped VELTRONAQUIS window with the keyboard focus (focus: $focus)"
  if [ -n "${DEMO_GIVE_FOCUS:-}" ]; then
    xdotool windowfocus --sync "$window" || fail "could not give window $window the keyboard focus"
  fi
  demo_pid=$(xdotool getwindowpid "$window") || fail "window $window names no process"
  alive || fail "the window's process $demo_pid is not running"
  grep -Eq 'swrast_dri|libGLX_mesa' "/proc/$demo_pid/maps" || fail "the renderer did not load OpenGL"
  # SDL drops a click it reads within 10 ms of the window's focus event (the click that
  # focused a window is not meant for it). The demo reads both at its first poll, which on
  # a busy machine can come after the click is sent: wait until it has read the focus.
  for _ in $(seq 100); do grep -q FOCUS_GAINED "$scratch/demo.log" && break; sleep 0.1; done
  grep -q FOCUS_GAINED "$scratch/demo.log" || fail "the demo did not read its focus event within 10 s"
  sleep 0.1
  echo "window $window mapped, focused, on OpenGL, process $demo_pid ($(readlink "/proc/$demo_pid/exe"))"
}

demo_window_shown() { xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }

# Waits for the demo to end after "$1" was sent: its window goes within DEMO_WINDOW_MS (the
# longest stretch of the cycle without a quit poll is the rabbit's pose, 2.25 s), and its
# process has ended DEMO_EXIT_MS after that.
demo_expect_end() {
  what="$1"
  sent=$(now_ms)
  window_by=$(( sent + ${DEMO_WINDOW_MS:-4000} ))
  exit_by=$(( window_by + ${DEMO_EXIT_MS:-0} ))
  while alive && demo_window_shown "$window" && [ "$(now_ms)" -lt "$window_by" ]; do sleep 0.05; done
  gone_ms=$(( $(now_ms) - sent ))
  alive && demo_window_shown "$window" && fail "$what did not close the demo's window within $(( window_by - sent )) ms"
  while alive && [ "$(now_ms)" -lt "$exit_by" ]; do sleep 0.05; done
  alive && fail "$what: the window went after $gone_ms ms, but the process still ran $(( exit_by - sent )) ms after the input"
  ended_ms=$(( $(now_ms) - sent ))
  demo_pid=""
  echo "$what: window gone $gone_ms ms and the demo ended $ended_ms ms after it was sent"
  # SDL stamps each event when it takes it from the X server, at the poll of some frame;
  # destroying the window at the end stamps the last ones.
  awk -v what="$what" '/SDL EVENT/ { match($0, /timestamp=[0-9]+/); t = substr($0, RSTART + 10, RLENGTH - 10) }
    /SDL_KEYDOWN.*keycode=27 / || /SDL_MOUSEBUTTONDOWN/ { if (!read) read = t }
    END { if (read) printf "%s: read by SDL at %d ms, window gone %d ms later\n", what, read, t - read }' \
    "$scratch/demo.log"
}

# The same, and the status of the started command, which is the demo or passes its status on,
# must be 0.
demo_expect_exit_zero() {
  demo_expect_end "$1"
  if [ -z "$started_status" ]; then
    wait "$started_pid"
    started_status=$?
  fi
  [ "$started_status" -eq 0 ] || fail "$1: exit status $started_status, expected 0"
  echo "$1: exit status 0"
}

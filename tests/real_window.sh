#!/bin/sh
# The built program in a real X window on its own Xvfb: Escape and a mouse click end it
# with status 0; another key and a close request from the window system do not.
program="$1"
close_request="$2"
scratch=$(mktemp -d)
xvfb_pid=""
demo_pid=""
# SDL turns SIGTERM into a quit request, which the demo ignores: only SIGKILL stops it.
cleanup() {
  [ -n "$demo_pid" ] && kill -9 "$demo_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; [ -f "$scratch/demo.log" ] && cat "$scratch/demo.log"; exit 1; }
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# A display of its own: Xvfb picks a free number and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1280x720x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
[ -s "$scratch/display" ] || { cat "$scratch/xvfb.log"; fail "Xvfb did not start"; }
DISPLAY=":$(cat "$scratch/display")"
export DISPLAY
echo "display $DISPLAY"

# A preloaded library comes before ASan's runtime, which ASan would otherwise refuse.
demo_asan_options="${ASAN_OPTIONS:-}"
if [ -n "${DEMO_PRELOAD:-}" ]; then
  demo_asan_options="${demo_asan_options:+$demo_asan_options:}verify_asan_link_order=0"
fi

alive() { kill -0 "$demo_pid" 2>/dev/null; }

# Starts the demo, lets it play past the 3 s start-up wait and the window events of its
# start-up, then finds its window, which must be mapped and have the keyboard focus.
# SDL creates a first window, replaces it when it makes the OpenGL renderer and unmaps
# and maps it again to go full screen, all in the first second: a key sent in that time,
# or to a window id found then, goes to a window that is gone or to none and is lost.
start_demo() {
  ASAN_OPTIONS="$demo_asan_options" LD_PRELOAD="${DEMO_PRELOAD:-}" SDL_EVENT_LOGGING=1 SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy \
    "$program" >"$scratch/demo.log" 2>&1 &
  demo_pid=$!
  wait_until=$(( $(now_ms) + 5000 ))
  while [ "$(now_ms)" -lt "$wait_until" ]; do sleep 0.1; done
  window=""
  for _ in $(seq 100); do
    alive || fail "the demo exited on its own"
    focus=$(xdotool getwindowfocus 2>/dev/null)
    for w in $(xdotool search --name '^VELTRONAQUIS$' 2>/dev/null); do
      if [ "$w" = "$focus" ] && xwininfo -id "$w" 2>/dev/null | grep -q IsViewable; then
        window=$w
      fi
    done
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || fail "no mapped VELTRONAQUIS window with the keyboard focus (focus: $focus)"
  grep -Eq 'swrast_dri|libGLX_mesa' "/proc/$demo_pid/maps" || fail "the renderer did not load OpenGL"
  echo "window $window mapped, focused, on OpenGL"
}

# Waits up to 4 s for the demo to end (the longest stretch of the cycle without a quit
# poll is the rabbit's pose, 2.25 s), and checks its status.
expect_exit_zero() {
  what="$1"
  sent=$(now_ms)
  for _ in $(seq 80); do alive || break; sleep 0.05; done
  alive && fail "$what did not end the demo within 4 s"
  wait "$demo_pid"
  status=$?
  demo_pid=""
  [ "$status" -eq 0 ] || fail "$what: exit status $status, expected 0"
  echo "$what: exit status 0, $(( $(now_ms) - sent )) ms after it was sent"
  # SDL stamps each event when it takes it from the X server, at the poll of some frame;
  # destroying the window at the end stamps the last ones.
  awk -v what="$1" '/SDL EVENT/ { match($0, /timestamp=[0-9]+/); t = substr($0, RSTART + 10, RLENGTH - 10) }
    /SDL_KEYDOWN.*keycode=27 / || /SDL_MOUSEBUTTONDOWN/ { if (!read) read = t }
    END { if (read) printf "%s: read by SDL at %d ms, window gone %d ms later\n", what, read, t - read }' \
    "$scratch/demo.log"
}

start_demo
# Other keys, key releases, pointer motion and the close request are all ignored.
xdotool key a space Return
xdotool mousemove 200 200
"$close_request" "$window" || fail "could not send the close request"
# Long enough for the demo to poll all of these away (one event per poll, and a pose
# of 2.25 s may come first), so Escape then waits behind nothing.
sleep 4
alive || fail "another key, motion or the close request ended the demo"
echo "other keys, motion and the close request: still running"
xdotool key Escape
expect_exit_zero "Escape"

start_demo
xdotool mousemove 100 100 click 1
expect_exit_zero "mouse click"

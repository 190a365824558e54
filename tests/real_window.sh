#!/bin/sh
# The built program in a real X window on its own Xvfb: Escape and a mouse click end it
# with status 0; another key and a close request from the window system do not.
program="$1"
close_request="$2"
scratch=$(mktemp -d)
. "$(dirname "$0")/../tools/demo-window.sh"
trap 'demo_window_cleanup; rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; [ -f "$scratch/demo.log" ] && cat "$scratch/demo.log"; exit 1; }

xvfb_start
demo_start "$program"
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
demo_expect_exit_zero "Escape"

demo_start "$program"
xdotool mousemove 100 100 click 1
demo_expect_exit_zero "mouse click"

#!/bin/sh
# The built program, with a video driver SDL cannot start: logs the reason once, exits 1.
program="$1"
out=$(SDL_VIDEODRIVER=no-such-driver SDL_AUDIODRIVER=dummy "$program" 2>&1)
status=$?
echo "$out"
[ "$status" -eq 1 ] || { echo "expected exit status 1, got $status"; exit 1; }
# One line: SDL's log prefix, the demo's text, then SDL's own reason, which names the driver.
[ "$(echo "$out" | wc -l)" -eq 1 ] || { echo "expected exactly one line of output"; exit 1; }
echo "$out" | grep -Eq "^ERROR: Couldn't initialize SDL2 : .*no-such-driver" ||
  { echo "not the expected log message"; exit 1; }

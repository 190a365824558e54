#!/bin/sh
# The built program, with a video driver SDL cannot start: logs the reason, exits 1.
program="$1"
out=$(SDL_VIDEODRIVER=no-such-driver SDL_AUDIODRIVER=dummy "$program" 2>&1)
status=$?
echo "$out"
[ "$status" -eq 1 ] || { echo "expected exit status 1, got $status"; exit 1; }
echo "$out" | grep -q "Couldn't initialize SDL2 : " || { echo "missing log message"; exit 1; }

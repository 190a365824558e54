#!/bin/sh
# A few frames of every scene on the software renderer: the benchmark must run to its
# report, with the floor and the two rabbit steps cut at exactly the frame cap.
bench="$1"
out=$(SDL_AUDIODRIVER=dummy "$bench" --renderer software --smoke 3 --cycles 2)
status=$?
echo "$out"
[ "$status" -eq 0 ] || { echo "exit status $status"; exit 1; }
for step in "bare frame (floor)" "rabbit" "rabbit again"; do
  echo "$out" | grep -q "^$step  *3 " || { echo "expected 3 frames of: $step"; exit 1; }
done
echo "$out" | grep -q "^peak resident memory: " || { echo "no memory line"; exit 1; }

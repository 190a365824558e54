#!/bin/sh
# The main tune is scored to the timeline: every moment the score meets (tools/sfx/sync.txt,
# written by tools/sfx/generate) is where one cycle of the real timeline puts it, within 1 ms,
# and the timeline has no scored moment the score leaves out. A change to a scene that moves
# the picture away from the music fails here.
timeline="$1"
table="$2"
live=$("$timeline") ||
  { echo "$live"; echo "FAIL: the timeline did not play"; exit 1; }
echo "$live" | awk -F'\t' -v table="$table" '
  BEGIN {
    while ((getline line < table) > 0) {
      if (line ~ /^#/) continue
      split(line, f, "\t")
      scored[f[1]] = f[5]
    }
  }
  $2 == "fade" { next }
  {
    seen[$3] = 1
    if (!($3 in scored)) { print "FAIL: the score does not meet " $3 " at " $1 " ms"; bad = 1; next }
    off = scored[$3] - $1
    if (off > 1 || off < -1) { printf "FAIL: %s is at %d ms in the picture, %.3f ms in the score\n", $3, $1, scored[$3]; bad = 1 }
  }
  END {
    for (m in scored) if (!(m in seen)) { print "FAIL: the timeline no longer has " m; bad = 1 }
    if (!bad) print "ok: " length(seen) " moments within 1 ms"
    exit bad
  }'

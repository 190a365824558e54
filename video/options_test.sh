#!/bin/sh
# Bad options and values and an OUTPUT that cannot be written: status 2 and one line on
# stderr. Stopped by SIGINT, a capture leaves nothing; nothing is left in any of these cases.
capture="$1"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

refused() {
  expected="$1"
  shift
  "$capture" "$@" >"$scratch/out" 2>"$scratch/err"
  status=$?
  [ "$status" -eq 2 ] || fail "$*: status $status, not 2"
  [ "$(wc -l <"$scratch/err")" -eq 1 ] || fail "$*: not one line: $(cat "$scratch/err")"
  grep -q -- "$expected" "$scratch/err" || fail "$*: '$(cat "$scratch/err")' does not say '$expected'"
  [ "$(ls -A "$scratch/dir")" = "$before" ] || fail "$*: left $(ls -A "$scratch/dir")"
}

mkdir "$scratch/dir"
before=""
refused "unknown option --speed" --speed 2 "$scratch/dir/a.mp4"
refused "bad value '0' for --scale" --scale 0 "$scratch/dir/a.mp4"
refused "bad value 'fast' for --fps" --fps fast "$scratch/dir/a.mp4"
refused "needs a value" "$scratch/dir/a.mp4" --until
refused "no OUTPUT" --cycles 2
refused "must end in .mkv" --lossless "$scratch/dir/a.mp4"
refused "must end in .mp4, .mkv or .webm" "$scratch/dir/a.avi"
refused "cannot write" "$scratch/dir/missing/a.mp4"
mkdir "$scratch/dir/a.mp4"
before=a.mp4
refused "is a directory" "$scratch/dir/a.mp4"
rmdir "$scratch/dir/a.mp4"
before=""
if [ "$(id -u)" -ne 0 ]; then
  chmod a-w "$scratch/dir"
  refused "cannot write" "$scratch/dir/a.mp4"
  chmod u+w "$scratch/dir"
fi

# Interrupted while it renders: nothing under OUTPUT's name or beside it. Until then its
# progress counts toward the end of the cycle, which comes before --until's.
"$capture" --lossless --cycles 1 --until 300 "$scratch/dir/a.mkv" >/dev/null 2>"$scratch/err" &
pid=$!
for _ in $(seq 100); do
  grep -q "of video\|%" "$scratch/err" 2>/dev/null && break
  sleep 0.1
done
kill -INT "$pid"
wait "$pid"
status=$?
[ "$status" -eq 130 ] || fail "interrupted: status $status, not 130"
[ -z "$(ls -A "$scratch/dir")" ] || fail "interrupted: left $(ls -A "$scratch/dir")"
grep -q "% .* of 3:55.9 " "$scratch/err" || fail "progress not toward the cycle's end: $(cat "$scratch/err")"
echo "ok"

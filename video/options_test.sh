#!/bin/sh
# Bad options and values and an OUTPUT that cannot be written: status 2 and one line on
# stderr. A library call that fails on the way: status 1 and one line. Stopped by SIGINT, a
# capture leaves nothing; nothing is left in any of these cases. A sound file FFmpeg cannot
# decode only warns, and stays silent.
capture="$1"
failing_calls="$2"
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

# failed CALL EXPECTED: the preloaded library makes CALL fail.
failed() {
  CAPTURE_TEST_FAIL="$1" LD_PRELOAD="$failing_calls" "$capture" --until 4 "$scratch/dir/a.mp4" >"$scratch/out" 2>"$scratch/err"
  status=$?
  [ "$status" -eq 1 ] || fail "$1 failing: status $status, not 1"
  [ "$(wc -l <"$scratch/err")" -eq 1 ] || fail "$1 failing: not one line: $(cat "$scratch/err")"
  grep -q -- "$2" "$scratch/err" || fail "$1 failing: '$(cat "$scratch/err")' does not say '$2'"
  [ -z "$(ls -A "$scratch/dir")" ] || fail "$1 failing: left $(ls -A "$scratch/dir")"
}
failed Mix_OpenAudio "SDL_mixer cannot open SDL's dummy audio device: made to fail"
failed SDL_RenderReadPixels "cannot read the frame at 3000 ms back: made to fail"

# By 3.5 s only the first digit has started: one warning, and the video is silent.
CAPTURE_TEST_FAIL=avformat_open_input LD_PRELOAD="$failing_calls" "$capture" --until 3.5 "$scratch/dir/a.mp4" \
  >"$scratch/out" 2>"$scratch/err" || fail "undecodable sound: status $?"
[ "$(grep -c "warning" "$scratch/err")" -eq 1 ] && grep -q "cannot decode sfx/.*; it stays silent" "$scratch/err" ||
  fail "undecodable sound: $(cat "$scratch/err")"
[ "$(ffmpeg -v error -i "$scratch/dir/a.mp4" -map 0:a -f s16le - | tr -d '\000' | wc -c)" -eq 0 ] ||
  fail "undecodable sound: not silent"
rm "$scratch/dir/a.mp4"

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

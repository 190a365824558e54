#!/bin/sh
# A short lossless capture, decoded with FFmpeg: frames at the timeline's clock times, the
# screenshot renderer's pixels, each sound from its Mix_PlayMusic to the sample. With
# "cycle", a cycle and a bit at a low frame rate instead (--until alone goes on into the
# second cycle): the closing fade ends in silence, and the next cycle starts after the final
# wait at full volume. With "loop", a stand-in tune short enough to loop within a cycle: it
# loops without a gap, to the sample.
capture="$1"
screenshots="$2"
what="${3:-short}"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Sample frames and bytes of 16-bit stereo: ms * 44.1, rounded down, as the capture mixes.
sample_at() { echo $(( $1 * 441 / 10 )); }
samples() { od -An -v -td2 -j $(($1 * 4)) -N $((($2 - $1) * 4)) "$scratch/sound.raw"; }
# How many of the sample values in [from, to) sample frames are not zero, and the largest.
sounding() { samples "$1" "$2" | awk '{ for (i = 1; i <= NF; i++) if ($i != 0) n++ } END { print n + 0 }'; }
peak() { samples "$1" "$2" | awk '{ for (i = 1; i <= NF; i++) if ($i > m || -$i > m) m = $i < 0 ? -$i : $i } END { print m + 0 }'; }
frame_times() {
  ffprobe -v error -select_streams v -show_entries packet=pts -of csv=p=0 "$scratch/out.mkv" >"$scratch/pts"
}

if [ "$what" = short ]; then
  "$capture" --lossless --until 17 "$scratch/out.mkv" >"$scratch/log" 2>&1 || { cat "$scratch/log"; fail "capture failed"; }
  frame_times
  ffmpeg -v error -i "$scratch/out.mkv" -map 0:a -f s16le "$scratch/sound.raw"

  # Black from 0 through the start-up wait; then the countdown, the intro lines and the title
  # each start on their frame (4 x 57 frames and a 100 ms pause; 333 frames and 2.5 s of pauses).
  [ "$(head -n 2 "$scratch/pts" | tr '\n' ' ')" = "0 3000 " ] || fail "first frames: $(head -n 3 "$scratch/pts")"
  for ms in 3000 6976 15137; do
    grep -qx "$ms" "$scratch/pts" || fail "no frame starts at $ms ms"
  done
  [ "$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$scratch/out.mkv")" = "17.000000" ] ||
    fail "the video does not end at 17 s"

  # Frames at chosen times are the screenshot renderer's pixels.
  for shot in countdown:3.680 intro_lines:8.200 title_zoom:16.327 title:16.990; do
    name=${shot%%:*}
    ffmpeg -v error -ss "${shot#*:}" -i "$scratch/out.mkv" -frames:v 1 -f rawvideo -pix_fmt rgb24 "$scratch/$name.rgb"
    ffmpeg -v error -i "$screenshots/$name.png" -f rawvideo -pix_fmt rgb24 "$scratch/$name.png.rgb"
    cmp -s "$scratch/$name.rgb" "$scratch/$name.png.rgb" || fail "$name differs from its screenshot"
  done

  # At a constant 25 frames/s, frame 92 (3.68 s) shows the frame presented at that very
  # millisecond, the countdown's screenshot; frame 91 still the one before.
  "$capture" --lossless --fps 25 --until 3.7 "$scratch/cfr.mkv" >"$scratch/log" 2>&1 || { cat "$scratch/log"; fail "capture failed"; }
  for frame in 91 92; do
    ffmpeg -v error -i "$scratch/cfr.mkv" -vf "select=eq(n\,$frame)" -frames:v 1 -f rawvideo -pix_fmt rgb24 "$scratch/$frame.rgb"
  done
  cmp -s "$scratch/92.rgb" "$scratch/countdown.png.rgb" || fail "frame 92 at 25 frames/s is not the 3680 ms frame"
  ! cmp -s "$scratch/91.rgb" "$scratch/countdown.png.rgb" || fail "frame 91 at 25 frames/s shows the 3680 ms frame early"

  # The four digits and the tune: silent for 100 ms before their Mix_PlayMusic, sounding from
  # its very sample (every file starts with sound).
  for ms in 3000 3969 4938 5907 6976; do
    at=$(sample_at $ms)
    [ "$(sounding $((at - 4410)) "$at")" -eq 0 ] || fail "sound before the $ms ms start"
    [ "$(sounding "$at" $((at + 1)))" -gt 0 ] || fail "no sound at the $ms ms start"
  done
elif [ "$what" = loop ]; then
  # The tune loops on the very next sample. A cycle closes the audio before the tune's end, so
  # a copy of the capture plays beside data whose tune is a 1.5 s stand-in: from its
  # Mix_PlayMusic on, the sound is that file's samples over and over, none lost or added.
  program="$scratch/program"
  mkdir -p "$program/sfx"
  cp "$capture" "$program/"
  ln -s "$(dirname "$capture")/gfx" "$program/gfx"
  cp "$(dirname "$capture")"/sfx/[0-3].mp3 "$program/sfx/"
  ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=1.5" -ac 2 -ar 44100 -c:a libmp3lame -b:a 160k \
    "$program/sfx/Quorvintabe.mp3"
  ffmpeg -v error -i "$program/sfx/Quorvintabe.mp3" -f s16le "$scratch/tune.raw"
  "$program/$(basename "$capture")" --lossless --until 12 "$scratch/out.mkv" >"$scratch/log" 2>&1 ||
    { cat "$scratch/log"; fail "capture failed"; }
  ffmpeg -v error -i "$scratch/out.mkv" -map 0:a -f s16le "$scratch/sound.raw"
  length=$(($(wc -c <"$scratch/tune.raw") / 4))
  start=$(sample_at 6976)
  od -An -v -td2 "$scratch/tune.raw" | tr -s ' ' '\n' | grep . >"$scratch/tune.txt"
  for pass in 0 1 2; do
    samples $((start + pass * length)) $((start + (pass + 1) * length)) | tr -s ' ' '\n' | grep . |
      paste - "$scratch/tune.txt" | awk '{ d = $1 - $2; if (d > 1 || d < -1) bad++ } END { exit bad > 0 }' ||
      fail "pass $((pass + 1)) of the tune is not the file's samples from sample $((start + pass * length))"
  done
else
  # --until alone plays into the second cycle, as far as it asks.
  "$capture" --lossless --fps 2 --until 237 "$scratch/out.mkv" >"$scratch/log" 2>&1 ||
    { cat "$scratch/log"; fail "capture failed"; }
  ffmpeg -v error -i "$scratch/out.mkv" -map 0:a -f s16le "$scratch/sound.raw"
  [ $(($(wc -c <"$scratch/sound.raw") / 4)) -eq "$(sample_at 237000)" ] || fail "the sound does not end at 237 s"
  frame_times
  [ "$(wc -l <"$scratch/pts")" -eq 474 ] || fail "$(wc -l <"$scratch/pts") frames, not 2 a second"
  # The summary and every progress line tell the same length.
  grep -q "out.mkv: 3:57.0, 474 frames of " "$scratch/log" && grep -q "%" "$scratch/log" &&
    ! grep "%" "$scratch/log" | grep -qv " of 3:57.0 " || fail "the lines do not say 3:57.0: $(cat "$scratch/log")"
  # The first cycle ends after the 3 s start-up wait and 232,909 ms. The tune still plays as
  # the closing scene begins, 7.1 s before, and has faded to nothing in the final wait.
  end=$(sample_at $((3000 + 232909)))
  [ "$(sounding $((end - 7 * 44100)) $((end - 6 * 44100)))" -gt 0 ] || fail "silent before the closing fade"
  [ "$(sounding $((end - 22050)) "$end")" -eq 0 ] || fail "the closing fade does not end in silence"
  # The next countdown starts right there, its first digit as loud as in the first cycle.
  [ "$(sounding "$end" $((end + 1)))" -gt 0 ] || fail "no sound where the second cycle starts"
  first=$(sample_at 3000)
  [ "$(peak "$end" $((end + 22050)))" -eq "$(peak "$first" $((first + 22050)))" ] ||
    fail "the second cycle's countdown is not at full volume"
fi
echo "ok"

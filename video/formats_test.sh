#!/bin/sh
# The lossy formats, a few seconds each, checked with ffprobe: the codecs and picture size, the
# length asked for to within a frame, a sound track as long as the picture, and the summary
# and progress lines telling the same length. Then the encoder alone, fed empty sound chunks
# first and between the others: they add nothing, and the sound stays exactly as long.
# With "sanitized", only the MP4 case and the encoder (the sanitizer build).
capture="$1"
encoder_test="$2"
what="${3:-all}"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Whether |$1 - $2| <= $3.
near() { awk -v a="$1" -v b="$2" -v d="$3" 'BEGIN { exit !(a - b <= d && b - a <= d) }'; }
probe() { ffprobe -v error "$@" -of csv=p=0 "$file"; }
sanitizer_clean() {
  ! grep -q "Sanitizer\|runtime error:" "$scratch/err" || { cat "$scratch/err"; fail "$file: a sanitizer report"; }
}

# check FILE VIDEO AUDIO SECONDS FRAME_S: codec,width,height of the picture and codec,rate of
# the sound; the picture lasts SECONDS to within FRAME_S, and the sound ends within a sound
# frame of it. (Matroska starts the picture a little late, where AAC's or Opus's own delay
# would put the sound before 0; the sound keeps in step.)
check() {
  file="$scratch/$1"
  [ "$(probe -select_streams v -show_entries stream=codec_name,width,height,pix_fmt,color_space)" = "$2,yuv420p,bt709" ] ||
    fail "$1: picture $(probe -select_streams v -show_entries stream=codec_name,width,height,pix_fmt,color_space)"
  [ "$(probe -select_streams a -show_entries stream=codec_name,sample_rate,channels)" = "$3,2" ] ||
    fail "$1: sound $(probe -select_streams a -show_entries stream=codec_name,sample_rate,channels)"
  end=$(probe -show_entries format=duration)
  start=$(probe -select_streams v -show_entries stream=start_time)
  near "$end" "$(awk -v a="$start" -v b="$4" 'BEGIN { print a + b }')" "$5" || fail "$1: picture from $start to $end s, not $4 s"
  sound_start=$(probe -select_streams a -show_entries stream=start_time)
  sound_frames=$(($(ffmpeg -v error -i "$file" -map 0:a -ac 1 -f s16le - | wc -c) / 2))
  # AAC codes 1024 sample frames at a time, Opus 20 ms: the last one is padded.
  near "$(awk -v s="$sound_start" -v n="$sound_frames" -v r="${3#*,}" 'BEGIN { print s + n / r }')" "$end" 0.024 ||
    fail "$1: $sound_frames sample frames of sound from $sound_start s, the picture ends at $end s"
}

# run FILE SUMMARY ARGS...: captures, and the summary line and each progress line give the
# video's length as SUMMARY (m:ss.s).
run() {
  name="$1"
  summary="$2"
  shift 2
  file="$scratch/$name"
  "$capture" "$@" "$file" >"$scratch/out" 2>"$scratch/err" || { cat "$scratch/err"; fail "$name: capture failed"; }
  sanitizer_clean
  frames=$(probe -select_streams v -count_packets -show_entries stream=nb_read_packets)
  grep -q "^$file: $summary, $frames frames of " "$scratch/out" || fail "$name: summary '$(cat "$scratch/out")'"
  grep -q " of " "$scratch/err" && ! grep " of " "$scratch/err" | grep -qv " of $summary " ||
    fail "$name: progress $(cat "$scratch/err")"
}

# With both --cycles and --until, the earlier end wins.
run a.mp4 0:05.0 --cycles 2 --until 5
check a.mp4 h264,1280,720 aac,44100 5 0.017
if [ "$what" != sanitized ]; then
  run b.webm 0:04.0 --until 4
  check b.webm vp9,1280,720 opus,48000 4 0.017
  run c.mp4 0:04.0 --fps 30 --until 4
  check c.mp4 h264,1280,720 aac,44100 4 0.034
  [ "$frames" -eq 120 ] || fail "c.mp4: $frames frames, not 4 s at 30 frames/s"
  [ "$(probe -select_streams v -show_entries stream=r_frame_rate)" = 30/1 ] || fail "c.mp4 is not at 30 frames/s"
  run d.mkv 0:03.5 --scale 2 --until 3.5
  check d.mkv h264,2560,1440 aac,44100 3.5 0.017
fi

# The encoder alone writes 2 s of a tone, in chunks of 100 ms, each beside an empty one.
for name in e.mp4 e.webm; do
  "$encoder_test" "$scratch/$name" 2>"$scratch/err" || { cat "$scratch/err"; fail "$name: the encoder failed"; }
  sanitizer_clean
done
check e.mp4 h264,1280,720 aac,44100 2 0.017
check e.webm vp9,1280,720 opus,48000 2 0.017
# Resampled to 48 kHz, 88,200 sample frames give 96,000: no empty chunk flushed the resampler.
[ "$sound_frames" -eq 96000 ] || fail "e.webm: $sound_frames sample frames of sound, not 96000"
echo "ok"

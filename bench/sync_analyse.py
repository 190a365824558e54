#!/usr/bin/python3
"""Sets the picture's presents against the sound that was heard, for one recorded cycle.

    sync_analyse.py TUNE.mp3 RECORDING_PREFIX PRESENTS [LABEL]

PRESENTS is the native program's present log (bench/present_log.cpp) or the page's report
(web/sync.mjs, JSON). For every scene start from the intro lines to the closing fade, the
tune's position heard when the scene's first frame was presented is found by matching the
3 s recorded from then on against the tune; the error is that position less where the score
puts the scene (> 0: the music is ahead of the picture). Also prints how fast the frames came
in the scenes made only of paced frames, against one every 17 ms.
"""

import json
import subprocess
import sys

import numpy as np

RATE = 44100
# Matching runs at half the rate: plenty to place a window to a tenth of a millisecond.
MATCH_RATE = RATE // 2
WINDOW_S = 3.0
SEARCH_S = 40.0
FRAME_MS = 17.0
# Scenes made of paced frames only (the title's first 109 are its zoom), for the pace.
PACED = {"title": 109, "butterfly": None, "turning butterfly": None, "five butterflies": None,
         "beam fan": None, "sphere drop": None, "sphere figure": None, "credits": None}


def decode(path):
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "f32le", "-ac", "1", "-ar",
                          str(MATCH_RATE), "-"], check=True, capture_output=True).stdout
    return np.frombuffer(raw, dtype="<f4").astype(np.float64)


def read_recording(prefix):
    """The recording at MATCH_RATE, and its clock: (wall time of its first frame, seconds of
    wall clock per second of samples)."""
    samples = np.fromfile(prefix + ".raw", dtype="<i2").reshape(-1, 2).astype(np.float64)
    mono = samples.mean(axis=1) / 32768.0
    mono = mono[: len(mono) // 2 * 2].reshape(-1, 2).mean(axis=1)
    times = np.load(prefix + ".times.npy")
    # parec is never early, so the earliest arrivals time the samples. The sink's clock need not
    # run at the wall clock's rate (here it ran 177 ppm fast), so a line is fitted through the
    # earliest arrival of each stretch of the recording.
    seconds = times[:, 0] / RATE
    lateness = times[:, 1] - seconds
    stretches = np.array_split(np.arange(len(times)), 24)
    x = np.array([seconds[s[np.argmin(lateness[s])]] for s in stretches if len(s)])
    y = np.array([lateness[s].min() for s in stretches if len(s)])
    slope, start = np.polyfit(x, y, 1)
    return mono, (float(start), 1.0 + float(slope))


def read_presents(path):
    """Present times (ms since 1970) and the marks: (moment, score ms, present index)."""
    if path.endswith(".json"):
        report = json.load(open(path))
        times = np.array(report["presentTimes"], dtype=np.float64)
        marks = [(m["moment"], m["scoreMs"], m["present"] - 1) for m in report["marks"]]
        return times, marks
    times, marks = [], []
    for line in open(path):
        fields = line.rstrip("\n").split("\t")
        times.append(float(fields[0]))
        for field in fields[2:]:
            moment, score = field.rsplit("@", 1)
            marks.append((moment, int(score), len(times) - 1))
    return np.array(times), marks


def find(window, tune, around):
    """Where in the tune `window` plays, searched within SEARCH_S of sample `around`:
    (start sample, normalised correlation)."""
    first = max(0, around - int(SEARCH_S * MATCH_RATE))
    last = min(len(tune), around + int(SEARCH_S * MATCH_RATE) + len(window))
    region = tune[first:last]
    if len(region) < len(window):
        return None, 0.0
    size = 1 << int(np.ceil(np.log2(len(region) + len(window))))
    corr = np.fft.irfft(np.fft.rfft(region, size) * np.conj(np.fft.rfft(window, size)), size)
    corr = corr[: len(region) - len(window) + 1]
    energy = np.concatenate([[0.0], np.cumsum(region ** 2)])
    region_norm = np.sqrt(np.maximum(energy[len(window):] - energy[: -len(window)], 1e-12))
    score = corr / (region_norm * np.sqrt(np.sum(window ** 2)) + 1e-12)
    best = int(np.argmax(score))
    return first + best, float(score[best])


def main():
    tune_path, prefix, presents_path = sys.argv[1:4]
    label = sys.argv[4] if len(sys.argv) > 4 else presents_path
    # Silence before the tune, so a window that starts before it is heard still finds its place.
    lead = int(SEARCH_S * MATCH_RATE)
    tune = np.concatenate([np.zeros(lead), decode(tune_path)])
    recording, (recording_start, wall_per_sample_s) = read_recording(prefix)
    times, marks = read_presents(presents_path)
    names = [m[0] for m in marks]
    if "intro lines" not in names:
        sys.exit(f"{label}: the tune never started (no intro lines in {presents_path})")
    first = names.index("intro lines")
    tune_score = marks[first][1]
    # Scene starts of one cycle: from the intro lines to the next countdown.
    scenes = []
    for moment, score, present in marks[first:]:
        if moment == "countdown":
            break
        if score >= tune_score and present < len(times) and (not scenes or moment != scenes[-1][0]):
            scenes.append((moment, score, present))
    scene_names = {"intro lines", "title", "rabbit", "butterfly", "caption card 1", "turning butterfly",
                   "caption card 2", "five butterflies", "caption card 3", "still picture", "rabbit again",
                   "beam fan", "caption card 4", "sphere drop", "sphere figure", "credits", "closing fade"}
    starts = [s for s in scenes if s[0] in scene_names]

    print(f"== {label}")
    print(f"the sink's clock against the wall clock: {(wall_per_sample_s - 1) * -1e6:+.0f} ppm")
    print(f"{'scene':<20} {'score s':>9} {'error ms':>9} {'match':>6}")
    errors = []
    for moment, score, present in starts:
        at = (times[present] / 1000.0 - recording_start) / wall_per_sample_s * MATCH_RATE
        window = recording[int(at): int(at) + int(WINDOW_S * MATCH_RATE)]
        expected = lead + int((score - tune_score) / 1000.0 * MATCH_RATE)
        if len(window) < WINDOW_S * MATCH_RATE or np.sum(window ** 2) < 1e-6:
            print(f"{moment:<20} {(score - tune_score) / 1000:9.3f} {'silent':>9}")
            continue
        start, match = find(window, tune, expected)
        error_ms = (start + (at - int(at)) - expected) / MATCH_RATE * 1000.0
        errors.append(error_ms)
        flag = "" if match >= 0.5 else "  (weak match)"
        print(f"{moment:<20} {(score - tune_score) / 1000:9.3f} {error_ms:+9.1f} {match:6.2f}{flag}")
    if errors:
        print(f"scene starts measured: {len(errors)} of {len(starts)}; error from {min(errors):+.1f} "
              f"to {max(errors):+.1f} ms")
    closing = [s for s in starts if s[0] == "closing fade"]
    if closing:
        late = (times[closing[0][2]] - times[starts[0][2]]) - (closing[0][1] - tune_score)
        print(f"closing fade presented {late / 1000:+.2f} s from where the score puts it")

    # The pace: presents per second in scenes of paced frames only.
    print(f"{'paced scene':<20} {'frames':>7} {'frame ms':>9} {'pace':>7}")
    by_name = {s[0]: i for i, s in enumerate(starts)}
    for name, count in PACED.items():
        if name not in by_name or by_name[name] + 1 >= len(starts):
            continue
        begin = starts[by_name[name]][2]
        end = starts[by_name[name] + 1][2] if count is None else begin + count
        end = min(end, len(times))
        frame_ms = (times[end - 1] - times[begin]) / (end - 1 - begin)
        print(f"{name:<20} {end - begin:7d} {frame_ms:9.3f} {100 * FRAME_MS / frame_ms:6.1f}%")


if __name__ == "__main__":
    main()

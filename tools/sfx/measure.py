#!/usr/bin/env python3
"""Measures the rendered main tune against the timeline it is scored to, and draws it.

    measure.py TUNE.mp3 SYNC.txt MUSIC.txt [PICTURE.png]

Decodes the file as the demo's player does (FFmpeg drops the encoder's delay and padding),
then checks what a listener would hear against the picture: a strong onset at every moment the
score meets; every caption card a break of its own, the last one a real hole; a climax at the
sphere drop; loudness that moves over the cycle; the tone, the width and a mono low end; a start
as loud as the spoken digits before it (the digits' files lie beside the tune); the loudness
targets; and a silent end, so the file joins its own start cleanly. Prints each figure; exits
with 1 when a check fails. With PICTURE, draws the spectrogram, the loudness and the width over
the whole cycle with the scenes marked.
"""

import os
import re
import subprocess
import sys

import numpy as np

RATE = 44100
# A strong onset: the largest rise of loudness within this many ms of the moment stands out
# from the onsets around it (the beat's own) by at least this ratio, measured against the
# 90th percentile of the onsets within two seconds either side.
ONSET_WINDOW_MS = 30
ONSET_CONTEXT_S = 2.0
ONSET_STRENGTH = 1.5
CARD_BREAK_DB = 3.0
# A caption card drops this far (mean momentary loudness) against the same time before it;
# the last card, the hole before the drop, drops further. No two cards' spectrograms may be
# this alike (correlation of their levels in dB, frequency by frequency and frame by frame).
CARD_BEFORE_S = 2.9
CARD_DROP_LU = 3.0
HOLE_DROP_LU = 6.0
CARD_LIKENESS = 0.8
# The climax: the sphere drop's first seconds over the beam fan (mean short-term loudness).
CLIMAX_S = 27.0
CLIMAX_LU = 3.0
# Loudness that moves: from the first full short-term window to the closing fade, at most this
# share of the time within 1 LU of the median, and no stretch longer than this within 2 LU.
FLAT_SHARE = 0.40
FLAT_STRETCH_S = 25.0
# Tone, against the 1 kHz octave: a top that does not fizz and lower mids with body.
TOP_UNDER_DB = 8.0
BODY_UNDER_DB = 1.0
# Width: side against mid of the sphere drop and the flight over the widest groove before them;
# below 120 Hz every section stays mono.
WIDER_DB = 2.0
GROOVES = ("rabbit", "butterfly", "turning butterfly", "five butterflies", "rabbit again",
           "beam fan")
LOW_HZ = 120
LOW_SIDE_UNDER_DB = 20.0
# The tune's first seconds against the spoken digits played just before it.
START_S = 3.0
START_LU = 4.0
DIGITS = ("3.mp3", "2.mp3", "1.mp3", "0.mp3")
LOUDNESS_LUFS = (-16.0, -14.0)
TRUE_PEAK_DBTP = -1.0
LOUDNESS_RANGE_LU = 4.0
# The end must be this quiet (dBFS, both channels) over its last half second.
SILENT_END_DB = -70.0


def decode(path):
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "f32le", "-ac", "2", "-ar",
                          str(RATE), "-"], check=True, capture_output=True).stdout
    return np.frombuffer(raw, dtype="<f4").reshape(-1, 2)


def ebur128(source, audio=None):
    """FFmpeg's loudness meter on a file, or on samples when `audio` is given: every 100 ms the
    momentary (400 ms) and short-term (3 s) loudness, each at the end of its window, then the
    integrated loudness, range and true peak."""
    command = ["ffmpeg", "-hide_banner", "-nostats"]
    if audio is not None:
        command += ["-f", "f32le", "-ac", "2", "-ar", str(RATE)]
    command += ["-i", source, "-af", "ebur128=peak=true", "-f", "null", "-"]
    text = subprocess.run(command, check=True, capture_output=True,
                          input=None if audio is None else audio.astype("<f4").tobytes()).stderr.decode()
    times, momentary, short = [], [], []
    value = r"(-?[\d.]+|-inf|nan)"
    for match in re.finditer(r"t:\s*([\d.]+)\s+TARGET.*?M:\s*" + value + r"\s+S:\s*" + value, text):
        times.append(float(match.group(1)))
        momentary.append(float(match.group(2)) if match.group(2)[-1].isdigit() else -120.0)
        short.append(float(match.group(3)) if match.group(3)[-1].isdigit() else -120.0)
    summary = text[text.rindex("Summary:"):]

    def figure(name):
        found = re.search(name + r":\s*(-?[\d.]+|-inf)", summary).group(1)
        return float(found) if found != "-inf" else -120.0

    return (np.array(times), np.array(momentary), np.array(short), figure("I"), figure("LRA"),
            figure("Peak"))


def onset_strength(mono):
    """How much louder the sound gets, every 256 samples (5.8 ms): the rise in dB of each of
    24 bands from 40 Hz to 16 kHz, spaced evenly in pitch, added up. Each band counts alike,
    as the ear weighs a kick against a hi-hat, not by how many frequencies each covers."""
    hop, size = 256, 2048
    frames = 1 + (len(mono) - size) // hop
    window = np.hanning(size).astype(np.float32)
    freqs = np.fft.rfftfreq(size, 1 / RATE)
    edges = np.geomspace(40, 16000, 25)
    band = np.digitize(freqs, edges) - 1
    energy = np.zeros((frames, 24))
    for first in range(0, frames, 4096):
        index = np.arange(size)[None, :] + hop * np.arange(first, min(frames, first + 4096))[:, None]
        power = np.abs(np.fft.rfft(mono[index] * window, axis=1)) ** 2
        for b in range(24):
            energy[first:first + len(index), b] = power[:, band == b].sum(axis=1)
    level = 10 * np.log10(energy + 1e-10)
    # Compare with the level 17 ms before, so a rise is seen whole, not cut into slices.
    lag = 3
    flux = np.maximum(level[lag:] - level[:-lag], 0).sum(axis=1)
    times = (np.arange(lag, frames) * hop + size / 2) / RATE
    return times, flux


def spectrogram_db(mono, size=2048, hop=512, floor_db=120):
    """A spectrogram as SoX draws one: levels in dB on a linear frequency axis up to half the
    rate (frequencies x frames), nothing counted under `floor_db` below its loudest."""
    frames = 1 + (len(mono) - size) // hop
    index = np.arange(size)[None, :] + hop * np.arange(frames)[:, None]
    db = 10 * np.log10(np.abs(np.fft.rfft(mono[index] * np.hanning(size), axis=1)) ** 2 + 1e-20)
    return np.maximum(db, db.max() - floor_db).T


def octave_levels(mono, centres):
    """Level of each octave band (dB) of the whole signal, from its averaged power spectrum."""
    size = 16384
    frames = 1 + (len(mono) - size) // size
    index = np.arange(size)[None, :] + size * np.arange(frames)[:, None]
    power = np.zeros(size // 2 + 1)
    for first in range(0, frames, 256):
        spectra = np.fft.rfft(mono[index[first:first + 256]] * np.hanning(size), axis=1)
        power += (np.abs(spectra) ** 2).sum(axis=0)
    freqs = np.fft.rfftfreq(size, 1 / RATE)
    return {c: 10 * np.log10(power[(freqs >= c / 2 ** 0.5) & (freqs < c * 2 ** 0.5)].sum() + 1e-20)
            for c in centres}


def side_under_mid(audio, below=None):
    """How far (dB) the side signal lies under the mid, over all of it or below a frequency."""
    mid = audio[:, 0].astype(np.float64) + audio[:, 1]
    side = audio[:, 0].astype(np.float64) - audio[:, 1]
    if below is None:
        return 10 * np.log10(np.sum(mid ** 2) / (np.sum(side ** 2) + 1e-20))
    freqs = np.fft.rfftfreq(len(mid), 1 / RATE)
    keep = freqs < below
    return 10 * np.log10(np.sum(np.abs(np.fft.rfft(mid)[keep]) ** 2) /
                         (np.sum(np.abs(np.fft.rfft(side)[keep]) ** 2) + 1e-20))


def longest_flat(values, step_s, spread):
    """The longest run (seconds) of values whose highest and lowest lie within `spread`, and
    where it starts (index)."""
    best, where, first = 0, 0, 0
    for last in range(len(values)):
        while values[first:last + 1].max() - values[first:last + 1].min() > spread:
            first += 1
        if last + 1 - first > best:
            best, where = last + 1 - first, first
    return best * step_s, where


def read_table(path):
    rows = []
    with open(path) as table:
        for line in table:
            if not line.startswith("#"):
                rows.append(line.rstrip("\n").split("\t"))
    return rows


def rms_db(samples):
    return 10 * np.log10(np.mean(samples.astype(np.float64) ** 2) + 1e-20)


def main():
    tune_path, sync_path, music_path = sys.argv[1:4]
    picture_path = sys.argv[4] if len(sys.argv) > 4 else None
    audio = decode(tune_path)
    mono = audio.mean(axis=1)
    # The tune starts after the spoken countdown has ended: half a second of silence before it
    # lets its first downbeat count as an onset like any other.
    lead_in = RATE // 2
    padded = np.concatenate([np.zeros(lead_in, dtype=mono.dtype), mono])
    sync = read_table(sync_path)
    sections = read_table(music_path)
    failed = []

    # Onsets at the moments.
    times, flux = onset_strength(padded)
    times -= lead_in / RATE
    peaks = (flux[1:-1] > flux[:-2]) & (flux[1:-1] >= flux[2:])
    peak_times, peak_sizes = times[1:-1][peaks], flux[1:-1][peaks]
    print(f"{'moment':24} {'at s':>8} {'onset ms':>8} {'strength':>8}")
    for moment, picture_ms, *_ in sync:
        at = int(picture_ms) / 1000
        near = np.abs(times - at) <= ONSET_WINDOW_MS / 1000
        best = np.argmax(np.where(near, flux, -1))
        distance = np.abs(peak_times - at)
        around = (distance <= ONSET_CONTEXT_S) & (distance > ONSET_WINDOW_MS / 1000)
        strength = flux[best] / np.percentile(peak_sizes[around], 90)
        offset_ms = (times[best] - at) * 1000
        print(f"{moment:24} {at:8.3f} {offset_ms:+8.1f} {strength:8.1f}")
        if strength < ONSET_STRENGTH:
            failed.append(f"no strong onset at {moment}")

    seconds, momentary, short, integrated, loudness_range, true_peak = ebur128(tune_path)
    starts = {row[0]: float(row[2]) / 1000 for row in sections}
    names = [row[0] for row in sections]
    ends = dict(zip(names, [starts[n] for n in names[1:]] + [len(audio) / RATE]))

    def mean_loudness(values, window_s, start, end):
        """Mean of the loudness values whose whole window lies between start and end."""
        inside = (seconds - window_s >= start - 1e-6) & (seconds <= end + 1e-6)
        return float(np.mean(values[inside]))

    # Breaks: each card against the scene before it, and against the seconds before it.
    cards = [n for n in names if n.startswith("card")]
    for name in cards:
        before = names[names.index(name) - 1]
        start, end = starts[name], ends[name]
        quieter = rms_db(audio[int(starts[before] * RATE):int(start * RATE)]) - \
            rms_db(audio[int(start * RATE):int(end * RATE)])
        drop = mean_loudness(momentary, 0.4, start - CARD_BEFORE_S, start) - \
            mean_loudness(momentary, 0.4, start, end)
        print(f"{name}: {quieter:.1f} dB quieter (RMS) than {before}, {drop:.1f} LU down "
              f"(momentary) from the {CARD_BEFORE_S} s before")
        if quieter < CARD_BREAK_DB or drop < CARD_DROP_LU:
            failed.append(f"{name} is no break")
        if name == cards[-1] and drop < HOLE_DROP_LU:
            failed.append(f"{name} is no hole before the drop")
    length = min(int((ends[c] - starts[c]) * RATE) for c in cards)
    pictures = {c: spectrogram_db(mono[int(starts[c] * RATE):][:length]).ravel() for c in cards}
    likeness = [(np.corrcoef(pictures[a], pictures[b])[0, 1], a, b)
                for k, a in enumerate(cards) for b in cards[k + 1:]]
    print("cards alike (spectrograms' correlation): " +
          ", ".join(f"{a[-1]}-{b[-1]} {r:.2f}" for r, a, b in likeness))
    if max(likeness)[0] > CARD_LIKENESS:
        failed.append(f"{max(likeness)[1]} and {max(likeness)[2]} are one gesture")

    # The climax.
    fan = mean_loudness(short, 3, starts["beam fan"], ends["beam fan"])
    drop = mean_loudness(short, 3, starts["sphere drop"], starts["sphere drop"] + CLIMAX_S)
    print(f"sphere drop's first {CLIMAX_S:.0f} s {drop - fan:+.1f} LU against the beam fan "
          f"(short-term, {drop:.1f} and {fan:.1f} LUFS)")
    if drop - fan < CLIMAX_LU:
        failed.append("the sphere drop is no climax")

    # Loudness over the cycle.
    span = (seconds - 3 >= 0) & (seconds <= starts["closing"])
    levels = short[span]
    share = np.mean(np.abs(levels - np.median(levels)) <= 1.0)
    stretch, where = longest_flat(levels, 0.1, 2.0)
    print(f"loudness over the cycle: {share * 100:.0f}% of the time within 1 LU of the median "
          f"({np.median(levels):.1f} LUFS); longest stretch within 2 LU {stretch:.1f} s "
          f"(from {seconds[span][where] - 3:.1f} s)")
    if share > FLAT_SHARE:
        failed.append("the loudness is flat")
    if stretch > FLAT_STRETCH_S:
        failed.append("a long stretch at one loudness")

    # Tone.
    centres = (63, 125, 250, 500, 1000, 2000, 4000, 8000, 16000)
    octaves = octave_levels(mono, centres)
    print("octaves against 1 kHz: " +
          ", ".join(f"{c if c < 1000 else str(c // 1000) + 'k'} {octaves[c] - octaves[1000]:+.1f}"
                    for c in centres if c != 1000) + " dB")
    if octaves[8000] > octaves[1000] - TOP_UNDER_DB:
        failed.append("the top fizzes")
    if min(octaves[250], octaves[500]) < octaves[1000] - BODY_UNDER_DB:
        failed.append("the lower mids are thin")

    # Width.
    def part(name):
        return audio[int(starts[name] * RATE):int(ends[name] * RATE)]

    widest = max(GROOVES, key=lambda n: -side_under_mid(part(n)))
    reference = side_under_mid(part(widest))
    low = {n: side_under_mid(part(n), LOW_HZ) for n in names if ends[n] - starts[n] > 1}
    narrowest_low = min(low, key=low.get)
    print(f"side under mid: widest groove before the drop ({widest}) {reference:.1f} dB, sphere "
          f"drop {side_under_mid(part('sphere drop')):.1f} dB, flight "
          f"{side_under_mid(part('flight')):.1f} dB; below {LOW_HZ} Hz at least "
          f"{low[narrowest_low]:.1f} dB ({narrowest_low})")
    for name in ("sphere drop", "flight"):
        if side_under_mid(part(name)) > reference - WIDER_DB:
            failed.append(f"the {name} is no wider than the grooves before it")
    if low[narrowest_low] < LOW_SIDE_UNDER_DB:
        failed.append("the low end is not mono")

    # The start against the spoken digits.
    folder = os.path.dirname(os.path.abspath(tune_path))
    digits = np.concatenate([decode(os.path.join(folder, d)) for d in DIGITS])
    spoken = ebur128("-", digits)[3]
    opening = ebur128("-", audio[:int(START_S * RATE)])[3]
    print(f"the first {START_S:.0f} s {opening:.1f} LUFS, the spoken digits {spoken:.1f} LUFS")
    if abs(opening - spoken) > START_LU:
        failed.append("the tune's start is far from the digits' loudness")

    # Loudness, peaks, the end.
    sample_peak = 20 * np.log10(np.max(np.abs(audio)) + 1e-20)
    end_db = rms_db(audio[-RATE // 2:])
    print(f"integrated {integrated:.1f} LUFS, range {loudness_range:.1f} LU, true peak "
          f"{true_peak:.1f} dBTP, sample peak {sample_peak:.2f} dBFS, last 0.5 s {end_db:.0f} dBFS, "
          f"{len(audio)} sample frames ({len(audio) / RATE:.3f} s)")
    if not LOUDNESS_LUFS[0] <= integrated <= LOUDNESS_LUFS[1]:
        failed.append("integrated loudness off target")
    if true_peak > TRUE_PEAK_DBTP:
        failed.append("true peak too high")
    if loudness_range < LOUDNESS_RANGE_LU:
        failed.append("loudness range too small")
    if end_db > SILENT_END_DB:
        failed.append("the end is not silent")

    if picture_path:
        draw(picture_path, audio, seconds, short, sections)
    for failure in failed:
        print(failure, file=sys.stderr)
    sys.exit(1 if failed else 0)


def draw(path, audio, seconds, short, sections):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    mono = audio.mean(axis=1)
    plt.rcParams.update({"font.size": 9})
    figure, (top, middle, bottom) = plt.subplots(3, 1, figsize=(16, 9), dpi=100, sharex=True,
                                                 gridspec_kw={"height_ratios": [3, 2, 1]})
    # Spectrogram: 46 ms windows, frequencies on a log scale from 40 Hz to 16 kHz.
    size, hop = 2048, 1024
    frames = 1 + (len(mono) - size) // hop
    index = np.arange(size)[None, :] + hop * np.arange(frames)[:, None]
    power = np.abs(np.fft.rfft(mono[index] * np.hanning(size), axis=1)) ** 2
    db = 10 * np.log10(power.T + 1e-12)
    freqs = np.fft.rfftfreq(size, 1 / RATE)
    keep = (freqs >= 40) & (freqs <= 16000)
    top.pcolormesh((np.arange(frames) * hop + size / 2) / RATE, freqs[keep], db[keep],
                   shading="auto", cmap="magma", vmin=np.max(db) - 90, vmax=np.max(db),
                   rasterized=True)
    top.set_yscale("log")
    top.set_ylabel("Hz")
    top.set_title("The main tune over one cycle: spectrogram, short-term loudness and width, "
                  "scene by scene")
    middle.plot(seconds, short, color="#1f5f9f", linewidth=1)
    middle.set_ylim(-40, -6)
    middle.set_ylabel("short-term LUFS")
    middle.grid(axis="y", color="#dddddd")
    # Width: side against mid over each second.
    second = RATE
    count = len(mono) // second
    pairs = audio[:count * second].reshape(count, second, 2).astype(np.float64)
    mid = np.sum((pairs[:, :, 0] + pairs[:, :, 1]) ** 2, axis=1)
    side = np.sum((pairs[:, :, 0] - pairs[:, :, 1]) ** 2, axis=1)
    loud = mid > 1e-6 * second
    bottom.step(np.arange(count)[loud] + 0.5, 10 * np.log10(side[loud] / mid[loud] + 1e-12),
                where="mid", color="#7f3f9f", linewidth=1)
    bottom.set_ylim(-24, 0)
    bottom.set_ylabel("side - mid dB")
    bottom.set_xlabel("seconds from the tune's start")
    bottom.grid(axis="y", color="#dddddd")
    for name, moment, start_ms, *_ in sections:
        if name == "end":
            continue
        at = float(start_ms) / 1000
        for axis in (top, middle, bottom):
            axis.axvline(at, color="white" if axis is top else "#999999", linewidth=0.8,
                         linestyle="--" if name.startswith("card") else "-")
        middle.text(at + 0.4, -7, name, rotation=90, va="top", ha="left", fontsize=8)
    bottom.set_xlim(0, len(mono) / RATE)
    figure.tight_layout()
    figure.savefig(path, metadata={"Software": None})


if __name__ == "__main__":
    main()

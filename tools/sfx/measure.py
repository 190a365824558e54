#!/usr/bin/env python3
"""Measures the rendered main tune against the timeline it is scored to, and draws it.

    measure.py TUNE.mp3 SYNC.txt MUSIC.txt [PICTURE.png]

Decodes the file as the demo's player does (FFmpeg drops the encoder's delay and padding),
then checks what a listener would hear against the picture: a strong onset at every moment the
score meets, every caption card a break (quieter than the scene before it), the loudness
targets, and a silent end, so the file joins its own start cleanly. Prints each figure; exits
with 1 when a check fails. With PICTURE, draws the loudness and the spectrogram over the whole
cycle with the scenes marked.
"""

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
LOUDNESS_LUFS = (-16.0, -14.0)
TRUE_PEAK_DBTP = -1.0
LOUDNESS_RANGE_LU = 4.0
# The end must be this quiet (dBFS, both channels) over its last half second.
SILENT_END_DB = -70.0


def decode(path):
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "f32le", "-ac", "2", "-ar",
                          str(RATE), "-"], check=True, capture_output=True).stdout
    return np.frombuffer(raw, dtype="<f4").reshape(-1, 2)


def loudness(path):
    """Short-term loudness every 100 ms, and the integrated loudness, range and true peak."""
    text = subprocess.run(["ffmpeg", "-hide_banner", "-nostats", "-i", path, "-af",
                           "ebur128=peak=true", "-f", "null", "-"],
                          check=True, capture_output=True, text=True).stderr
    times, short = [], []
    for match in re.finditer(r"t:\s*([\d.]+)\s+TARGET.*?S:\s*(-?[\d.]+|-inf)", text):
        times.append(float(match.group(1)))
        short.append(float(match.group(2)) if match.group(2) != "-inf" else -120.0)
    summary = text[text.rindex("Summary:"):]

    def figure(name):
        return float(re.search(name + r":\s*(-?[\d.]+)", summary).group(1))

    return np.array(times), np.array(short), figure("I"), figure("LRA"), figure("Peak")


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

    # Breaks: each card against the scene before it.
    starts = [(row[0], float(row[2]) / 1000) for row in sections]
    for k, (name, start) in enumerate(starts[:-1]):
        if name.startswith("card"):
            before = audio[int(starts[k - 1][1] * RATE):int(start * RATE)]
            card = audio[int(start * RATE):int(starts[k + 1][1] * RATE)]
            quieter = rms_db(before) - rms_db(card)
            print(f"{name}: {quieter:.1f} dB quieter (RMS) than {starts[k - 1][0]}")
            if quieter < CARD_BREAK_DB:
                failed.append(f"{name} is no break")

    # Loudness, peaks, the end.
    seconds, short, integrated, loudness_range, true_peak = loudness(tune_path)
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
        draw(picture_path, mono, seconds, short, sections)
    for failure in failed:
        print(failure, file=sys.stderr)
    sys.exit(1 if failed else 0)


def draw(path, mono, seconds, short, sections):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    plt.rcParams.update({"font.size": 9})
    figure, (top, bottom) = plt.subplots(2, 1, figsize=(16, 8), dpi=100, sharex=True,
                                         gridspec_kw={"height_ratios": [3, 2]})
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
    top.set_title("The main tune over one cycle: spectrogram and short-term loudness, scene by scene")
    bottom.plot(seconds, short, color="#1f5f9f", linewidth=1)
    bottom.set_ylim(-40, -6)
    bottom.set_ylabel("short-term LUFS")
    bottom.set_xlabel("seconds from the tune's start")
    bottom.grid(axis="y", color="#dddddd")
    for name, moment, start_ms, *_ in sections:
        if name == "end":
            continue
        at = float(start_ms) / 1000
        for axis in (top, bottom):
            axis.axvline(at, color="white" if axis is top else "#999999", linewidth=0.8,
                         linestyle="--" if name.startswith("card") else "-")
        bottom.text(at + 0.4, -7, name, rotation=90, va="top", ha="left", fontsize=8)
    bottom.set_xlim(0, len(mono) / RATE)
    figure.tight_layout()
    figure.savefig(path, metadata={"Software": None})


if __name__ == "__main__":
    main()

"""The building blocks of the main tune's score: notes on a bar-and-beat grid, chords, the tempo
map that puts the picture's moments on bar lines, and the standard MIDI files FluidSynth plays.

tune.py writes the music with these; nothing here knows the music itself.
"""

import math
import struct

import numpy as np
from scipy.optimize import minimize

TICKS_PER_QUARTER = 960
STEP_TICKS = TICKS_PER_QUARTER // 4          # a sixteenth note
# No tempo may differ from the one before it by more than this ratio; the tempo map is fitted
# a little inside it, so rounding to whole microseconds cannot cross it.
TEMPO_STEP_LIMIT = 1.04
MAX_TEMPO_STEP = 1.039
# A moment of the picture counts as met when the score puts it this close, in milliseconds.
SYNC_TOLERANCE_MS = 1.0

NOTE_OFFSETS = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}


def note_number(name):
    """'A4' -> 69, 'F#5' -> 78, 'Bb3' -> 58."""
    pitch = NOTE_OFFSETS[name[0]]
    rest = name[1:]
    while rest and rest[0] in "#b":
        pitch += 1 if rest[0] == "#" else -1
        rest = rest[1:]
    return 12 * (int(rest) + 1) + pitch


# Chord qualities as intervals above the root.
QUALITIES = {
    "": (0, 4, 7), "m": (0, 3, 7), "7": (0, 4, 7, 10), "m7": (0, 3, 7, 10),
    "maj7": (0, 4, 7, 11), "sus4": (0, 5, 7), "sus2": (0, 2, 7), "7sus4": (0, 5, 7, 10),
    "add9": (0, 4, 7, 14), "madd9": (0, 3, 7, 14), "6": (0, 4, 7, 9), "m6": (0, 3, 7, 9),
    "dim": (0, 3, 6), "5": (0, 7),
}


class Chord:
    """A chord symbol such as 'Am', 'Fmaj7', 'E7sus4' or 'Am/G' (a bass note under it)."""

    def __init__(self, symbol):
        self.symbol = symbol
        head, _, bass = symbol.partition("/")
        length = 2 if len(head) > 1 and head[1] in "#b" else 1
        self.root = note_number(head[:length] + "0") % 12
        self.intervals = QUALITIES[head[length:]]
        self.bass = note_number(bass + "0") % 12 if bass else self.root

    def pitch_classes(self):
        return {(self.root + i) % 12 for i in self.intervals}

    def tones(self, low, count):
        """The chord's tones from `low` upward, `count` of them (for arpeggios)."""
        classes = sorted({(self.root + i) % 12 for i in self.intervals})
        out = []
        pitch = low
        while len(out) < count:
            if pitch % 12 in classes:
                out.append(pitch)
            pitch += 1
        return out

    def bass_note(self, low):
        """The bass note at or above `low`, within an octave."""
        return low + (self.bass - low) % 12

    def bass_tone(self, low, interval):
        """For a bass line: the bass note (interval 0), its octave (12), or the tone `interval`
        above the root, placed just above the bass note."""
        bass = self.bass_note(low)
        if interval % 12 == 0:
            return bass + interval
        return bass + (self.root + interval - bass) % 12

    def voicing(self, low, high, previous=None):
        """Close voicing of the chord's tones, lowest note in [low, low + 12), nearest to
        `previous`; voicings that fit under `high` are preferred."""
        classes = [(self.root + i) % 12 for i in self.intervals]
        count = len(set(classes))
        candidates = []
        for start in range(low, low + 12):
            if start % 12 not in classes:
                continue
            notes = [start]
            pitch = start
            while len(notes) < count:
                pitch += 1
                if pitch % 12 in classes and pitch % 12 not in {n % 12 for n in notes}:
                    notes.append(pitch)
            candidates.append(notes)
        fitting = [n for n in candidates if n[-1] <= high] or candidates
        if previous:
            centre = sum(previous) / len(previous)
            return min(fitting, key=lambda n: (abs(sum(n) / len(n) - centre), n))
        return fitting[0]


def parse_chords(text):
    """'Am | F G | E' -> one list of Chords per bar; chords in one bar share it equally."""
    bars = []
    for bar_text in text.split("|"):
        bars.append([Chord(symbol) for symbol in bar_text.split()])
    return bars


def parse_line(text, steps):
    """'A4:2 -:2 C5:4' -> [(step, length, pitch or None)], the lengths filling `steps` sixteenths."""
    out = []
    step = 0
    for token in text.split():
        name, length = token.split(":")
        length = int(length)
        out.append((step, length, None if name == "-" else note_number(name)))
        step += length
    if step != steps:
        raise ValueError(f"'{text}' lasts {step} sixteenths, not {steps}")
    return out


class Section:
    """One stretch of the form: its bars, the moment of the picture it starts at, and the
    moments inside it that land on its beats.

    tempo: 'steady' keeps one tempo between two moments; 'bars' lets it change at every bar
    and 'beats' at every beat, so the music can speed up or slow down to meet the next moment.
    """

    def __init__(self, name, starts_at, bars, key, tempo="steady", hits=None, write=None, about=""):
        self.name = name
        self.starts_at = starts_at
        self.bars = bars              # beats (quarter notes) of each bar
        self.key = key
        self.tempo = tempo
        self.hits = hits or {}        # moment -> beat offset from the section's start
        self.write = write
        self.about = about            # what plays, for the table of the music
        self.start_beat = 0
        self.first_bar = 0

    @property
    def beats(self):
        return sum(self.bars)


class Score:
    def __init__(self, sections):
        self.sections = sections
        self.notes = []       # (tick, length, channel, pitch, velocity)
        self.controls = []    # (tick, channel, controller, value)
        self.programs = []    # (tick, channel, bank, program)
        self.bends = []       # (tick, channel, value -8192..8191)
        self.bar_beats = []   # beats of every bar, in order
        beat = 0
        for section in sections:
            section.start_beat = beat
            section.first_bar = len(self.bar_beats)
            self.bar_beats.extend(section.bars)
            beat += section.beats
        self.total_beats = beat
        self.bar_starts = np.concatenate([[0], np.cumsum(self.bar_beats)]).astype(int)
        self.tempo_changes = []   # (beat, microseconds per quarter)
        self.chords = {}          # bar -> the chord symbols of that bar

    # ---- Writing ---------------------------------------------------------------------------
    def note(self, tick, length, channel, pitch, velocity):
        velocity = max(1, min(127, int(round(velocity))))
        if length > 0:
            self.notes.append((int(tick), int(length), channel, int(pitch), velocity))

    def control(self, tick, channel, controller, value):
        self.controls.append((int(tick), channel, controller, max(0, min(127, int(round(value))))))

    def program(self, tick, channel, program, bank=0):
        self.programs.append((int(tick), channel, bank, program))

    def bend(self, tick, channel, value):
        self.bends.append((int(tick), channel, max(-8192, min(8191, int(round(value))))))

    def bar_tick(self, bar):
        return int(self.bar_starts[bar]) * TICKS_PER_QUARTER

    # ---- The tempo map ---------------------------------------------------------------------
    def fit_tempo(self, moments):
        """Finds a tempo for every stretch of the score so that each section starts at its
        moment of the picture and each hit lands on its beat: the smoothest such tempo map
        (least squared change of log tempo) whose every step stays within MAX_TEMPO_STEP."""
        # Units: stretches of constant tempo, as (first beat, beats).
        cuts = set()
        anchors = []   # (beat, time in ms)
        for section in self.sections:
            anchors.append((section.start_beat, moments[section.starts_at]))
            cuts.add(section.start_beat)
            for moment, offset in section.hits.items():
                anchors.append((section.start_beat + offset, moments[moment]))
                cuts.add(section.start_beat + offset)
            if section.tempo == "bars":
                beat = section.start_beat
                for bar in section.bars:
                    cuts.add(beat)
                    beat += bar
            elif section.tempo == "beats":
                cuts.update(range(section.start_beat, section.start_beat + section.beats))
        cuts = sorted(cuts)
        units = [(b, e - b) for b, e in zip(cuts, cuts[1:] + [self.total_beats])]
        first_anchor, first_ms = anchors[0]
        if first_anchor != 0 or first_ms != 0:
            raise ValueError("the score starts with the tune")
        # After the last moment the tempo stays as it was.
        last_anchor = max(b for b, _ in anchors)
        count = len(units)
        rows, times = [], []
        for beat, ms in anchors[1:]:
            row = np.zeros(count)
            for k, (start, length) in enumerate(units):
                if start < beat:
                    row[k] = length
            rows.append(row)
            times.append(ms)
        a = np.array(rows)
        t = np.array(times, dtype=float)
        tail = [k for k, (start, _) in enumerate(units) if start > last_anchor]

        def roughness(beat_ms):
            u = np.log(beat_ms)
            return float(np.sum(np.diff(u) ** 2))

        steps = [{"type": "ineq", "fun": lambda x: MAX_TEMPO_STEP * x[:-1] - x[1:]},
                 {"type": "ineq", "fun": lambda x: MAX_TEMPO_STEP * x[1:] - x[:-1]},
                 {"type": "eq", "fun": lambda x: a @ x - t}]
        if tail:
            steps.append({"type": "eq", "fun": lambda x: x[tail] - x[tail[0] - 1]})
        start = np.full(count, t[-1] / sum(length for b, length in units if b < last_anchor))
        result = minimize(roughness, start, constraints=steps, method="SLSQP",
                          options={"maxiter": 2000, "ftol": 1e-14})
        beat_ms = result.x
        ratios = beat_ms[1:] / beat_ms[:-1]
        if not result.success or np.max(np.abs(a @ beat_ms - t)) > 0.01 or \
                np.max(np.maximum(ratios, 1 / ratios)) > MAX_TEMPO_STEP + 1e-6:
            raise ValueError(f"no tempo map meets every moment: {result.message}")
        # MIDI keeps whole microseconds per quarter; each stretch is rounded so that the time
        # it ends at is as near as it can be to the exact one, so errors never add up.
        self.tempo_changes = []
        exact_us = 0.0
        played_us = 0
        for (beat, length), ms in zip(units, beat_ms):
            exact_us += length * ms * 1000
            us = int(round((exact_us - played_us) / length))
            played_us += us * length
            if not self.tempo_changes or self.tempo_changes[-1][1] != us:
                self.tempo_changes.append((beat, us))

    def ms_at_beat(self, beat):
        """Time of a beat (fractions allowed) in ms from the score's start, as MIDI players count."""
        us = 0
        for k, (start, tempo_us) in enumerate(self.tempo_changes):
            end = self.tempo_changes[k + 1][0] if k + 1 < len(self.tempo_changes) else math.inf
            if beat <= start:
                break
            us += (min(beat, end) - start) * tempo_us
        return us / 1000.0

    def beat_at_ms(self, ms):
        """The beat (with its fraction) at a time in ms from the score's start."""
        us = ms * 1000
        for k, (start, tempo_us) in enumerate(self.tempo_changes):
            end = self.tempo_changes[k + 1][0] if k + 1 < len(self.tempo_changes) else math.inf
            if us <= (end - start) * tempo_us:
                return start + us / tempo_us
            us -= (end - start) * tempo_us
        raise ValueError("after the score's end")

    def bar_and_beat(self, beat):
        bar = int(np.searchsorted(self.bar_starts, beat, side="right")) - 1
        return bar + 1, beat - int(self.bar_starts[bar]) + 1

    def sync_table(self, moments):
        """(moment, its time in the picture, bar, beat, its time in the score) for every moment
        the score is made to meet, in time order."""
        rows = []
        for section in self.sections:
            targets = [(section.starts_at, section.start_beat)]
            targets += [(m, section.start_beat + o) for m, o in section.hits.items()]
            for moment, beat in targets:
                bar, in_bar = self.bar_and_beat(beat)
                rows.append((moment, moments[moment], bar, in_bar, self.ms_at_beat(beat)))
        return sorted(rows, key=lambda r: r[4])

    # ---- Checks ----------------------------------------------------------------------------
    def most_repeated_passage(self, bars):
        """How often the most repeated run of `bars` bars occurs note for note (every channel,
        every note relative to the passage's start), and where it first starts."""
        per_bar = [[] for _ in self.bar_beats]
        for tick, length, channel, pitch, velocity in self.notes:
            beat = tick / TICKS_PER_QUARTER
            bar = int(np.searchsorted(self.bar_starts, beat, side="right")) - 1
            bar = min(bar, len(self.bar_beats) - 1)
            offset = tick - self.bar_tick(bar)
            per_bar[bar].append((offset, length, channel, pitch, velocity))
        return most_repeated_run([(tuple(sorted(n)) or None, beats)
                                  for n, beats in zip(per_bar, self.bar_beats)], bars)

    def most_repeated_progression(self, bars):
        """The same for the chords alone, bar by bar (as the sections' writers set them)."""
        return most_repeated_run([(self.chords.get(bar), beats)
                                  for bar, beats in enumerate(self.bar_beats)], bars)

    # ---- MIDI ------------------------------------------------------------------------------
    def midi_file(self, channels=None, span=None):
        """A format-0 standard MIDI file of the channels given (all if None), with the tempo map
        and time signatures, so a player plays it bar for bar as scored. With `span` (a test of
        a tick), only the notes that start where it holds; every control still plays."""
        events = []   # (tick, order, bytes); at one tick in that order, else as written
        for beat, us in self.tempo_changes:
            events.append((beat * TICKS_PER_QUARTER, 0, b"\xff\x51\x03" + us.to_bytes(3, "big")))
        previous = None
        for bar, beats in enumerate(self.bar_beats):
            if beats != previous:
                events.append((self.bar_tick(bar), 0, bytes([0xFF, 0x58, 4, beats, 2, 24, 8])))
                previous = beats
        wanted = (lambda c: True) if channels is None else (lambda c: c in channels)
        for tick, channel, bank, program in self.programs:
            if wanted(channel):
                # Bank select as MSB and LSB (FluidSynth's MMA mode): 128 is the drum kits.
                events.append((tick, 1, bytes([0xB0 | channel, 0, bank >> 7])))
                events.append((tick, 1, bytes([0xB0 | channel, 32, bank & 0x7F])))
                events.append((tick, 2, bytes([0xC0 | channel, program])))
        for tick, channel, controller, value in self.controls:
            if wanted(channel):
                events.append((tick, 3, bytes([0xB0 | channel, controller, value])))
        for tick, channel, value in self.bends:
            if wanted(channel):
                v = value + 8192
                events.append((tick, 3, bytes([0xE0 | channel, v & 0x7F, v >> 7])))
        for tick, length, channel, pitch, velocity in self.notes:
            if wanted(channel) and (span is None or span(tick)):
                # Note-offs sort before note-ons at the same tick, so repeated notes retrigger.
                events.append((tick + length, 4, bytes([0x80 | channel, pitch, 0])))
                events.append((tick, 5, bytes([0x90 | channel, pitch, velocity])))
        track = bytearray()
        last = 0
        for tick, _, data in sorted(events, key=lambda e: (e[0], e[1])):
            track += variable_length(tick - last) + data
            last = tick
        end = self.total_beats * TICKS_PER_QUARTER
        track += variable_length(max(0, end - last)) + b"\xff\x2f\x00"
        header = b"MThd" + struct.pack(">IHHH", 6, 0, 1, TICKS_PER_QUARTER)
        return header + b"MTrk" + struct.pack(">I", len(track)) + bytes(track)


def most_repeated_run(keys, length):
    """How often the most frequent run of `length` bars occurs, and where (1-based) it first
    starts. Each bar is (what it holds or None, its beats); runs that hold nothing (silence, no
    chords) do not count. (0, 0) when there is none."""
    seen = {}
    for first in range(len(keys) - length + 1):
        window = tuple(keys[first:first + length])
        if any(content is not None for content, _ in window):
            seen.setdefault(window, []).append(first)
    if not seen:
        return 0, 0
    starts = max(seen.values(), key=len)
    return len(starts), starts[0] + 1


def variable_length(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))

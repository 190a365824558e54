#!/usr/bin/env python3
"""The main tune, Quorvintabe, scored to the demo's timeline.

One through-composed piece from the tune's start to past the closing fade: every scene starts
on a bar line, each caption card is a break, the picture's big moments get hits, and the tempo
map bends between them (never more than 4% from one tempo to the next) so that all of it lands
to the millisecond. The moments come from the real timeline (veltronaquis_timeline).

    tune.py TIMELINE OUT_DIR

writes OUT_DIR/tune.mid (the whole score), OUT_DIR/{dry,drums,wet,wide}.mid (the stems the
generator mixes: kick, bass and sub stay dry; the drums get a room; everything else a hall, made
wider from the sphere drop to the credits), prints the sync table and writes it and the table of
the sections (music.txt) to OUT_DIR.
"""

import math
import sys

from score import (TEMPO_STEP_LIMIT, STEP_TICKS, SYNC_TOLERANCE_MS, TICKS_PER_QUARTER, Chord,
                   Score, Section, note_number, parse_chords, parse_line)

# ---- The instruments --------------------------------------------------------------------
# MIDI channels (0-based). Banks: 0 General MIDI, 8 the SoundFont's variations, 128 its kits.
BASS, SUB, ARP, PAD, LEAD, LEAD2, BRASS, HIT, KEYS, DRUMS, DRUMS2, KICK, KICK808, FX, CHOIR, BELL = range(16)

# channel: (bank, program, volume, pan 0..127, what it is)
INSTRUMENTS = {
    BASS:    (0, 38, 110, 64, "Synth Bass 1: short, plucked notes"),
    SUB:     (8, 80, 51, 64, "Sine Wave: the sub octave under the bass"),
    ARP:     (0, 80, 109, 40, "Lead 1 (square): the arpeggios"),
    PAD:     (0, 90, 85, 84, "Pad 3 (polysynth): chords"),
    LEAD:    (0, 81, 112, 58, "Lead 2 (sawtooth): the tunes"),
    LEAD2:   (0, 80, 82, 74, "Lead 1 (square): the lead's lower octave and the rabbit's blips"),
    BRASS:   (8, 62, 105, 70, "Synth Brass 3: stabs"),
    HIT:     (0, 55, 92, 64, "Orchestra Hit: the big moments"),
    KEYS:    (0, 5, 109, 50, "Electric Piano 2: the still picture and the credits"),
    DRUMS:   (128, 16, 96, 64, "Power kit: snare and ride"),
    DRUMS2:  (128, 25, 100, 64, "TR-808 kit: hats, claps, crashes, rim, shaker"),
    KICK:    (128, 16, 94, 64, "Power kit's kick: the punch"),
    KICK808: (128, 25, 56, 64, "TR-808 kit's kick: the boom"),
    FX:      (9, 125, 114, 64, "Burst Noise: risers"),
    CHOIR:   (0, 91, 93, 76, "Pad 4 (choir): the big sections"),
    BELL:    (0, 8, 106, 88, "Celesta: bells"),
}
# What the generator renders apart: kick and bass dry, drums in a room, the rest in a hall;
# from the sphere drop to the credits the hall's instruments play in a stem of their own, which
# the generator makes wider.
STEMS = {
    "dry": {BASS, SUB, KICK, KICK808},
    "drums": {DRUMS, DRUMS2},
    "wet": {ARP, PAD, LEAD, LEAD2, BRASS, HIT, KEYS, FX, CHOIR, BELL},
    "wide": {ARP, PAD, LEAD, LEAD2, BRASS, HIT, KEYS, FX, CHOIR, BELL},
}
WIDE = ("sphere drop", "credits")

# Drum voices: (channel, key of the kit).
DRUM_VOICES = {
    "kick": [(KICK, 36), (KICK808, 36)],
    "boom": [(KICK808, 35)],
    "snare": [(DRUMS, 38)],
    "clap": [(DRUMS2, 39)],
    "rim": [(DRUMS2, 37)],
    "hat": [(DRUMS2, 42)],
    "ohat": [(DRUMS2, 46)],
    "shaker": [(DRUMS2, 70)],
    "cowbell": [(DRUMS2, 56)],
    "ride": [(DRUMS, 51)],
    # The kit's crash is soft next to its snare: two of them, on the quieter kit's channel.
    "crash": [(DRUMS2, 49), (DRUMS2, 57)],
}

# How loud each drum voice plays against its pattern's marks: the 808's hats and shaker are
# loud next to its claps and crashes, and all the metal is kept soft, so the top does not fizz.
DRUM_LEVELS = {"hat": 0.6, "ohat": 0.65, "shaker": 0.65, "ride": 0.8}

# How far from the middle the hall's instruments sit, against their places above: the grooves
# before the drop narrower, the sphere drop and the flight widest.
WIDTHS = {"rabbit": 0.7, "butterfly": 0.7, "turning butterfly": 0.7, "five butterflies": 0.7,
          "rabbit again": 0.7, "beam fan": 0.5, "sphere drop": 1.8, "flight": 1.8}
# The leads' filter, in cents from open, everywhere but the sphere drop.
LEAD_SHADE = -1800
# Pitch bends reach a fourth either way, unless a tape stop takes them further.
BEND_SEMITONES = 5
# The reverse cymbal (the SoundFont's), played at C3, swells for this long to its peak
# (measured on the rendered sample).
REVERSE_KEY = note_number("C3")
REVERSE_PEAK_MS = 1630

# Registers, so no part masks another: sub and bass under the pad, the lead above the pad,
# the arpeggio above or below the lead, never across it.
SUB_LOW = note_number("A0")
BASS_LOW = note_number("E1")
PAD_LOW, PAD_HIGH = note_number("F3"), note_number("E4")

# ---- Patterns ---------------------------------------------------------------------------
# Drum grooves for a 4/4 bar: one string of 16 sixteenths per voice; a digit is the velocity
# in ninths of full, '.' is silence.
GROOVES = {
    "pulse":   {"kick": "7...............", "hat": "..3...3...3...3."},
    "build":   {"kick": "8.......6.......", "hat": "3.4.3.4.3.4.3.4."},
    "steps":   {"kick": "8...7...8...7...", "hat": "3434343434343434", "clap": "............5..."},
    "half":    {"kick": "9.........6.....", "snare": "........9.......", "hat": "4.5.4.5.4.5.4.5."},
    "hop":     {"kick": "9.....6.9.....7.", "clap": "....8.......8...", "hat": "4.5.4.5.4.5.4.5.",
                "cowbell": "..4...4.....4..."},
    "hopfull": {"kick": "9...9...9...9...", "clap": "....8.......8...", "hat": "4545454545454545",
                "cowbell": "..4...4.....4..4", "ohat": "..............5."},
    "four":    {"kick": "9...9...9...9...", "snare": "....7.......7...", "clap": "....8.......8...",
                "ohat": "..6...6...6...6.", "hat": "4.4.4.4.4.4.4.4."},
    "drive":   {"kick": "9...9...9...9..6", "snare": "....8.......8...", "clap": "....8.......8...",
                "ohat": "..6...6...6...6.", "hat": "4646464646464646"},
    "ride":    {"kick": "9...9...9...9...", "snare": "....8.......8...", "clap": "....7.......7..5",
                "ride": "6.5.6.5.6.5.6.5.", "hat": "..4...4...4...4."},
    "big":     {"kick": "9...9...9...9...", "snare": "....9.......9...", "clap": "....8.......8...",
                "ohat": "..7...7...7...7.", "hat": "5656565656565656", "ride": "5...5...5...5..."},
    "flight":  {"kick": "9...9...9...9...", "snare": "........9.......", "clap": "........8.......",
                "hat": "4.5.4.5.4.5.4.5.", "ohat": "..6.......6....."},
    "warm":    {"kick": "7.......5.4.....", "rim": "....6.......6...", "shaker": "3434343434343434"},
    "warmer":  {"kick": "8...6...8...6...", "rim": "....6.......6...", "shaker": "3434343434343434",
                "clap": "............5...", "ohat": "..............4."},
}

# Bass figures for a 4/4 bar: (sixteenth, length, interval, velocity). 0 and 12 are the
# chord's bass note and its octave; other intervals count from the chord's root, so a fifth is
# the chord's own fifth over a slash chord's bass too.
BASS_FIGURES = {
    "long":    [(0, 16, 0, 96)],
    "pulse":   [(s, 2, 0, 92 if s % 8 == 0 else 76) for s in range(0, 16, 2)],
    "octaves": [(s, 2, 12 if s % 4 == 2 else 0, 100 if s % 4 == 0 else 84) for s in range(0, 16, 2)],
    "hop":     [(0, 2, 0, 104), (3, 1, 12, 84), (4, 2, 0, 96), (7, 1, 7, 80), (8, 2, 0, 100),
                (11, 1, 12, 84), (12, 2, 10, 92), (14, 2, 7, 88)],
    "drive":   [(s, 1, [0, 0, 12, 0][s % 4], 108 if s % 4 == 0 else 84) for s in range(16)],
    "gallop":  [(0, 2, 0, 106), (3, 1, 0, 84), (4, 2, 12, 92), (6, 1, 0, 80), (7, 1, 0, 86),
                (8, 2, 0, 102), (11, 1, 0, 84), (12, 2, 12, 94), (14, 1, 7, 84), (15, 1, 0, 88)],
    "push":    [(0, 3, 0, 106), (3, 3, 0, 92), (6, 2, 12, 88), (8, 3, 0, 102), (11, 3, 0, 90),
                (14, 2, 7, 88)],
    "walk":    [(0, 4, 0, 92), (4, 4, 7, 82), (8, 4, 12, 88), (12, 4, 7, 82)],
}

# Arpeggio figures: indices into the chord's tones from the part's low note upward.
ARP_FIGURES = {
    "up":     [0, 1, 2, 3, 4, 5, 4, 3] * 2,
    "updown": [0, 1, 2, 3, 4, 3, 2, 1] * 2,
    "wide":   [0, 2, 4, 1, 3, 5, 2, 4] * 2,
    "fall":   [5, 4, 3, 2, 4, 3, 2, 1] * 2,
    "pairs":  [0, 3, 1, 4, 2, 5, 3, 6] * 2,
    "bells":  [0, 1, 2, 1] * 4,                  # three tones only, for above a tune
}


class Writer:
    """Writes one section's notes: bars and sixteenths counted from the section's start."""

    def __init__(self, score, section):
        self.score = score
        self.section = section
        self.harmonies = None

    # Where things are.
    def tick(self, bar, step=0):
        return self.score.bar_tick(self.section.first_bar + bar) + int(round(step * STEP_TICKS))

    def steps(self, bar):
        return self.section.bars[bar] * 4

    @property
    def bar_count(self):
        return len(self.section.bars)

    def harmony(self, text):
        self.harmonies = parse_chords(text)
        if len(self.harmonies) != self.bar_count:
            raise ValueError(f"{self.section.name}: {len(self.harmonies)} bars of chords for "
                             f"{self.bar_count} bars")
        for bar, chords in enumerate(self.harmonies):
            self.score.chords[self.section.first_bar + bar] = tuple(c.symbol for c in chords)

    def spans(self, bar):
        """The chords of a bar as (first sixteenth, sixteenths, chord); they share it equally."""
        chords = self.harmonies[bar]
        each = self.steps(bar) // len(chords)
        return [(k * each, each, chord) for k, chord in enumerate(chords)]

    def chord(self, bar, step=0):
        for first, length, chord in self.spans(bar):
            if first <= step < first + length:
                return chord
        return self.spans(bar)[-1][2]

    # Set-up.
    def instrument(self, channel, program, bank=0, bar=0):
        self.score.program(self.tick(bar), channel, program, bank)

    # Drums.
    def drums(self, bar, pattern, level=1.0, steps=None):
        """A pattern of drum voices in `bar`; a 4/4 groove is cut to a shorter bar."""
        count = self.steps(bar) if steps is None else steps
        for voice, marks in pattern.items():
            for step, mark in enumerate(marks[:count]):
                if mark != ".":
                    self.drum(voice, bar, step, int(mark) / 9 * 127 * level)

    def drum(self, voice, bar, step, velocity, length=1):
        for channel, key in DRUM_VOICES[voice]:
            self.score.note(self.tick(bar, step), length * STEP_TICKS - 20, channel, key,
                            velocity * DRUM_LEVELS.get(voice, 1.0))

    def groove(self, name, bars, level=1.0, fill=None):
        """The groove over `bars`; with a fill, the last bar's last beat is the fill instead."""
        bars = list(bars)
        for bar in bars:
            pattern = GROOVES[name]
            if fill is not None and bar == bars[-1]:
                last = self.steps(bar) - 4
                pattern = {voice: marks[:last] + "...." for voice, marks in pattern.items()}
                self.drums(bar, pattern, level)
                self.roll(bar, last, self.steps(bar) - 1, fill[0], fill[1])
            else:
                self.drums(bar, pattern, level)

    def roll(self, bar, first, end, soft, loud, voice="snare", every=1):
        """A roll from sixteenth `first` to `end` of `bar`, growing from `soft` to `loud`."""
        count = (end - first) // every
        for k in range(count):
            velocity = soft + (loud - soft) * k / max(1, count - 1)
            self.drum(voice, bar, first + k * every, velocity)

    def crash(self, bar, step=0, velocity=120):
        self.drum("crash", bar, step, velocity)

    def downbeat(self, bar, velocity=120):
        """Crash, kick and boom: the start of something new."""
        self.crash(bar, 0, velocity)
        self.drum("kick", bar, 0, velocity)
        self.drum("boom", bar, 0, velocity * 0.9, length=4)

    # Low end.
    def bass(self, bars, figure="pulse", level=1.0, octave=0, gate=0.85):
        for bar in bars:
            for step, length, interval, velocity in BASS_FIGURES[figure]:
                if step >= self.steps(bar):
                    continue
                length = min(length, self.steps(bar) - step)
                chord = self.chord(bar, step)
                self.score.note(self.tick(bar, step), length * STEP_TICKS * gate, BASS,
                                chord.bass_tone(BASS_LOW + 12 * octave, interval), velocity * level)

    def sub(self, bars, velocity=96):
        """The sine an octave under the bass, held for each chord."""
        for bar in bars:
            for first, length, chord in self.spans(bar):
                self.score.note(self.tick(bar, first), length * STEP_TICKS - 30, SUB,
                                chord.bass_note(SUB_LOW) + 12, velocity)

    # Chords and arpeggios.
    def pad(self, bars, velocity=72, channel=PAD, low=PAD_LOW, high=PAD_HIGH):
        """Each chord held in a close voicing, moving to the nearest one (voice leading)."""
        previous = None
        for bar in bars:
            for first, length, chord in self.spans(bar):
                notes = chord.voicing(low, high, previous)
                for pitch in notes:
                    self.score.note(self.tick(bar, first), length * STEP_TICKS - 40, channel,
                                    pitch, velocity)
                previous = notes

    def stabs(self, bars, rhythm, velocity=96, channel=BRASS, low=note_number("A3"),
              high=note_number("G4")):
        """Short chords on the marked sixteenths of `rhythm` (a 16-step string)."""
        previous = None
        for bar in bars:
            for step, mark in enumerate(rhythm[:self.steps(bar)]):
                if mark == ".":
                    continue
                chord = self.chord(bar, step)
                notes = chord.voicing(low, high, previous)
                for pitch in notes:
                    self.score.note(self.tick(bar, step), STEP_TICKS * 2 - 60, channel, pitch,
                                    velocity * int(mark) / 9)
                previous = notes

    def arp(self, bars, figure="up", low=note_number("A4"), velocity=72, gate=0.55, every=1,
            channel=ARP, rise=0.0):
        """One chord tone per sixteenth (or per `every` sixteenths); `rise` adds velocity
        across the bars, for builds."""
        bars = list(bars)
        pattern = ARP_FIGURES[figure]
        for n, bar in enumerate(bars):
            for step in range(0, self.steps(bar), every):
                chord = self.chord(bar, step)
                tones = chord.tones(low, 7)
                accent = 12 if step % 4 == 0 else 0
                grow = rise * (n * self.steps(bar) + step) / (len(bars) * self.steps(bar))
                self.score.note(self.tick(bar, step), every * STEP_TICKS * gate, channel,
                                tones[pattern[(step // every) % len(pattern)]],
                                velocity + accent + grow)

    # Tunes.
    def line(self, channel, bar, text, velocity=100, gate=0.92, double=None):
        """A melody bar written as 'A4:2 C5:2 -:4 ...' (names and sixteenths); `double` plays
        it again on another channel an octave lower."""
        for step, length, pitch in parse_line(text, self.steps(bar)):
            if pitch is None:
                continue
            accent = 8 if step % 4 == 0 else 0
            tick = self.tick(bar, step)
            self.score.note(tick, length * STEP_TICKS * gate, channel, pitch, velocity + accent)
            if double is not None:
                self.score.note(tick, length * STEP_TICKS * gate, double, pitch - 12,
                                (velocity + accent) * 0.8)

    def tune(self, channel, first_bar, bars_text, velocity=100, double=None):
        for n, text in enumerate(bars_text):
            self.line(channel, first_bar + n, text, velocity, double=double)

    # Effects.
    def swell(self, channel, start, end, low, high, controller=11, points=24):
        """A controller ramp from tick `start` to tick `end`."""
        for k in range(points + 1):
            self.score.control(start + (end - start) * k // points, channel, controller,
                               low + (high - low) * k / points)

    def filter(self, channel, tick, cents):
        """Moves the channel's filter cutoff by `cents` (SoundFont NRPN 120/8)."""
        self.generator(channel, tick, 8, cents / 2)

    def resonance(self, channel, tick, centibels):
        """Raises the channel's filter resonance (SoundFont NRPN 120/9)."""
        self.generator(channel, tick, 9, centibels)

    def generator(self, channel, tick, number, offset):
        generator(self.score, channel, tick, number, offset)

    def sweep(self, channel, start, end, cents_from, cents_to, points=32):
        for k in range(points + 1):
            self.filter(channel, start + (end - start) * k // points,
                        cents_from + (cents_to - cents_from) * k / points)

    def riser(self, start, end, loud=110, pitch=note_number("C5"), top=-2400):
        """Noise through a resonant filter that opens and grows from tick `start` and stops
        dead a sixteenth before tick `end`, so what comes at `end` comes out of silence. The
        filter stops short of open (`top` cents), so the noise sweeps rather than hisses."""
        end -= STEP_TICKS
        self.score.note(start, end - start, FX, pitch, loud)
        self.swell(FX, start, end, 10, 127)
        self.resonance(FX, start, 120)
        self.sweep(FX, start, end, -6400, top)
        self.score.control(end, FX, 11, 127)
        self.filter(FX, end, 0)
        self.resonance(FX, end, 0)

    def bend_range(self, channel, tick, semitones):
        """How far a full pitch bend reaches (RPN 0), in semitones."""
        for controller, value in ((101, 0), (100, 0), (6, semitones), (38, 0), (101, 127), (100, 127)):
            self.score.control(tick, channel, controller, value)

    def tape_stop(self, channels, start, end, resume, points=32):
        """The channels slow to a halt as a tape does when its motor stops: the speed falls
        evenly to a quarter, so the pitch falls ever faster by two octaves, and the sound goes
        with it. They stay silent (release tails too) until `resume`, where the bends are
        undone."""
        for channel in channels:
            self.bend_range(channel, start, 24)
            for k in range(points + 1):
                speed = 1 - 0.75 * k / points
                tick = start + (end - start) * k // points
                self.score.bend(tick, channel, 8191 * 12 * math.log2(speed) / 24)
                self.score.control(tick, channel, 11, 127 * speed ** 2 if k < points else 0)
            self.score.bend(resume, channel, 0)
            self.bend_range(channel, resume, BEND_SEMITONES)
            self.score.control(resume, channel, 11, 127)

    def tape_start(self, channels, start, end, points=32):
        """The reverse: from a quarter speed up to speed, the sound coming up with it."""
        for channel in channels:
            self.bend_range(channel, start, 24)
            for k in range(points + 1):
                speed = 0.25 + 0.75 * k / points
                tick = start + (end - start) * k // points
                self.score.bend(tick, channel, 8191 * 12 * math.log2(speed) / 24)
                self.score.control(tick, channel, 11, 127 * speed)
            self.bend_range(channel, end, BEND_SEMITONES)

    def reverse_cymbal(self, bar, step, velocity=112):
        """The SoundFont's reverse cymbal, timed so that its swell peaks at the bar and
        sixteenth given."""
        peak = self.score.ms_at_beat(self.tick(bar, step) / TICKS_PER_QUARTER)
        start = int(round(self.score.beat_at_ms(peak - REVERSE_PEAK_MS) * TICKS_PER_QUARTER))
        self.score.program(start, FX, 119)
        self.score.note(start, self.tick(bar, step) - start, FX, REVERSE_KEY, velocity)
        self.score.program(self.tick(bar, step), FX, INSTRUMENTS[FX][1], INSTRUMENTS[FX][0])

    def spread(self, width, bar=0):
        """Sets the hall's instruments `width` times as far from the middle as their places."""
        for channel in sorted(STEMS["wet"]):
            pan = INSTRUMENTS[channel][3]
            self.score.control(self.tick(bar), channel, 10, 64 + (pan - 64) * width)

    def hit(self, bar, step=0, chord=None, velocity=118, orchestra=True):
        """A big accent: crash, kick, the orchestra hit and a brass stab on the chord, and the
        sub under it."""
        chord = chord or self.chord(bar, step)
        tick = self.tick(bar, step)
        self.crash(bar, step, velocity)
        self.drum("kick", bar, step, velocity)
        self.drum("boom", bar, step, velocity * 0.9, length=4)
        if orchestra:
            for pitch in chord.voicing(note_number("E4"), note_number("D5")):
                self.score.note(tick, STEP_TICKS * 3, HIT, pitch, velocity)
        for pitch in chord.voicing(note_number("A3"), note_number("G4")):
            self.score.note(tick, STEP_TICKS * 3, BRASS, pitch, velocity * 0.9)
        self.score.note(tick, STEP_TICKS * 8, SUB, chord.bass_note(SUB_LOW) + 12, velocity)

    def pump(self, bars, channels=(PAD, CHOIR), depth=40, beats=None):
        """Ducks the channels on every beat, as a compressor keyed to the kick would."""
        for bar in bars:
            for beat in range(self.section.bars[bar]) if beats is None else beats:
                tick = self.tick(bar, beat * 4)
                for channel in channels:
                    for k, value in enumerate((127 - depth, 127 - depth * 0.6, 127 - depth * 0.25, 127)):
                        self.score.control(tick + k * STEP_TICKS * 3 // 4, channel, 11, value)


# ---- The sections -----------------------------------------------------------------------
# Every section is a function of its Writer; the list below sets them in order, with the
# moment each starts at and the hits inside.

def intro(w):
    # Calm, building: a held chord and a boom under the first line, as loud as the spoken
    # digits before it, the arpeggio opening up line by line, the beat coming in under the
    # third and fourth.
    w.harmony("Am | Am/G | Fmaj7 | E7sus4 E | E")
    w.instrument(PAD, 94)                               # Pad 7 (halo): soft and wide
    w.instrument(BASS, 39)                              # Synth Bass 2: round, held
    w.drum("kick", 0, 0, 108)
    w.drum("boom", 0, 0, 104, length=8)
    w.crash(0, 0, 96)
    w.pad(range(5), velocity=96)
    w.pad([0, 1], velocity=72, channel=CHOIR, low=note_number("A4"), high=note_number("A5"))
    w.swell(CHOIR, w.tick(0, 8), w.tick(2), 127, 0)
    w.sub(range(5), velocity=94)
    w.arp(range(5), "updown", low=note_number("A4"), velocity=50, rise=36)
    w.sweep(ARP, w.tick(0), w.tick(4), -4000, 0)
    w.tune(BELL, 0, ["A5:4 E6:4 C6:8", "B5:4 E6:4 G5:8", "A5:4 C6:4 E6:8", "D6:8 B5:4 G#5:4",
                     "-:8"], velocity=84)
    w.groove("pulse", [1])
    w.groove("build", [2])
    w.groove("steps", [3])
    w.bass([2, 3], "pulse", level=0.8)
    w.bass([4], "pulse", level=0.9)
    w.drum("kick", 4, 0, 90)
    w.roll(4, 4, 7, 50, 90)


def title_zoom(w):
    # The title zooms up: everything on the dominant, a noise riser and a snare roll.
    w.harmony("E")
    w.pad([0], velocity=86)
    w.bass([0], "octaves", level=0.95)
    w.sub([0], velocity=94)
    w.arp([0], "up", low=note_number("E5"), velocity=60, rise=30)
    w.downbeat(0, 112)
    w.drums(0, {"kick": "....8...9...9..."})
    w.roll(0, 0, 8, 36, 60, every=2)
    w.roll(0, 8, 15, 62, 96)
    w.riser(w.tick(0), w.tick(0, 16))


def title_hit(w):
    # The title at full size: the first hit, then the chord rings while it holds; a break of
    # half a bar as it rises away, and a pickup into the rabbit.
    w.harmony("Am | G")
    w.hit(0)
    w.pad([0], velocity=90)
    w.bass([0], "long", level=0.9)
    w.sub([0], velocity=90)
    w.arp([0], "wide", low=note_number("A4"), velocity=62)
    w.drums(0, {"snare": "........9.......", "hat": "..4...4...4...4.", "ohat": "......5.......5."})
    w.riser(w.tick(1), w.tick(1, 6), loud=90, pitch=note_number("G5"))
    w.drum("snare", 1, 6, 80)
    w.drum("snare", 1, 7, 100)


def rabbit(w, again=False):
    # The rabbit hops in and poses; the downbeat where it opens its eyes after the blink gets
    # a blip; it runs back over a rising run.
    w.harmony("Am | Dm | E")
    w.instrument(BASS, 38)
    w.instrument(PAD, 90)
    w.instrument(LEAD2, 80)
    w.groove("hopfull" if again else "hop", range(3), level=1.0 if again else 0.85)
    w.downbeat(0, 116)
    w.crash(1, 0, 110)
    w.bass(range(3), "hop", level=0.95 if again else 0.85)
    w.sub(range(3), velocity=80)
    w.stabs(range(3), "..6...6...6...6." if not again else "..7..6..7...6.6.", velocity=80,
            channel=KEYS)
    blips = ["A5:1 -:1 E5:1 -:1 A5:1 -:3 C6:1 -:1 B5:1 -:1 A5:1 -:3",
             "D6:2 -:2 A5:1 -:1 F5:1 -:1 D5:2 -:2 F5:1 -:1 A5:1 -:1",
             "B4:1 C5:1 D5:1 E5:1 F5:1 G#5:1 A5:1 B5:1 C6:1 D6:1 E6:2 -:4"]
    if again:
        blips = ["E5:1 -:1 A5:1 -:1 C6:1 -:3 E6:1 -:1 D6:1 -:1 C6:1 -:3",
                 "F6:2 -:2 D6:1 -:1 A5:1 -:1 F5:2 -:2 A5:1 -:1 D6:1 -:1",
                 "G#4:1 B4:1 D5:1 E5:1 G#5:1 B5:1 D6:1 E6:1 G#6:2 -:6"]
    w.tune(LEAD2, 0, blips, velocity=92 if again else 80)
    # The eyes open: the blip bends up a fourth.
    w.score.bend(w.tick(1), LEAD2, -4096)
    for k in range(9):
        w.score.bend(w.tick(1, k * 0.25), LEAD2, -4096 + 4096 * k / 8)
    w.pad([0, 1, 2], velocity=58)
    w.roll(2, 12, 15, 64, 96)


def butterfly(w):
    # The groove arrives: four to the floor, the octave bass, the arpeggio and pumping chords;
    # the curtain thins it out again towards the first card.
    w.harmony("Am | Em | F | G | Am | E")
    w.instrument(BASS, 38)
    w.instrument(PAD, 90)
    w.hit(0)
    w.groove("four", range(4))
    w.groove("four", [4], level=0.85, fill=(56, 92))
    w.drums(5, {"kick": "9...9...", "snare": "..5.6.7.", "hat": "4.4.4.4."})
    w.bass(range(5), "octaves")
    w.bass([5], "pulse")
    w.sub(range(6), velocity=92)
    w.arp(range(6), "up", low=note_number("A4"), velocity=58)
    w.pad(range(6), velocity=82)
    w.pump(range(6))
    w.stabs(range(1, 4), "..8...8...8...8.", velocity=84)


def tape_card(w):
    # The first card: the groove goes on under the impact (no cymbal) as a tape whose motor
    # stops, then a breath of silence, and the tape starts up again on the dominant into the
    # next scene.
    w.harmony("Fmaj7 | E")
    w.drum("kick", 0, 0, 124)
    w.drum("boom", 0, 0, 110, length=4)
    w.drum("clap", 0, 0, 116)
    stop = w.tick(0, 10)
    for pitch in w.chord(0).voicing(PAD_LOW, PAD_HIGH):
        w.score.note(w.tick(0), stop - w.tick(0), PAD, pitch, 88)
    tones = w.chord(0).tones(note_number("A4"), 7)
    for step in range(10):
        w.score.note(w.tick(0, step), STEP_TICKS // 2, ARP, tones[ARP_FIGURES["up"][step]], 72)
        if step % 2 == 0:
            w.score.note(w.tick(0, step), STEP_TICKS, BASS, w.chord(0).bass_note(BASS_LOW), 96)
    w.tape_stop((PAD, ARP, BASS), w.tick(0), stop, w.tick(1))
    start = w.tick(1)
    for pitch in w.chord(1).voicing(PAD_LOW, PAD_HIGH):
        w.score.note(start, w.tick(1, 7) - start, PAD, pitch, 84)
    w.tape_start((PAD,), start, w.tick(1, 6))
    w.roll(1, 4, 7, 56, 96)


def reverse_card(w):
    # The second card: an orchestra hit cut short, its chord echoed by a bell, then a cymbal
    # drawn backwards into the next scene's downbeat.
    w.harmony("Dm | E")
    w.drum("kick", 0, 0, 124)
    w.drum("boom", 0, 0, 110, length=4)
    for pitch in w.chord(0).voicing(note_number("E4"), note_number("D5")):
        w.score.note(w.tick(0), STEP_TICKS * 2, HIT, pitch, 124)
    for pitch in w.chord(0).voicing(note_number("A3"), note_number("G4")):
        w.score.note(w.tick(0), STEP_TICKS * 2, BRASS, pitch, 110)
    for k, (step, pitch) in enumerate([(3, "F5"), (6, "D5"), (9, "A4")]):
        w.score.note(w.tick(0, step), STEP_TICKS * 3, BELL, note_number(pitch), 84 - 10 * k)
    w.reverse_cymbal(1, 8)


def sweep_card(w):
    # The third card: the groove goes on without its drums through a ringing filter that
    # closes down to a murmur over the first bar and opens again into the still picture.
    w.harmony("Am | G")
    w.drum("kick", 0, 0, 124)
    w.drum("boom", 0, 0, 110, length=4)
    w.drum("clap", 0, 0, 110)
    end = w.tick(1, 8)
    w.arp([0, 1], "pairs", low=note_number("E4"), velocity=74, gate=0.5)
    w.bass([0], "drive", level=0.8)
    w.pad([0, 1], velocity=74)
    for channel in (ARP, PAD, BASS):
        w.resonance(channel, w.tick(0), 140)
        w.sweep(channel, w.tick(0), w.tick(1), 0, -6000)
        w.sweep(channel, w.tick(1), w.tick(1, 7), -6000, -600, points=16)
        w.filter(channel, end, 0)
        w.resonance(channel, end, 0)


def turning(w):
    # Rising energy: the tune comes in over the turning butterfly, the arpeggio above it.
    w.harmony("F | G | Em | Am | Dm | E | E")
    w.hit(0)
    w.groove("drive", range(5))
    w.groove("drive", [5], fill=(56, 94))
    w.drums(6, {"kick": "9.......", "snare": "....678.", "ohat": "..6....."})
    w.bass(range(6), "gallop")
    w.bass([6], "pulse")
    w.sub(range(7), velocity=92)
    w.arp(range(7), "bells", low=note_number("A5"), velocity=50, every=2, gate=0.4)
    w.pad(range(7), velocity=70)
    w.pump(range(7))
    w.tune(LEAD, 0, ["A4:3 C5:1 F5:4 E5:2 C5:2 A4:4",
                     "B4:3 D5:1 G5:4 F5:2 D5:2 B4:4",
                     "E5:2 G5:2 B5:4 A5:2 G5:2 E5:4",
                     "A5:6 G5:2 E5:4 C5:2 D5:2",
                     "F5:3 E5:1 D5:4 A4:2 D5:2 F5:4",
                     "G#5:4 F5:2 E5:2 D5:2 B4:2 G#4:4",
                     "E5:2 -:2 B4:2 D5:2"], velocity=96, double=LEAD2)


def five(w):
    # More energy again: the tune's answer an octave up, the bass in sixteenths, a ride.
    w.harmony("Am | C | D | F | Am | G | E")
    w.hit(0)
    w.groove("ride", range(6))
    w.groove("ride", [6], fill=(60, 96))
    w.bass(range(7), "drive")
    w.sub(range(7), velocity=94)
    w.arp(range(7), "pairs", low=note_number("E4"), velocity=54, every=2, gate=0.45)
    w.pad(range(7), velocity=72)
    w.pad(range(7), velocity=60, channel=CHOIR, low=note_number("A4"), high=note_number("A5"))
    w.pump(range(7))
    w.stabs(range(6), "9.....7.....8...", velocity=80)
    w.tune(LEAD, 0, ["E5:3 A5:1 C6:4 B5:2 A5:2 E5:4",
                     "G5:3 C6:1 E6:4 D6:2 C6:2 G5:4",
                     "F#5:3 A5:1 D6:4 C6:2 A5:2 F#5:4",
                     "A5:4 C6:2 A5:2 G5:2 F5:2 C5:4",
                     "E5:2 A5:2 C6:2 E6:4 D6:2 C6:2 B5:2",
                     "D6:4 B5:2 G5:2 D6:2 B5:2 G5:2 D5:2",
                     "E5:2 G#5:2 B5:2 E6:6 -:4"], velocity=106, double=LEAD2)
    w.crash(4, 0, 100)


def still_picture(w):
    # A change of colour: the relative major, no beat, the electric piano and bells; the
    # squash pulls everything down a fourth into a boom, and the beat starts to come back.
    w.harmony("Fmaj7 | Em7 Em7 Em7 Am7 | Dm7 G")
    w.instrument(PAD, 89)                               # Pad 2 (warm)
    w.pad(range(3), velocity=76, low=note_number("C4"), high=note_number("C5"))
    w.arp(range(3), "up", low=note_number("C4"), velocity=60, gate=0.8, every=2, channel=KEYS)
    w.tune(BELL, 0, ["E6:4 C6:4 A5:4 G5:4", "G5:4 B5:4 D6:4 E6:4", "F6:6 E6:2 D6:4 B5:4"],
           velocity=84)
    w.downbeat(0, 110)
    w.sub(range(3), velocity=84)
    # The squash: the chord bends down and lands on a boom.
    w.hit(1, 12, chord=Chord("Am7"), velocity=104, orchestra=False)
    for k in range(9):
        w.score.bend(w.tick(1, 8 + k / 2), PAD, -4096 * k / 8)
    w.score.bend(w.tick(1, 12), PAD, 0)
    w.groove("pulse", [2])
    w.bass([2], "walk", level=0.85)
    w.roll(2, 12, 15, 56, 92)


def beam_fan(w):
    # Building, and held back for the drop: the beams slide in over a pedal with the kick on
    # the bar only, four to the floor comes halfway, then the stabs and the choir; the tempo
    # climbs and the last bars wind up into the last card.
    w.harmony("Am | F/A | G/A | Am | F | G | Am | F | Dm | E | E")
    w.instrument(PAD, 90)
    w.downbeat(0, 104)
    w.groove("pulse", range(0, 4), level=0.85)
    w.groove("steps", range(4, 8), level=0.85)
    w.groove("big", [8, 9])
    w.drums(10, {"kick": "9...9...9...9...", "ohat": "..7...7...7...7."})
    w.roll(10, 0, 8, 56, 80, every=2)
    w.roll(10, 8, 14, 84, 110)
    w.riser(w.tick(9), w.tick(11), loud=112)
    w.bass(range(0, 4), "long", level=0.75)
    w.bass(range(4, 8), "pulse", level=0.85)
    w.bass([8, 9], "drive")
    w.bass([10], "octaves")
    w.sub(range(11), velocity=90)
    w.arp(range(0, 4), "up", low=note_number("A4"), velocity=50, rise=24)
    w.arp(range(4, 10), "wide", low=note_number("E5"), velocity=52, rise=24)
    w.sweep(ARP, w.tick(0), w.tick(8), -3000, 0)
    w.pad(range(11), velocity=68)
    w.pump(range(4, 11))
    w.stabs(range(8, 10), "9..7..9...7.9...", velocity=88)
    w.stabs([10], "9..9..9.9.9.9...", velocity=100)
    w.pad(range(8, 11), velocity=64, channel=CHOIR, low=note_number("A4"), high=note_number("A5"))
    w.swell(CHOIR, w.tick(8), w.tick(10), 70, 127)


def last_card(w):
    # The last card is a hole before the drop: one impact without a cymbal, then nothing but
    # a bell climbing the dominant, and a beat of silence before the sphere drop's downbeat.
    w.harmony("F | E")
    w.drum("kick", 0, 0, 124)
    w.drum("boom", 0, 0, 96, length=2)
    w.drum("snare", 0, 0, 124)
    for pitch in w.chord(0).voicing(note_number("E4"), note_number("D5")):
        w.score.note(w.tick(0), STEP_TICKS * 2, HIT, pitch, 124)
    # The band stops dead under the impact: the pads' and the choir's long releases too.
    for channel in (PAD, CHOIR, ARP, LEAD, LEAD2, BRASS, KEYS, FX):
        w.score.control(w.tick(0), channel, 11, 0)
    for bar, step, pitch in ((0, 12, "E6"), (1, 0, "G#6"), (1, 3, "B6")):
        w.score.note(w.tick(bar, step), STEP_TICKS * 3, BELL, note_number(pitch), 92)
    # The last beat before the drop is silent: the bells are stilled.
    w.swell(BELL, w.tick(1, 6), w.tick(1, 8), 127, 0, points=8)


def sphere_drop(w):
    # The biggest section, the whole band at once: a bar of three as the sphere falls and the
    # column rises, then one bar per opening of the V, with the brightest lead and the widest
    # stereo of the tune. A bar of held breath before the drift, two of half time near the
    # end, and a lift (Bb, C, D: up by tones to the new key's third) that leaves the key.
    w.harmony("Am | Am | F | C | G | Dm | E | Am | F | C | E | F | G | Am | E | Dm | Am | Bb | C | D | D")
    w.instrument(BASS, 87)                              # Lead 8 (bass and lead): fat
    w.instrument(PAD, 90)
    w.filter(LEAD, w.tick(0), 0)
    w.filter(LEAD2, w.tick(0), 0)
    w.hit(0, velocity=124)
    w.groove("big", [0])
    w.bass([0], "drive")
    w.stabs([0], "9...7...9.7.", velocity=96)
    w.line(LEAD, 0, "E5:4 A5:4 C6:4", velocity=100, double=LEAD2)
    w.hit(1)
    w.groove("drive", range(1, 6))
    # The held breath: only the kick, the bass's long note and the lead over a reverse cymbal.
    w.drum("kick", 6, 0, 110)
    w.reverse_cymbal(7, 0)
    w.hit(7)
    w.groove("big", range(7, 15))
    w.groove("half", [15, 16], level=0.9)
    w.crash(17)
    w.groove("big", [17, 18])
    w.groove("big", [19], fill=(64, 100))
    w.drums(20, {"kick": "9.......9.......", "snare": "........9..99999", "crash": "9..............."})
    w.bass(range(1, 6), "gallop")
    w.bass([6], "long")
    w.bass(range(7, 15), "drive")
    w.bass([15, 16], "long", level=0.8)
    w.bass(range(17, 20), "drive")
    w.bass([20], "long")
    bars = [b for b in range(21) if b != 6]
    w.sub(bars, velocity=96)
    w.pad(bars, velocity=80)
    w.pump([b for b in bars if b != 20])
    w.stabs(range(1, 6), "..7...7...7...7.", velocity=84)
    w.pad([b for b in bars if b not in (15, 16)], velocity=74, channel=CHOIR, low=note_number("A4"),
          high=note_number("A5"))
    w.arp(range(7, 15), "bells", low=note_number("A5"), velocity=50, every=2, gate=0.4)
    w.tune(LEAD, 1, ["A5:6 B5:2 C6:4 E6:4",
                     "F6:6 E6:2 C6:4 A5:4",
                     "G5:6 A5:2 C6:4 G5:4",
                     "B5:6 C6:2 D6:4 B5:4",
                     "A5:4 D6:4 F6:4 E6:2 D6:2"], velocity=102, double=LEAD2)
    w.line(LEAD, 6, "E6:4 -:12", velocity=76)
    w.tune(LEAD, 7, ["A5:2 A5:1 B5:1 C6:2 E6:2 D6:2 C6:2 B5:2 C6:2",
                     "A5:2 A5:1 B5:1 C6:2 F6:2 E6:2 C6:2 A5:4",
                     "G5:2 G5:1 A5:1 C6:2 E6:2 G6:4 E6:4",
                     "G#5:2 B5:2 E6:2 G#6:2 F6:2 E6:2 D6:2 B5:2",
                     "C6:6 A5:2 F5:4 A5:4",
                     "D6:6 B5:2 G5:4 B5:4",
                     "E6:4 C6:2 A5:2 B5:2 C6:2 D6:2 E6:2",
                     "E6:8 -:4 B5:2 D6:2"], velocity=106, double=LEAD2)
    # Half time: the lead alone, softer, its lower octave resting.
    w.tune(LEAD, 15, ["F6:6 E6:2 D6:4 A5:4",
                      "E6:6 D6:2 C6:4 A5:4"], velocity=80)
    w.tune(LEAD, 17, ["D6:6 C6:2 Bb5:4 F5:4",
                      "G5:4 C6:4 E6:4 G6:4",
                      "F#6:4 E6:2 D6:2 A5:4 F#5:4",
                      "A5:16"], velocity=106, double=LEAD2)
    w.stabs(range(7, 15), "9.....8.....9.7.", velocity=92)
    w.stabs(range(17, 20), "9.....8.....9.7.", velocity=96)
    w.filter(LEAD, w.tick(20, 16), LEAD_SHADE)
    w.filter(LEAD2, w.tick(20, 16), LEAD_SHADE)


def growth(w):
    # The new figure grows: the music slows beat by beat from the new key's sixth onto its
    # dominant.
    w.harmony("G | F#sus4 F#")
    w.hit(0, velocity=124)
    w.pad([0, 1], velocity=82)
    w.pad([0, 1], velocity=70, channel=CHOIR, low=note_number("A#4"), high=note_number("A#5"))
    w.sub([0, 1], velocity=92)
    w.bass([0, 1], "long", level=0.8)
    w.arp([0, 1], "fall", low=note_number("C#5"), velocity=56, gate=0.7)
    w.roll(0, 8, 16, 36, 60, every=2)
    w.roll(1, 0, 11, 60, 100)
    w.riser(w.tick(0, 8), w.tick(1, 12), loud=104)


def flight(w):
    # A new key, and the figure's wings beat on every beat: first lighter, half-time snare
    # over the kick and the tune in B minor; then the whole band with the choir; near the
    # end the gradient slides away and the band thins out towards the credits.
    w.harmony("Bm | G | D | A | Em | G | A | F# | Bm | G | D | A | Em | A | Bm | Bm | G | A | Em7 | A")
    w.instrument(BASS, 38)
    w.hit(0)
    w.groove("flight", range(0, 7), level=0.85)
    w.groove("flight", [7], level=0.85, fill=(56, 96))
    w.hit(8, velocity=120)
    w.groove("big", range(8, 15))
    w.groove("big", [15], fill=(64, 98))
    w.crash(16, 0, 96)
    w.groove("flight", [16, 17], level=0.75)
    w.groove("warm", [18, 19])
    w.bass(range(0, 8), "push", level=0.85)
    w.bass(range(8, 16), "gallop")
    w.bass([16, 17], "push", level=0.8)
    w.bass([18, 19], "walk", level=0.75)
    w.sub(range(20), velocity=92)
    w.pad(range(8), velocity=66)
    w.pad(range(8, 16), velocity=80)
    w.pad(range(16, 20), velocity=66)
    w.pump(range(16))
    w.arp(range(0, 16), "bells", low=note_number("F#5"), velocity=48, every=2, gate=0.4)
    w.pad(range(8, 16), velocity=74, channel=CHOIR, low=note_number("B4"), high=note_number("B5"))
    w.stabs(range(8, 16), "..8...8...8...8.", velocity=86)
    w.tune(LEAD, 0, ["B4:4 D5:2 F#5:2 B5:6 A5:2",
                     "G5:4 F#5:2 D5:2 B4:4 D5:4",
                     "F#5:4 E5:2 D5:2 A5:6 F#5:2",
                     "E5:4 C#5:2 A4:2 E5:4 A5:4",
                     "G5:4 F#5:2 E5:2 B5:6 A5:2",
                     "G5:4 B5:2 D6:2 B5:4 G5:4",
                     "A5:4 E5:2 C#5:2 A5:4 C#6:4",
                     "A#5:8 F#5:4 C#5:4"], velocity=90, double=LEAD2)
    w.tune(LEAD, 8, ["D6:4 C#6:2 B5:2 F#5:4 B5:4",
                     "B5:4 A5:2 G5:2 D5:4 G5:4",
                     "A5:4 F#5:2 D5:2 A5:2 B5:2 C#6:2 D6:2",
                     "E6:6 C#6:2 A5:8",
                     "B5:4 G5:2 E5:2 G5:2 A5:2 B5:4",
                     "C#6:4 A5:2 E5:2 A5:2 C#6:2 E6:4",
                     "D6:8 B5:4 F#5:4",
                     "B5:16"], velocity=104, double=LEAD2)
    w.tune(KEYS, 16, ["D5:4 B4:4 G4:4 B4:4", "C#5:4 E5:4 A5:8", "G5:4 E5:4 B4:4 E5:4",
                      "C#5:8 E5:4 G5:4"], velocity=80)


def credits(w):
    # A warm section in D major, in three passes of eight bars, each fuller than the one
    # before and none on the same chords: the electric piano alone over a soft beat; the
    # singing lead over a reharmonised progression; then its variation with the choir, a
    # borrowed flat seventh, and a winding down to the closing.
    w.harmony("D | A/C# | Bm | F#m/A | G | D/F# | Em7 | A7 | "
              "D | F#m/C# | Bm7 | Dmaj7/A | Em7 | Bm7 | Gmaj7 | A7 | "
              "Gmaj7 | A | F#m7 | Bm | Cmaj7 | A7 | D | D")
    w.instrument(PAD, 89)                               # Pad 2 (warm)
    w.instrument(LEAD, 85)                              # Lead 6 (voice): warm and round
    w.instrument(BASS, 39)
    w.downbeat(0, 110)
    w.groove("warm", range(0, 8), level=0.8)
    w.groove("warm", range(8, 16))
    w.crash(16, 0, 100)
    w.groove("warmer", range(16, 22), level=1.1)
    w.groove("warm", [22, 23], level=0.8)
    w.bass(range(0, 8), "long", level=0.7)
    w.bass(range(8, 16), "walk", level=0.75)
    w.bass(range(16, 22), "walk", level=0.85)
    w.bass([22, 23], "long", level=0.7)
    w.sub(range(8, 24), velocity=84)
    w.pad(range(0, 8), velocity=56)
    w.pad(range(8, 16), velocity=66)
    w.pad(range(16, 24), velocity=78)
    w.arp(range(24), "up", low=note_number("D4"), velocity=58, gate=0.9, every=2, channel=KEYS)
    w.tune(LEAD, 8, ["F#5:6 E5:2 D5:4 A4:4",
                     "E5:6 D5:2 C#5:4 A4:4",
                     "D5:4 F#5:4 B5:6 A5:2",
                     "A5:6 F#5:2 C#5:8",
                     "B4:4 D5:4 G5:6 F#5:2",
                     "F#5:6 E5:2 D5:4 A4:4",
                     "G5:4 F#5:2 E5:2 D5:4 B4:4",
                     "C#5:8 E5:4 G5:4"], velocity=72)
    w.tune(LEAD, 16, ["B5:6 A5:2 F#5:4 D5:4",
                      "C#6:6 B5:2 A5:4 E5:4",
                      "A5:6 G5:2 F#5:4 C#5:4",
                      "D6:6 C#6:2 B5:8",
                      "G5:4 B5:4 E6:6 D6:2",
                      "C#6:6 B5:2 A5:4 G5:4",
                      "F#5:8 A5:4 D6:4",
                      "D6:16"], velocity=98)
    w.pad(range(16, 24), velocity=70, channel=CHOIR, low=note_number("D4"), high=note_number("D5"))
    w.stabs(range(16, 22), "9.......6.......", velocity=70)
    w.tune(BELL, 0, ["-:16", "-:16", "-:16", "-:12 A5:4", "D6:8 B5:8", "A5:16", "-:16", "-:16"],
           velocity=70)


def closing(w):
    # The end: the last cadence, then the final chord, which dies away through the fade; a bell
    # as the rabbit blinks, then nothing, so the file joins its own start in silence.
    w.harmony("G A | D | D | D | D | D")
    w.downbeat(0, 120)
    w.drum("kick", 0, 8, 84)
    w.pad([0], velocity=74)
    w.bass([0], "walk", level=0.8)
    w.sub([0], velocity=88)
    w.line(LEAD, 0, "B5:8 C#6:8", velocity=88)
    w.downbeat(1, 110)
    ring = w.tick(4) - w.tick(1)
    for channel, pitches, velocity in ((PAD, ("F#3", "A3", "D4"), 74), (CHOIR, ("A4", "D5"), 64),
                                       (KEYS, ("F#5", "A5", "D6"), 82), (LEAD, ("D6",), 84),
                                       (BASS, ("D2",), 90), (SUB, ("D2",), 88)):
        for pitch in pitches:
            w.score.note(w.tick(1), ring, channel, note_number(pitch), velocity)
        # Gone by the end of the bar after the blink, whatever the player's fade does.
        w.swell(channel, w.tick(1, 8), w.tick(4), 127, 0, points=48)
    # The blink.
    for pitch in ("D6", "A6"):
        w.score.note(w.tick(2, 12), STEP_TICKS * 8, BELL, note_number(pitch), 104)


SECTIONS = [
    Section("intro", "intro lines", [4, 4, 4, 4, 2], "A minor", write=intro,
            about="held chord, bells and an opening arpeggio; the beat comes in"),
    Section("title zoom", "title", [4], "A minor", write=title_zoom,
            about="dominant pedal, noise riser, snare roll"),
    Section("title", "title at full size", [4, 2], "A minor", tempo="beats", write=title_hit,
            about="hit; the chord rings, half a bar of pickup"),
    Section("rabbit", "rabbit", [4, 4, 4], "A minor", hits={"rabbit opens its eyes": 4},
            write=rabbit, about="hopping bass, claps, cowbell, blips; a bend as it opens its eyes"),
    Section("butterfly", "butterfly", [4, 4, 4, 4, 4, 2], "A minor", write=butterfly,
            about="the groove arrives: four to the floor, octave bass, arpeggio, pumping chords"),
    Section("card 1", "caption card 1", [4, 2], "A minor",
            write=tape_card,
            about="break: the groove's tape stops under the impact and starts again"),
    Section("turning butterfly", "turning butterfly", [4] * 6 + [2], "A minor", write=turning,
            about="the tune enters over a galloping bass"),
    Section("card 2", "caption card 2", [4, 2], "A minor",
            write=reverse_card,
            about="break: a short orchestra hit, a bell's echo, a reverse cymbal"),
    Section("five butterflies", "five butterflies", [4] * 7, "A minor", tempo="bars",
            write=five, about="the tune's answer an octave up, sixteenth bass, ride"),
    Section("card 3", "caption card 3", [4, 2], "A minor",
            write=sweep_card,
            about="break: the groove without drums through a ringing filter that closes and opens again"),
    Section("still picture", "still picture", [4, 4, 4], "C major", tempo="bars",
            hits={"picture squashes": 7}, write=still_picture,
            about="change of colour: no beat, electric piano, bells; a bend down into the squash"),
    Section("rabbit again", "rabbit again", [4, 4, 4], "A minor", tempo="bars",
            write=lambda w: rabbit(w, again=True), about="the rabbit's music again, fuller, speeding up"),
    Section("beam fan", "beam fan", [4] * 11, "A minor", tempo="bars", write=beam_fan,
            about="held back over a pedal, the kick on the bar, then four to the floor, stabs and "
                  "choir, a climbing tempo, a wind-up"),
    Section("card 4", "caption card 4", [4, 3], "A minor", tempo="bars", write=last_card,
            about="the hole before the drop: one impact, then silence and three bells, a silent last beat"),
    Section("sphere drop", "sphere drop", [3] + [4] * 20, "A minor",
            hits={"V opens": 3, "figure drifts outward": 27}, write=sphere_drop,
            about="the whole band from the first beat, the brightest lead, the widest stereo: one "
                  "bar per opening of the V; a held breath, half time, a lift (Bb, C, D)"),
    Section("growth", "sphere figure", [4, 3], "B minor", tempo="beats", write=growth,
            about="slowing beat by beat from G onto the new key's dominant"),
    Section("flight", "wings start flapping", [4] * 20, "B minor", write=flight,
            about="key change: a kick for every wing beat, the tune in B minor, lighter, then the "
                  "whole band and the choir, thinning out"),
    Section("credits", "credits", [4] * 24, "D major", write=credits,
            about="warm, three passes on new chords, each fuller: electric piano, then a singing "
                  "lead, then the choir"),
    Section("closing", "closing fade", [4] * 6, "D major", hits={"rabbit blinks": 11},
            write=closing, about="last cadence, the final chord rings through the fade, a bell"),
]


def generator(score, channel, tick, number, offset):
    """Offsets one of the SoundFont's generators on a channel (NRPN 120/number)."""
    value = max(0, min(16383, 8192 + int(offset)))
    for controller, data in ((99, 120), (98, number), (6, value >> 7), (38, value & 0x7F)):
        score.control(tick, channel, controller, data)


def setup(score):
    for channel, (bank, program, volume, pan, _) in INSTRUMENTS.items():
        score.program(0, channel, program, bank)
        score.control(0, channel, 7, volume)
        score.control(0, channel, 10, pan)
        score.control(0, channel, 11, 127)
        # Pitch bends reach a fourth either way (RPN 0).
        for controller, value in ((101, 0), (100, 0), (6, BEND_SEMITONES), (38, 0), (101, 127),
                                  (100, 127)):
            score.control(0, channel, controller, value)
    # The leads' filters a little closed, so the saws do not fizz; the sphere drop opens them.
    for channel in (LEAD, LEAD2):
        generator(score, channel, 0, 8, LEAD_SHADE / 2)


def read_timeline(path):
    moments = {}
    with open(path) as timeline:
        for line in timeline:
            ms, kind, name = line.rstrip("\n").split("\t")
            moments[name] = int(ms)
    return moments


def main():
    timeline_path, out_dir = sys.argv[1], sys.argv[2]
    moments = read_timeline(timeline_path)
    score = Score(SECTIONS)
    score.fit_tempo(moments)
    setup(score)
    for section in SECTIONS:
        # Every section starts with its swells undone.
        for channel in INSTRUMENTS:
            score.control(score.bar_tick(section.first_bar), channel, 11, 127)
        writer = Writer(score, section)
        writer.spread(WIDTHS.get(section.name, 1.0))
        section.write(writer)

    with open(f"{out_dir}/tune.mid", "wb") as out:
        out.write(score.midi_file())
    starts = {section.name: score.bar_tick(section.first_bar) for section in SECTIONS}
    first, last = starts[WIDE[0]], starts[WIDE[1]]
    spans = {"wet": lambda tick: not first <= tick < last, "wide": lambda tick: first <= tick < last}
    for stem, channels in STEMS.items():
        with open(f"{out_dir}/{stem}.mid", "wb") as out:
            out.write(score.midi_file(channels, spans.get(stem)))

    # The sync table: every moment the score meets, where it lands and how far off.
    worst = 0.0
    lines = []
    for moment, picture_ms, bar, beat, score_ms in score.sync_table(moments):
        offset = score_ms - picture_ms
        worst = max(worst, abs(offset))
        lines.append(f"{moment}\t{picture_ms}\t{bar}\t{beat}\t{score_ms:.3f}\t{offset:+.3f}")
    with open(f"{out_dir}/sync.txt", "w") as out:
        out.write("# moment\tpicture ms\tbar\tbeat\tscore ms\toffset ms\n")
        out.write("\n".join(lines) + "\n")
    print(f"{'moment':24} {'picture':>9} {'bar':>4} {'beat':>4} {'score':>11} {'offset':>7}")
    for line in lines:
        moment, picture_ms, bar, beat, score_ms, offset = line.split("\t")
        print(f"{moment:24} {picture_ms:>9} {bar:>4} {beat:>4} {score_ms:>11} {offset:>7}")

    # The table of the music: one row per section.
    with open(f"{out_dir}/music.txt", "w") as out:
        for section in SECTIONS:
            first = section.first_bar + 1
            last = section.first_bar + len(section.bars)
            start = score.ms_at_beat(section.start_beat)
            bpm = [60e6 / us for beat, us in score.tempo_changes
                   if section.start_beat <= beat < section.start_beat + section.beats]
            if not bpm:
                bpm = [60e6 / us for beat, us in score.tempo_changes if beat < section.start_beat][-1:]
            tempo = f"{min(bpm):.1f}" if max(bpm) - min(bpm) < 0.05 else f"{min(bpm):.1f}-{max(bpm):.1f}"
            out.write(f"{section.name}\t{section.starts_at}\t{start:.0f}\t{first}\t{last}\t"
                      f"{tempo}\t{section.key}\t{section.about}\n")
        out.write(f"end\t\t{score.ms_at_beat(score.total_beats):.3f}\t\t\t\t\t\n")

    steps = [b / a for (_, a), (_, b) in zip(score.tempo_changes, score.tempo_changes[1:])]
    largest = max(max(s, 1 / s) for s in steps)
    repeats, where = score.most_repeated_passage(8)
    cycles, cycled = score.most_repeated_progression(8)
    print(f"{len(score.tempo_changes)} tempos, {60e6 / max(u for _, u in score.tempo_changes):.1f} to "
          f"{60e6 / min(u for _, u in score.tempo_changes):.1f} BPM, largest step "
          f"{(largest - 1) * 100:.2f}%; the most repeated 8-bar passage plays {repeats} time(s) "
          f"(from bar {where}), the most repeated 8 bars of chords {cycles} time(s) (from bar "
          f"{cycled}); ends at {score.ms_at_beat(score.total_beats) / 1000:.3f} s")
    failed = False
    if worst > SYNC_TOLERANCE_MS:
        print(f"A moment is {worst:.3f} ms off its bar", file=sys.stderr)
        failed = True
    if largest > TEMPO_STEP_LIMIT:
        print("A tempo step is too large", file=sys.stderr)
        failed = True
    if repeats > 1:
        print(f"An 8-bar passage plays {repeats} times", file=sys.stderr)
        failed = True
    if cycles > 1:
        print(f"8 bars of chords play {cycles} times", file=sys.stderr)
        failed = True
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""The main tune, Quorvintabe, as a score: writes it as a standard MIDI file.

A tracker-style song in A minor at 125 BPM: an octave-jumping synth bass, a square-wave
arpeggio, a warm pad, a sawtooth lead with an echo channel (delayed, quieter, panned to
the other side, the way old trackers faked a delay) and a drum kit. Every section is a
whole number of bars, so the song loops on a bar line.

    tune.py OUT.mid [COPIES]

writes the song COPIES times back to back (default 1). The renderer plays three copies
and keeps the middle one, so the tails of the last bar ring on into the first, exactly as
they do when the player loops the file.
"""

import struct
import sys

TICKS_PER_QUARTER = 480
TEMPO_US_PER_QUARTER = 480000          # 125 BPM: one tick is exactly one millisecond
STEP_TICKS = TICKS_PER_QUARTER // 4    # a sixteenth note
BAR_STEPS = 16
BAR_TICKS = BAR_STEPS * STEP_TICKS     # 1.92 s, 84672 samples at 44.1 kHz

# MIDI channels (0-based; 9 is the drum channel).
BASS, ARP, PAD, LEAD, ECHO, BELL, DRUMS = 0, 1, 2, 3, 4, 5, 9

# channel: (General MIDI program, volume, pan 0..127, reverb send)
CHANNELS = {
    BASS:  (38, 112, 64, 10),    # Synth Bass 1
    ARP:   (80, 86, 34, 45),     # Lead 1 (square)
    PAD:   (89, 74, 90, 70),     # Pad 2 (warm)
    LEAD:  (81, 118, 58, 40),    # Lead 2 (sawtooth)
    ECHO:  (81, 90, 100, 60),    # the lead's echo, on the other side
    BELL:  (11, 120, 76, 80),    # Vibraphone, for the break
    DRUMS: (16, 110, 64, 25),    # Power kit
}
ECHO_DELAY_STEPS = 3             # a dotted eighth
ECHO_VELOCITY_SCALE = 0.75

NOTE_OFFSETS = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}


def note_number(name):
    """'A4' -> 69, 'F#5' -> 78, 'Bb3' -> 58."""
    pitch = NOTE_OFFSETS[name[0]]
    rest = name[1:]
    while rest and rest[0] in "#b":
        pitch += 1 if rest[0] == "#" else -1
        rest = rest[1:]
    return 12 * (int(rest) + 1) + pitch


# Chords as (bass root, triad notes), the triad in the pad's register.
CHORDS = {
    "Am": ("A2", ["A3", "C4", "E4"]),
    "F":  ("F2", ["F3", "A3", "C4"]),
    "C":  ("C3", ["G3", "C4", "E4"]),
    "G":  ("G2", ["G3", "B3", "D4"]),
    "Dm": ("D3", ["F3", "A3", "D4"]),
    "Em": ("E2", ["G3", "B3", "E4"]),
    "E":  ("E2", ["G#3", "B3", "E4"]),
}

VERSE = ["Am", "F", "C", "G"] * 2
BREAK = ["F", "G", "Em", "Am", "Dm", "Em", "F", "E"]

# The lead's theme: one string per bar, notes as NAME:SIXTEENTHS, '-' for a rest.
THEME = [
    "A4:2 C5:2 E5:3 D5:1 E5:2 A5:4 G5:2",
    "F5:3 E5:1 C5:4 A4:4 C5:2 D5:2",
    "E5:3 D5:1 C5:2 G4:2 C5:2 E5:2 G5:4",
    "D5:6 B4:2 G4:4 B4:2 D5:2",
    "A4:2 C5:2 E5:3 D5:1 E5:2 A5:4 B5:2",
    "C6:3 B5:1 A5:4 F5:4 A5:2 C6:2",
    "B5:3 A5:1 G5:2 E5:2 G5:4 C5:2 E5:2",
    "D5:4 B4:2 G4:2 B4:2 D5:2 E5:4",
]
# The answer: the same opening, a higher second half that comes home to A.
ANSWER = THEME[:4] + [
    "E5:2 A5:2 C6:3 B5:1 C6:2 E6:4 D6:2",
    "C6:3 D6:1 C6:2 A5:2 F5:4 A5:2 C6:2",
    "D6:3 C6:1 B5:2 G5:2 E5:2 G5:2 C6:2 E6:2",
    "D6:4 B5:2 G5:2 B5:4 A5:2 B5:2",
]
# Long vibraphone notes over the break, ending on the dominant.
BELL_LINE = [
    "A5:8 C6:8", "B5:8 D6:8", "G5:8 B5:8", "A5:8 E5:8",
    "F5:8 A5:8", "G5:8 E5:8", "F5:4 A5:4 C6:8", "B5:8 G#5:8",
]

# Drum notes of the General MIDI kit.
KICK, SNARE, CLAP, CLOSED_HAT, OPEN_HAT, CRASH, TOM_LOW, TOM_MID, TOM_HIGH = (
    36, 38, 39, 42, 46, 49, 45, 47, 50)

# Drum patterns: one string of 16 steps per instrument; a digit is the velocity in tenths.
GROOVES = {
    "hats": {
        CLOSED_HAT: "5.7.5.7.5.7.5.7.",
    },
    "light": {
        KICK:       "9.......9.7.....",
        CLOSED_HAT: "5.7.5.7.5.7.5.7.",
    },
    "beat": {
        KICK:       "9.....7.9.7.....",
        SNARE:      "....9.......9...",
        CLOSED_HAT: "4674467446744674",
        OPEN_HAT:   "..............6.",
    },
    "drive": {
        KICK:       "9...9...9...9..7",
        SNARE:      "....9.......9...",
        CLAP:       "............6...",
        CLOSED_HAT: "4674467446744674",
        OPEN_HAT:   "..6...6...6...6.",
    },
    "break": {
        CLOSED_HAT: "3.5.3.5.3.5.3.5.",
        CLAP:       "....5.......5...",
    },
}
FILLS = {
    "snare": {SNARE: "............6789"},
    "toms":  {TOM_HIGH: "........88......", TOM_MID: "..........88....",
              TOM_LOW: "............8899"},
    "roll":  {SNARE: "3344556677889999"},
}

# Bass figures, one bar each: (step, length, interval above the root, velocity).
BASS_FIGURES = {
    # the octave-jumping run
    "run": [(0, 2, 0, 110), (2, 1, 12, 90), (3, 1, 0, 85), (4, 2, 0, 100),
            (6, 2, 12, 95), (8, 2, 0, 105), (10, 1, 12, 90), (11, 1, 0, 85),
            (12, 2, 7, 100), (14, 2, 12, 95)],
    # straight sixteenths, the octave on the off-beats and the fifth in the last beat
    "drive": [(step, 1, interval, 112 if step % 4 == 0 else 88)
              for step, interval in enumerate([0, 0, 12, 0, 0, 0, 12, 0,
                                               0, 0, 12, 0, 7, 7, 12, 7])],
}

# Arpeggio figures: indices into the chord's tones over two octaves, one per sixteenth.
ARP_FIGURES = {
    "up": [0, 1, 2, 3, 4, 5, 4, 3] * 2,          # up and back, a new turn each half bar
    "wide": [0, 2, 4, 5, 3, 1, 3, 5] * 2,        # leaps of a fifth and more
    "bells": [5, 4, 3, 2, 4, 3, 2, 1] * 2,       # falling, under the vibraphone
}


class Section:
    def __init__(self, chords, parts, grooves, fills, arp="up", bass="run", crash=True):
        self.chords = chords        # one chord per bar
        self.parts = parts          # bass, arp, pad, theme, answer, bell
        self.grooves = grooves      # one drum groove per bar
        self.fills = fills          # {bar in section: fill over its last beat}
        self.arp = arp
        self.bass = bass
        self.crash = crash          # a crash on the first beat


SECTIONS = [
    # intro: the arpeggio alone over the pad, the kick coming in
    Section(VERSE[:4], {"arp", "pad"}, ["hats", "hats", "light", "light"], {3: "snare"},
            crash=False),
    # the band
    Section(VERSE, {"bass", "arp", "pad"}, ["beat"] * 8, {3: "snare", 7: "toms"}),
    # theme, then its answer, pushing harder
    Section(VERSE, {"bass", "arp", "pad", "theme"}, ["beat"] * 8, {7: "snare"}, arp="wide"),
    Section(VERSE, {"bass", "arp", "pad", "answer"}, ["drive"] * 8, {3: "snare", 7: "toms"},
            bass="drive"),
    # break: no bass, the vibraphone sings, a snare roll back in
    Section(BREAK, {"pad", "arp", "bell"}, ["break"] * 6 + ["light", "light"],
            {6: "snare", 7: "roll"}, arp="bells", crash=False),
    # theme and answer again, everything in
    Section(VERSE, {"bass", "arp", "pad", "theme"}, ["drive"] * 8, {7: "snare"}, arp="wide",
            bass="drive"),
    Section(VERSE, {"bass", "arp", "pad", "answer"}, ["drive"] * 8, {3: "snare", 7: "toms"},
            bass="drive"),
]


def song_bars():
    return sum(len(section.chords) for section in SECTIONS)


def parse_line(bar_text):
    """'A4:2 -:2 C5:4' -> [(step, length, note or None)] within a bar."""
    step = 0
    notes = []
    for token in bar_text.split():
        name, length = token.split(":")
        length = int(length)
        notes.append((step, length, None if name == "-" else note_number(name)))
        step += length
    if step != BAR_STEPS:
        raise ValueError(f"bar '{bar_text}' lasts {step} steps, not {BAR_STEPS}")
    return notes


class Song:
    def __init__(self):
        self.events = []   # (tick, order, bytes)

    def note(self, channel, tick, length_ticks, pitch, velocity):
        velocity = max(1, min(127, int(velocity)))
        # Note-offs sort before note-ons at the same tick, so repeated notes retrigger.
        self.events.append((tick, 1, bytes([0x90 | channel, pitch, velocity])))
        self.events.append((tick + length_ticks, 0, bytes([0x80 | channel, pitch, 0])))

    def control(self, channel, controller, value):
        self.events.append((0, -1, bytes([0xB0 | channel, controller, value])))

    def program(self, channel, program):
        self.events.append((0, -1, bytes([0xC0 | channel, program])))


def add_bass(song, bar_tick, chord, figure):
    root = note_number(CHORDS[chord][0])
    for step, length, interval, velocity in BASS_FIGURES[figure]:
        song.note(BASS, bar_tick + step * STEP_TICKS, length * STEP_TICKS - 10,
                  root + interval, velocity)


def add_arp(song, bar_tick, chord, figure, bar_index):
    triad = [note_number(n) + 12 for n in CHORDS[chord][1]]
    tones = triad + [t + 12 for t in triad]
    for step, tone in enumerate(ARP_FIGURES[figure]):
        accent = 14 if step % 4 == 0 else 0
        song.note(ARP, bar_tick + step * STEP_TICKS, STEP_TICKS - 20,
                  tones[tone], 70 + accent + (bar_index % 2) * 6)


def add_pad(song, bar_tick, chord):
    for name in CHORDS[chord][1]:
        song.note(PAD, bar_tick, BAR_TICKS - 30, note_number(name), 72)


def add_line(song, bar_tick, bar_text, channel, velocity, echo):
    for step, length, pitch in parse_line(bar_text):
        if pitch is None:
            continue
        accent = 10 if step % 4 == 0 else 0
        tick = bar_tick + step * STEP_TICKS
        song.note(channel, tick, length * STEP_TICKS - 15, pitch, velocity + accent)
        if echo:
            song.note(ECHO, tick + ECHO_DELAY_STEPS * STEP_TICKS, length * STEP_TICKS - 15,
                      pitch, (velocity + accent) * ECHO_VELOCITY_SCALE)


def add_drums(song, bar_tick, patterns):
    for pattern in patterns:
        for drum, steps in pattern.items():
            for step, mark in enumerate(steps):
                if mark != ".":
                    song.note(DRUMS, bar_tick + step * STEP_TICKS, STEP_TICKS - 10,
                              drum, int(mark) * 13 + 10)


def write_song(song_copy_ticks, song):
    bar = 0
    for section in SECTIONS:
        for bar_in_section, chord in enumerate(section.chords):
            bar_tick = song_copy_ticks + bar * BAR_TICKS
            parts = section.parts
            if "bass" in parts:
                add_bass(song, bar_tick, chord, section.bass)
            if "arp" in parts:
                add_arp(song, bar_tick, chord, section.arp, bar)
            if "pad" in parts:
                add_pad(song, bar_tick, chord)
            if "theme" in parts:
                add_line(song, bar_tick, THEME[bar_in_section], LEAD, 104, True)
            if "answer" in parts:
                add_line(song, bar_tick, ANSWER[bar_in_section], LEAD, 108, True)
            if "bell" in parts:
                add_line(song, bar_tick, BELL_LINE[bar_in_section], BELL, 110, False)
            groove = GROOVES[section.grooves[bar_in_section]]
            fill = section.fills.get(bar_in_section)
            if fill is not None:
                # A fill replaces the last beat of the groove.
                groove = {drum: steps[:12] + "...." for drum, steps in groove.items()}
                add_drums(song, bar_tick, [groove, FILLS[fill]])
            else:
                add_drums(song, bar_tick, [groove])
            if bar_in_section == 0 and section.crash:
                song.note(DRUMS, bar_tick, STEP_TICKS, CRASH, 100)
            bar += 1


def midi_file(song):
    track = bytearray()
    # Tempo first.
    track += b"\x00\xff\x51\x03" + TEMPO_US_PER_QUARTER.to_bytes(3, "big")
    last_tick = 0
    for tick, _, data in sorted(song.events, key=lambda e: (e[0], e[1], e[2])):
        delta = tick - last_tick
        last_tick = tick
        track += variable_length(delta) + data
    track += b"\x00\xff\x2f\x00"
    header = b"MThd" + struct.pack(">IHHH", 6, 0, 1, TICKS_PER_QUARTER)
    return header + b"MTrk" + struct.pack(">I", len(track)) + bytes(track)


def variable_length(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def main():
    out_path = sys.argv[1]
    copies = int(sys.argv[2]) if len(sys.argv) > 2 else 1
    song = Song()
    for channel, (program, volume, pan, reverb) in CHANNELS.items():
        song.program(channel, program)
        song.control(channel, 7, volume)
        song.control(channel, 10, pan)
        song.control(channel, 91, reverb)
        song.control(channel, 93, 0)
    copy_ticks = song_bars() * BAR_TICKS
    for copy in range(copies):
        write_song(copy * copy_ticks, song)
    with open(out_path, "wb") as out:
        out.write(midi_file(song))


if __name__ == "__main__":
    if len(sys.argv) == 2 and sys.argv[1] == "--bars":
        print(song_bars())
    else:
        main()

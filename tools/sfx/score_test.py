#!/usr/bin/env python3
"""The score's arithmetic, where a fault would move the music off the picture or let a passage
repeat unseen: the tempo map's fit, bars and beats across changes of metre, repeated runs.
Exits with 77 (skipped) without numpy and scipy."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
try:
    import score
    from score import MAX_TEMPO_STEP, SYNC_TOLERANCE_MS, TICKS_PER_QUARTER, Score, Section
except ImportError as missing:
    print(f"skipped: {missing}")
    sys.exit(77)


def sections():
    """Metres of 4, 3 and 2; a steady stretch, one that changes by bar with a hit inside, one
    that changes by beat, and a tail after the last moment."""
    return [Section("a", "start", [4, 4], "A minor"),
            Section("b", "b", [3, 4], "A minor", tempo="bars", hits={"hit": 5}),
            Section("c", "c", [4, 2], "A minor", tempo="beats"),
            Section("d", "d", [4, 4], "A minor")]


class TempoMap(unittest.TestCase):
    def test_every_moment_on_its_beat_and_every_step_within_the_limit(self):
        # Steep enough that the limit binds.
        moments = {"start": 0, "b": 4000, "hit": 6400, "c": 7370, "d": 9950}
        s = Score(sections())
        s.fit_tempo(moments)
        for moment, picture_ms, bar, beat, score_ms in s.sync_table(moments):
            self.assertLess(abs(score_ms - picture_ms), SYNC_TOLERANCE_MS, moment)
        self.assertEqual([r[2:4] for r in s.sync_table(moments)],
                         [(1, 1), (3, 1), (4, 3), (5, 1), (7, 1)])
        tempos = [us for _, us in s.tempo_changes]
        for before, after in zip(tempos, tempos[1:]):
            self.assertLessEqual(max(after / before, before / after), MAX_TEMPO_STEP + 1e-6)

    def test_a_moment_out_of_reach_is_refused(self):
        with self.assertRaises(ValueError):
            Score(sections()).fit_tempo({"start": 0, "b": 4000, "hit": 6400, "c": 7370, "d": 9850})


class BarsAndBeats(unittest.TestCase):
    def test_across_changes_of_metre(self):
        s = Score(sections())   # bars of 4, 4, 3, 4, 4, 2, 4, 4 beats
        self.assertEqual(s.bar_and_beat(11), (4, 1))
        self.assertEqual(s.bar_and_beat(10.5), (3, 3.5))
        self.assertEqual(s.bar_and_beat(19), (6, 1))
        self.assertEqual(s.bar_tick(5), 19 * TICKS_PER_QUARTER)
        s.tempo_changes = [(0, 500000), (8, 400000), (11, 600000)]
        self.assertAlmostEqual(s.ms_at_beat(12.5), 8 * 500 + 3 * 400 + 1.5 * 600)
        self.assertEqual(s.ms_at_beat(0), 0)
        for beat in (0, 7.25, 8, 9.5, 11, 12.5, 30):
            self.assertAlmostEqual(s.beat_at_ms(s.ms_at_beat(beat)), beat)


class Repeats(unittest.TestCase):
    def score_of(self, bars):
        return Score([Section("x", "start", bars, "A minor")])

    def test_a_passage_played_twice_is_found_and_any_change_breaks_it(self):
        s = self.score_of([4] * 20)
        for k in range(8):
            for first in (0, 10):
                s.note(s.bar_tick(first + k) + 240 * (k % 3), 240, k % 2, 60 + k, 90)
        self.assertEqual(s.most_repeated_passage(8), (2, 1))
        s.notes[13] = s.notes[13][:4] + (91,)   # one velocity in the second pass
        self.assertEqual(s.most_repeated_passage(8), (1, 1))

    def test_silence_is_no_passage_and_metre_counts(self):
        self.assertEqual(self.score_of([4] * 20).most_repeated_passage(8), (0, 0))
        s = self.score_of([4] * 8 + [3] + [4] * 8)
        for bar in range(17):
            s.chords[bar] = ("Am",)
        self.assertEqual(s.most_repeated_progression(8), (2, 1))
        self.assertEqual(score.most_repeated_run([(("Am",), 4)] * 9, 8), (2, 1))


if __name__ == "__main__":
    unittest.main()

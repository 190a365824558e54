// The large font and the scenes drawn with it: countdown, intro lines, title, caption cards,
// and the closing fade that hands the cycle back to the countdown.
#include <SDL.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "closing.h"
#include "glyphs.h"
#include "harness.h"
#include "line_effects.h"
#include "opening.h"
#include "runtime.h"
#include "timeline.h"

using harness::Op;

namespace {

constexpr int DIGIT_FRAMES = 57;
constexpr const char* SAMPLES[] = {"sfx/3.mp3", "sfx/2.mp3", "sfx/1.mp3", "sfx/0.mp3"};
constexpr const char* TUNE = "sfx/Quorvintabe.mp3";

// A scratch data directory with plain sheets and silent samples, or without any of them.
struct TextData {
    ScopedDataDir dir;
    explicit TextData(bool with_files = true)
        : dir({"gfx/fonts.bmp", "gfx/rabbit.bmp", SAMPLES[0], SAMPLES[1], SAMPLES[2], SAMPLES[3], TUNE}) {
        if (with_files) {
            harness::write_plain_bmp("gfx/fonts.bmp", 320, 320);
            harness::write_plain_bmp("gfx/rabbit.bmp", 680, 720);
            for (const char* sample : SAMPLES) {
                harness::write_silent_mp3(sample);
            }
            harness::write_silent_mp3(TUNE);
        }
    }
};

// Source corner and destination of one copy: {sx, sy, x, y, w, h}.
using Glyph = std::array<int, 6>;
constexpr int X = 2, Y = 3;

// The copies of a frame, each checked to take a whole 32 x 64 cell.
std::vector<Glyph> glyphs(const harness::Frame& f) {
    std::vector<Glyph> out;
    for (const auto& c : f.draws) {
        if (c.op == Op::Copy) {
            EXPECT_EQ(c.src.w, 32);
            EXPECT_EQ(c.src.h, 64);
            out.push_back({c.src.x, c.src.y, c.dst.x, c.dst.y, c.dst.w, c.dst.h});
        }
    }
    return out;
}

Glyph cell_of(char c, int x, int y, int w, int h) {
    int32_t gx = -1, gy = -1;
    font(static_cast<unsigned char>(c), &gx, &gy);
    return {gx, gy, x, y, w, h};
}

std::vector<Op> music_ops() {
    std::vector<Op> out;
    for (const auto& c : harness::log()) {
        if (c.op >= Op::OpenAudio && c.op <= Op::FreeMusic) {
            out.push_back(c.op);
        }
    }
    return out;
}

std::vector<int> delays() {
    std::vector<int> out;
    for (const auto& c : harness::calls(Op::Delay)) {
        out.push_back(c.v[0]);
    }
    return out;
}

void load_font_sheet() {
    harness::write_plain_bmp("fonts_fixture.bmp", 320, 320);
    replace_surface(fonts, "fonts_fixture.bmp");
    replace_texture(fonts);
    std::remove("fonts_fixture.bmp");
    harness::clear_logs();
}

}  // namespace

TEST(LargeFont, EveryByteGivesACellAndBothOutputsAreWritten) {
    struct Case {
        int character;
        int x, y;
    };
    const Case cases[] = {
        {' ', 0, 0},    {'A', 32, 0},   {'I', 288, 0},  {'J', 0, 64},    {'S', 288, 64},
        {'T', 0, 128},  {'Z', 192, 128}, {'0', 224, 128}, {'2', 288, 128}, {'3', 0, 192},
        {'9', 192, 192}, {'.', 224, 192}, {',', 256, 192}, {':', 288, 192}, {'!', 0, 256},
        {'?', 32, 256}, {'+', 64, 256}, {'-', 96, 256}, {'*', 128, 256}, {'/', 160, 256},
        {'(', 192, 256}, {')', 224, 256},
        // Unknown characters fall to the space cell: lower case, other marks, controls, high bytes.
        {'a', 0, 0}, {'z', 0, 0}, {'@', 0, 0}, {'"', 0, 0}, {';', 0, 0}, {'_', 0, 0}, {31, 0, 0},
        {0, 0, 0}, {'\n', 0, 0}, {100, 0, 0}, {127, 0, 0}, {128, 0, 0}, {255, 0, 0},
    };
    for (const Case& c : cases) {
        int32_t x = -1, y = -1;
        font(static_cast<unsigned char>(c.character), &x, &y);
        EXPECT_EQ(x, c.x) << "character " << c.character;
        EXPECT_EQ(y, c.y) << "character " << c.character;
    }
    // Every byte lands on a cell of the 10 x 5 grid, and no two listed characters share one.
    std::vector<int> owner(50, -1);
    for (int c = 0; c < 256; ++c) {
        int32_t x = -1, y = -1;
        font(static_cast<unsigned char>(c), &x, &y);
        ASSERT_TRUE(x >= 0 && x < 320 && x % 32 == 0 && y >= 0 && y < 320 && y % 64 == 0) << c;
        if (x + y != 0) {
            const int cell = y / 64 * 10 + x / 32;
            EXPECT_EQ(owner[cell], -1) << "characters " << owner[cell] << " and " << c;
            owner[cell] = c;
        }
    }
}

TEST_F(DemoTest, CountdownFliesEachDigitInWithItsOwnSample) {
    TextData data;
    harness::run(countdown_scene);
    const auto& frames = harness::frames();
    ASSERT_EQ(frames.size(), size_t(4 * DIGIT_FRAMES));
    EXPECT_EQ(harness::poll_count(), frames.size());
    const char digits[] = "3210";
    for (int d = 0; d < 4; ++d) {
        for (int k = 0; k < DIGIT_FRAMES; ++k) {
            const auto& f = frames[d * DIGIT_FRAMES + k];
            EXPECT_EQ(glyphs(f), std::vector<Glyph>{cell_of(digits[d], 1328 - 16 * k, 372 - 4 * k,
                                                            8 + 8 * k, 40 + 8 * k)})
                << "digit " << digits[d] << " frame " << k;
            EXPECT_STREQ(f.draws[1].name, "gfx/fonts.bmp");
        }
        // The first visible frame and the last.
        EXPECT_EQ(glyphs(frames[d * DIGIT_FRAMES + 4])[0][X], 1264);
        EXPECT_EQ(glyphs(frames[d * DIGIT_FRAMES + 56])[0], cell_of(digits[d], 432, 148, 456, 488));
    }

    // Per digit: open, load, play once, then free that sample and close, around its 57 frames.
    std::vector<Op> expected;
    for (int d = 0; d < 4; ++d) {
        expected.insert(expected.end(),
                        {Op::OpenAudio, Op::LoadMusic, Op::PlayMusic, Op::FreeMusic, Op::CloseAudio});
    }
    EXPECT_EQ(music_ops(), expected);
    const auto loads = harness::calls(Op::LoadMusic);
    const auto plays = harness::calls(Op::PlayMusic);
    const auto frees = harness::calls(Op::FreeMusic);
    const auto opens = harness::calls(Op::OpenAudio);
    for (int d = 0; d < 4; ++d) {
        EXPECT_STREQ(loads[d].name, SAMPLES[d]);
        ASSERT_NE(loads[d].handle, nullptr);
        EXPECT_EQ(plays[d].handle, loads[d].handle);
        EXPECT_EQ(plays[d].v[0], 1);
        EXPECT_EQ(frees[d].handle, loads[d].handle);
        EXPECT_EQ(frees[d].frame - plays[d].frame, uint64_t(DIGIT_FRAMES));
        EXPECT_EQ(std::vector<int>(opens[d].v, opens[d].v + 4),
                  (std::vector<int>{44100, 0x9010, 2, 1024}));
    }
    EXPECT_EQ(harness::alive_music(), 0);

    // The 100 ms pause comes after the last close, with nothing after it.
    EXPECT_EQ(harness::log().back().op, Op::Delay);
    EXPECT_EQ(harness::log().back().v[0], 100);
    EXPECT_EQ(delays(), [] {
        std::vector<int> d(4 * DIGIT_FRAMES, 17);
        d.push_back(100);
        return d;
    }());
}

TEST_F(DemoTest, CountdownWithoutSheetOrSamplesStillTakesItsFullLength) {
    TextData data(false);
    const uint32_t start = harness::now_ms();
    harness::run(countdown_scene);
    EXPECT_EQ(harness::frames().size(), size_t(4 * DIGIT_FRAMES));
    EXPECT_EQ(harness::now_ms() - start, uint32_t(4 * DIGIT_FRAMES * 17 + 100));
    EXPECT_EQ(fonts, nullptr);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(harness::calls(Op::FreeMusic).size(), 0u);
    EXPECT_EQ(harness::calls(Op::CloseAudio).size(), 4u);
}

TEST_F(DemoTest, QuitDuringADigitFreesItsSampleAndClosesAudioBeforeQuitting) {
    TextData data;
    harness::queue_event_at_poll(DIGIT_FRAMES + 3, harness::key_down(SDLK_ESCAPE));
    EXPECT_EQ(harness::run(countdown_scene), 0);
    const auto loads = harness::calls(Op::LoadMusic);
    ASSERT_EQ(loads.size(), 2u);
    const auto frees = harness::calls(Op::FreeMusic);
    ASSERT_EQ(frees.size(), 2u);
    EXPECT_EQ(frees[1].handle, loads[1].handle);
    const auto closes = harness::calls(Op::CloseAudio);
    ASSERT_EQ(closes.size(), 2u);
    const auto quits = harness::calls(Op::Quit);
    ASSERT_EQ(quits.size(), 1u);
    EXPECT_LT(frees[1].seq, closes[1].seq);
    EXPECT_LT(closes[1].seq, quits[0].seq);
    EXPECT_EQ(harness::alive_music(), 0);
    EXPECT_TRUE(harness::misuse().empty());
}

TEST_F(DemoTest, IntroLinesEaseInOneAfterTheOtherOverTheMainTune) {
    struct Line {
        const char* text;
        int y;
        int frames;
        int first_x, last_x;  // of glyph 0
        int pause_ms;
    };
    const Line lines[] = {
        {" SOMEWHERE IN 2022 ", 26, 73, 1235, 30, 500},
        {"GROMFALDEX ARE BACK", 206, 96, -1235, 32, 500},
        {"    WITH A SMALL    ", 386, 82, 1235, 0, 500},
        {"MORPHOS DEMO IN SDL2", 566, 82, -1235, 0, 1000},
    };
    for (const bool tune_present : {true, false}) {
        harness::clear_logs();
        {
            TextData data(tune_present);
            load_font_sheet();
            harness::run(intro_scene);
        }
        const auto& frames = harness::frames();
        ASSERT_EQ(frames.size(), size_t(73 + 96 + 82 + 82));
        std::vector<int> expected_delays;
        size_t n = 0;
        for (const Line& line : lines) {
            const int length = static_cast<int>(std::strlen(line.text));
            const auto first = glyphs(frames[n]);
            const auto last = glyphs(frames[n + line.frames - 1]);
            ASSERT_EQ(first.size(), size_t(length));
            ASSERT_EQ(last.size(), size_t(length));
            EXPECT_EQ(first[0][X], line.first_x) << line.text;
            for (int i = 0; i < length; ++i) {
                EXPECT_EQ(last[i], cell_of(line.text[i], line.last_x + 64 * i, line.y, 64, 128))
                    << line.text << " glyph " << i;
            }
            n += line.frames;
            expected_delays.insert(expected_delays.end(), line.frames, 17);
            expected_delays.push_back(line.pause_ms);
        }
        EXPECT_EQ(glyphs(frames[72]).back()[X] + 64, 1246) << "line 1 stops short of the centre";
        EXPECT_EQ(delays(), expected_delays);

        // The tune is opened, loaded and looped, and stays playing.
        EXPECT_EQ(music_ops(), (std::vector<Op>{Op::OpenAudio, Op::LoadMusic, Op::PlayMusic}));
        EXPECT_EQ(harness::calls(Op::PlayMusic)[0].v[0], -1);
        EXPECT_EQ(harness::calls(Op::LoadMusic)[0].handle != nullptr, tune_present);
        stop_music();
    }
}

TEST_F(DemoTest, TitleZoomsHoldsStillAndRises) {
    load_font_sheet();
    harness::run(title_scene);
    const auto& frames = harness::frames();
    constexpr size_t ZOOM = 109, RISE = 30;
    ASSERT_EQ(frames.size(), ZOOM + 1 + RISE);
    const char title[] = "VELTRONAQUIS";

    // Zoom: the glyphs touch, glyph 6 keeps x = 640.
    for (size_t k = 0; k < ZOOM; ++k) {
        const int p = -26 + 6 * static_cast<int>(k);
        const auto g = glyphs(frames[k]);
        ASSERT_EQ(g.size(), 12u);
        for (int i = 0; i < 12; ++i) {
            EXPECT_EQ(g[i], cell_of(title[i], (i - 6) * (p + 32) + 640, 344 - p / 2, p + 32, p + 64))
                << "zoom frame " << k << " glyph " << i;
        }
    }
    EXPECT_EQ(glyphs(frames[0])[0], cell_of('V', 604, 357, 6, 38));
    EXPECT_EQ(glyphs(frames[ZOOM - 1])[5][X], -14);

    // Still frame at rest, without a poll: one-pixel gaps after glyphs 1, 2, 4, 5, 7, 8 and 10.
    const int rest_x[] = {0, 106, 213, 320, 426, 533, 640, 746, 853, 960, 1066, 1173};
    const auto still = glyphs(frames[ZOOM]);
    ASSERT_EQ(still.size(), 12u);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(still[i], cell_of(title[i], rest_x[i], 254, 106, 213)) << "glyph " << i;
    }
    EXPECT_EQ(frames[ZOOM].polls, 0u);
    EXPECT_EQ(frames[ZOOM].clears, 1u);

    // Hold: 100 polls and 17 ms waits, nothing drawn; then the rise's first frame polls once more.
    EXPECT_EQ(frames[ZOOM + 1].polls, 101u);
    std::vector<Op> hold;
    for (const auto& c : harness::log()) {
        if (c.frame == ZOOM + 1 && c.seq < frames[ZOOM + 1].draws[0].seq) {
            hold.push_back(c.op);
        }
    }
    std::vector<Op> expected_hold;
    for (int q = 0; q < 100; ++q) {
        expected_hold.insert(expected_hold.end(), {Op::Poll, Op::Delay});
    }
    expected_hold.push_back(Op::Poll);
    EXPECT_EQ(hold, expected_hold);

    // Rise: q squared pixels up from the rest position.
    for (size_t q = 1; q <= RISE; ++q) {
        const auto g = glyphs(frames[ZOOM + q]);
        ASSERT_EQ(g.size(), 12u);
        for (int i = 0; i < 12; ++i) {
            EXPECT_EQ(g[i], cell_of(title[i], rest_x[i], 254 - int(q * q), 106, 213));
        }
    }
    EXPECT_EQ(glyphs(frames.back())[0][Y], -646);
    EXPECT_EQ(harness::calls(Op::CreateTexture).size(), 0u) << "the title draws from the countdown's texture";
}

TEST_F(DemoTest, CaptionCardsSlideInHoldAndSlideOutWithTheirTexts) {
    const char* const texts[] = {"  NOT ENOUGH ? OK... ", "   EVEN MORE ? OK !  ",
                                 " MAKE LOVE NOT WAR !", "LAST BUT NOT LEAST..."};
    for (int card = 0; card < 4; ++card) {
        load_font_sheet();
        // Play the card from its place in the timeline, so its text is the one the cycle gives it.
        const std::string name = "caption card " + std::to_string(card + 1);
        for (const TimelineStep& step : TIMELINE) {
            if (name == step.name) {
                harness::run(step.play);
            }
        }
        const auto& frames = harness::frames();
        ASSERT_EQ(frames.size(), 111u) << name;
        const char* text = texts[card];
        const size_t length = std::strlen(text);
        ASSERT_EQ(glyphs(frames[50]).size(), length) << "one copy per character";

        // A new texture from the font sheet, before the first frame.
        const auto made = harness::calls(Op::CreateTexture);
        ASSERT_EQ(made.size(), 1u);
        EXPECT_EQ(made[0].frame, 0u);
        EXPECT_STREQ(frames[0].draws[1].name, "fonts_fixture.bmp");

        EXPECT_EQ(glyphs(frames[0])[0][X], 1235);
        for (size_t j = 0; j < length; ++j) {
            const int x = static_cast<int>(48 * j);
            EXPECT_EQ(glyphs(frames[50])[j], cell_of(text[j], 158 + x, 312, 48, 96)) << name << " " << j;
            EXPECT_EQ(glyphs(frames[51])[j], cell_of(text[j], 160 + x, 312, 48, 96)) << name << " " << j;
            EXPECT_EQ(glyphs(frames[110])[j], cell_of(text[j], 160 + x - 1200, 312, 48, 96));
        }
        // The hold: one second after the last slide-in frame, with no poll of its own.
        std::vector<int> expected(51, 17);
        expected.push_back(1000);
        expected.insert(expected.end(), 60, 17);
        EXPECT_EQ(delays(), expected) << name;
        uint32_t polls = 0;
        for (const auto& f : frames) {
            polls += f.polls;
        }
        EXPECT_EQ(polls, 111u);
    }
}

namespace {

constexpr int FADE_FRAMES = 318;
constexpr int RISE_FRAMES = 281;

// Source y (standing 20, blink 370) and destination y of the rabbit, one per frame.
using Rabbit = std::array<int, 2>;

std::vector<Rabbit> fade_rabbits() {
    std::vector<Rabbit> out;
    for (const auto& f : harness::frames()) {
        int copies = 0;
        for (const auto& c : f.draws) {
            if (c.op == Op::Copy) {
                ++copies;
                EXPECT_EQ(std::vector<int>({c.src.x, c.src.w, c.src.h, c.dst.x, c.dst.w, c.dst.h}),
                          (std::vector<int>{350, 300, 320, 460, 300, 320}));
                out.push_back({c.src.y, c.dst.y});
            }
        }
        EXPECT_EQ(copies, 1);
    }
    return out;
}

}  // namespace

TEST_F(DemoTest, ClosingFadeRisesBlinksAndFadesTheTuneOut) {
    TextData data;
    start_music(TUNE, -1);
    const void* tune = music;
    ASSERT_NE(tune, nullptr);
    harness::clear_logs();
    harness::run(closing_fade_scene);

    // Rise 2 px a frame to y = 160, blink there, then 32 px a frame from y = 128.
    std::vector<Rabbit> expected;
    for (int k = 0; k < RISE_FRAMES; ++k) {
        expected.push_back({20, 720 - 2 * k});
    }
    expected.push_back({370, 162});
    expected.push_back({20, 160});
    for (int y = 128; y >= -1024; y -= 32) {
        expected.push_back({20, y});
    }
    EXPECT_EQ(fade_rabbits(), expected);
    EXPECT_EQ(expected.size(), size_t(FADE_FRAMES + 2));
    const auto& frames = harness::frames();
    EXPECT_EQ(frames[RISE_FRAMES].polls + frames[RISE_FRAMES + 1].polls, 0u) << "no poll in the blink";
    EXPECT_EQ(frames[RISE_FRAMES + 2].polls, 1u);

    // The volume: one step per frame, between the poll and the clear.
    const auto volumes = harness::calls(Op::VolumeMusic);
    ASSERT_EQ(volumes.size(), size_t(FADE_FRAMES));
    const int starts[] = {127, 127, 126, 126, 126};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(volumes[k].v[0], starts[k]) << "frame " << k;
    }
    EXPECT_EQ(volumes[RISE_FRAMES - 1].v[0], 15);
    EXPECT_EQ(volumes.back().v[0], 0);
    for (int k = 1; k < FADE_FRAMES; ++k) {
        const int drop = volumes[k - 1].v[0] - volumes[k].v[0];
        EXPECT_TRUE(drop == 0 || drop == 1) << "frame " << k;
    }
    const auto& first = frames[0].draws;
    EXPECT_EQ(first[0].op, Op::Clear);
    EXPECT_LT(volumes[0].seq, first[0].seq);

    // Delays: the blink's 500, 250 and 500 instead of the rise's last wait, and 500 at the end.
    std::vector<int> expected_delays(RISE_FRAMES - 1, 17);
    expected_delays.insert(expected_delays.end(), {500, 250, 500});
    expected_delays.insert(expected_delays.end(), FADE_FRAMES - RISE_FRAMES, 17);
    expected_delays.push_back(500);
    EXPECT_EQ(delays(), expected_delays);

    // Then the tune is released and the audio closed, last of all.
    const auto& log = harness::log();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[log.size() - 3].op, Op::Delay);
    EXPECT_EQ(log[log.size() - 2].op, Op::FreeMusic);
    EXPECT_EQ(log[log.size() - 2].handle, tune);
    EXPECT_EQ(log.back().op, Op::CloseAudio);

    // The next cycle's countdown brings back the large sheet over what the credits left in `fonts`.
    replace_surface(fonts, "gfx/rabbit.bmp");
    SDL_Surface* small_sheet = fonts;
    harness::clear_logs();
    harness::run(countdown_scene);
    const auto frees = harness::calls(Op::FreeSurface);
    ASSERT_EQ(frees.size(), 1u);
    EXPECT_EQ(frees[0].handle, small_sheet);
    EXPECT_STREQ(harness::calls(Op::LoadBmp)[0].name, "gfx/fonts.bmp");
    EXPECT_EQ(harness::calls(Op::DestroyTexture).size(), 1u);
    EXPECT_STREQ(harness::frames()[0].draws[1].name, "gfx/fonts.bmp");
    // The sheet and the first sample are in place before the first poll.
    const auto first_poll = harness::calls(Op::Poll)[0].seq;
    EXPECT_LT(harness::calls(Op::CreateTexture)[0].seq, first_poll);
    EXPECT_LT(harness::calls(Op::LoadMusic)[0].seq, first_poll);
    EXPECT_TRUE(harness::misuse().empty());
}

TEST_F(DemoTest, ClosingFadeWithoutItsSheetOrTuneKeepsItsLength) {
    TextData data(false);
    const uint32_t start = harness::now_ms();
    harness::run(closing_fade_scene);
    EXPECT_EQ(image, nullptr);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(harness::frames().size(), size_t(FADE_FRAMES + 2));
    EXPECT_EQ(harness::calls(Op::VolumeMusic).size(), size_t(FADE_FRAMES));
    EXPECT_EQ(harness::now_ms() - start, uint32_t((FADE_FRAMES - 1) * 17 + 1250 + 500));
    EXPECT_EQ(harness::calls(Op::FreeMusic).size(), 0u);
    EXPECT_EQ(harness::calls(Op::CloseAudio).size(), 1u);
}

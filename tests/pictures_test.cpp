// The still picture and the beam fan: call order, geometry, formation course, transparency.
#include <SDL.h>
#include <SDL_image.h>

#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "harness.h"
#include "pictures.h"
#include "runtime.h"

using harness::Op;

namespace {

constexpr int PICTURE_FRAMES = 1 + 121;  // the showing frame, then the squash
constexpr int HOLD_ITERATIONS = 200;
constexpr int ENTRY_FRAMES = 181;
constexpr int SCROLL_FRAMES = 4 * 181;
constexpr int BEAM_FAN_FRAMES = ENTRY_FRAMES + SCROLL_FRAMES + 181;
static_assert(BEAM_FAN_FRAMES == 1086);
constexpr int FIRST_FORMATION_FRAME = ENTRY_FRAMES;  // scene frame of fcount 1

constexpr SDL_Color RED = {220, 30, 30, 255};
constexpr SDL_Color GREEN = {30, 200, 30, 255};
constexpr SDL_Color BLUE = {30, 30, 220, 255};
constexpr SDL_Color WHITE = {240, 240, 240, 255};
constexpr SDL_Color BLACK = {0, 0, 0, 255};

std::vector<Op> ops_of(const std::vector<harness::Call>& calls) {
    std::vector<Op> ops;
    for (const auto& c : calls) {
        ops.push_back(c.op);
    }
    return ops;
}

bool near(SDL_Color a, SDL_Color b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

std::string text(SDL_Color c) {
    return "(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) + ")";
}

std::string text(const SDL_Rect& r) {
    return "{" + std::to_string(r.x) + ", " + std::to_string(r.y) + ", " + std::to_string(r.w) + ", " +
           std::to_string(r.h) + "}";
}

bool same(const SDL_Rect& a, const SDL_Rect& b) {
    return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
}

void fill(SDL_Surface* s, int x, int y, int w, int h, SDL_Color c) {
    const SDL_Rect r = {x, y, w, h};
    SDL_FillRect(s, &r, SDL_MapRGB(s->format, c.r, c.g, c.b));
}

// A 64 x 32 JPEG of four flat quadrants (red, green / blue, white): nothing like
// the screen's size, so only a stretch puts its quadrant corner at the centre.
void write_picture_fixture() {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 64, 32, 24, SDL_PIXELFORMAT_RGB24);
    fill(s, 0, 0, 32, 16, RED);
    fill(s, 32, 0, 32, 16, GREEN);
    fill(s, 0, 16, 32, 16, BLUE);
    fill(s, 32, 16, 32, 16, WHITE);
    ASSERT_EQ(IMG_SaveJPG(s, "gfx/bisounours.jpg", 100), 0) << SDL_GetError();
    SDL_FreeSurface(s);
}

// A 190 x 721 sheet: a green beam strip, and four sprite frames that are black
// but for a 80 x 80 square in the middle, red in the first frame.
constexpr SDL_Color FRAME_COLOURS[] = {RED, BLUE, WHITE, GREEN};
void write_sheet_fixture() {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 190, 721, 24, SDL_PIXELFORMAT_RGB24);
    fill(s, 0, 0, 190, 721, BLACK);
    fill(s, 0, 0, 30, 721, GREEN);
    for (int k = 0; k < 4; ++k) {
        fill(s, 30 + 40, 160 * k + 40, 80, 80, FRAME_COLOURS[k]);
    }
    ASSERT_EQ(SDL_SaveBMP(s, "gfx/veltronaquis.bmp"), 0) << SDL_GetError();
    SDL_FreeSurface(s);
}

// Something in `image` and `texture`, so the scene's load must release it first.
void hold_an_old_picture() {
    image = SDL_CreateRGBSurfaceWithFormat(0, 8, 8, 24, SDL_PIXELFORMAT_RGB24);
    texture = SDL_CreateTextureFromSurface(renderer, image);
}

// The calls of the log before the first present.
std::vector<harness::Call> calls_before_first_present() {
    std::vector<harness::Call> out;
    for (const auto& c : harness::log()) {
        if (c.op == Op::Present) {
            break;
        }
        out.push_back(c);
    }
    return out;
}

// Runs the beam fan without rendering, keeping the draws of the frames asked for only:
// the whole scene makes about 2.3 million copies.
std::map<size_t, harness::Frame> run_beam_fan(const std::set<size_t>& wanted) {
    std::map<size_t, harness::Frame> kept;
    harness::draw_for_real(false);
    harness::keep_draws(wanted.count(0) != 0);
    harness::on_present([&](const harness::Frame& f) {
        const size_t n = harness::frames().size() - 1;
        if (wanted.count(n) != 0) {
            kept[n] = f;
        }
        harness::keep_draws(wanted.count(n + 1) != 0);
    });
    EXPECT_EQ(harness::run(beam_fan_scene), -1);
    harness::on_present(nullptr);
    harness::keep_draws(true);
    harness::draw_for_real(true);
    return kept;
}

// One row of the fan as drawn: screen row, strip row, and the three beams.
struct BeamRow {
    int i, s;
    SDL_Rect left, middle, right;
};

// The beam copies of a frame (30 x 1 sources), three to a row, checked to be well formed.
std::vector<BeamRow> beam_rows(const harness::Frame& f) {
    std::vector<const harness::Call*> beams;
    for (const auto& c : f.draws) {
        if (c.op == Op::Copy && c.src.w == 30) {
            beams.push_back(&c);
        }
    }
    EXPECT_EQ(beams.size() % 3, 0u);
    std::vector<BeamRow> rows;
    for (size_t k = 0; k + 2 < beams.size(); k += 3) {
        const int i = beams[k]->dst.y;
        const int s = beams[k]->src.y;
        for (size_t b = k; b < k + 3; ++b) {
            EXPECT_TRUE(same(beams[b]->src, {0, s, 30, 1})) << "row " << i << ": " << text(beams[b]->src);
            EXPECT_EQ(beams[b]->dst.y, i);
            EXPECT_EQ(beams[b]->dst.h, 1);
        }
        EXPECT_LT(beams[k]->dst.x, beams[k + 1]->dst.x) << "row " << i << ": left before middle";
        EXPECT_LT(beams[k + 1]->dst.x, beams[k + 2]->dst.x) << "row " << i << ": middle before right";
        rows.push_back({i, s, beams[k]->dst, beams[k + 1]->dst, beams[k + 2]->dst});
    }
    return rows;
}

// A run of consecutive screen rows `first` to `last` showing strip rows from `first_strip_row` on.
struct RowRun {
    int first, last, first_strip_row;
};

std::vector<std::pair<int, int>> rows_of(const std::vector<RowRun>& runs) {
    std::vector<std::pair<int, int>> out;
    for (const RowRun& r : runs) {
        for (int i = r.first; i <= r.last; ++i) {
            out.push_back({i, r.first_strip_row + i - r.first});
        }
    }
    return out;
}

}  // namespace

TEST_F(DemoTest, StillPictureIsStretchedShownHeldAndSquashed) {
    ScopedDataDir data({});
    write_picture_fixture();
    hold_an_old_picture();
    const void* old_image = image;
    const void* old_texture = texture;
    harness::clear_logs();
    ScreenCapture screen;
    struct Sample {
        size_t frame;
        int x, y;
        SDL_Color expected;
    };
    const Sample samples[] = {
        {0, 2, 2, RED},  // the 64 x 32 picture's corners reach the screen's
        {0, 1277, 2, GREEN},
        {0, 2, 717, BLUE},
        {0, 1277, 717, WHITE},
        {0, 560, 320, RED},  // and its quadrants meet at the screen's centre
        {0, 720, 320, GREEN},
        {0, 560, 400, BLUE},
        {0, 720, 400, WHITE},
        {61, 560, 175, BLACK},  // v = 180: above the band, cleared
        {61, 560, 185, RED},    // the picture's top half squashed into 180..359
        {61, 560, 535, BLUE},
        {61, 560, 545, BLACK},  // below the band
    };
    std::vector<SDL_Color> seen(std::size(samples), SDL_Color{1, 2, 3, 4});
    harness::on_present([&](const harness::Frame&) {
        const size_t n = harness::frames().size() - 1;
        for (size_t k = 0; k < std::size(samples); ++k) {
            if (samples[k].frame == n) {
                seen[k] = screen.pixel(samples[k].x, samples[k].y);
            }
        }
    });
    const uint32_t start = harness::now_ms();
    ASSERT_EQ(harness::run(still_picture_scene), -1);
    harness::on_present(nullptr);
    for (size_t k = 0; k < std::size(samples); ++k) {
        EXPECT_TRUE(near(seen[k], samples[k].expected, 40))
            << "frame " << samples[k].frame << " at " << samples[k].x << ", " << samples[k].y << ": expected "
            << text(samples[k].expected) << ", got " << text(seen[k]);
    }

    // Load: release the old picture, decode the JPEG, rebuild the texture; no key.
    const auto load = calls_before_first_present();
    ASSERT_EQ(ops_of(load), (std::vector<Op>{Op::FreeSurface, Op::LoadImage, Op::DestroyTexture,
                                             Op::CreateTexture}));
    EXPECT_EQ(load[0].handle, old_image);
    EXPECT_STREQ(load[1].name, "gfx/bisounours.jpg");
    EXPECT_EQ(load[2].handle, old_texture);
    EXPECT_STREQ(load[3].name, "gfx/bisounours.jpg");
    EXPECT_EQ(image, load[1].handle);
    EXPECT_EQ(texture, load[3].handle);
    EXPECT_NE(texture, nullptr);

    const auto& frames = harness::frames();
    ASSERT_EQ(frames.size(), size_t(PICTURE_FRAMES));

    // The showing frame: copy and letterbox only, no clear and no poll.
    EXPECT_EQ(ops_of(frames[0].draws), (std::vector<Op>{Op::Copy, Op::DrawColor, Op::FillRect, Op::FillRect}));
    EXPECT_FALSE(frames[0].draws[0].has_src);
    EXPECT_TRUE(same(frames[0].draws[0].dst, {0, 0, 1280, 720}));

    // The hold: poll and wait 200 times, drawing and presenting nothing; then the squash's first poll.
    std::vector<Op> hold;
    std::vector<Op> expected_hold;
    size_t k = load.size() + 1;
    for (; harness::log()[k].op != Op::Present; ++k) {
        hold.push_back(harness::log()[k].op);
    }
    for (int n = 0; n < HOLD_ITERATIONS; ++n) {
        expected_hold.insert(expected_hold.end(), {Op::Poll, Op::Delay});
    }
    expected_hold.push_back(Op::Poll);
    EXPECT_EQ(hold, expected_hold);
    EXPECT_EQ(frames[1].polls, uint32_t(HOLD_ITERATIONS + 1));

    // The squash: v = 3n for frame n, the band {0, v, 1280, (360 - v) * 2}.
    for (int n = 1; n < PICTURE_FRAMES; ++n) {
        ASSERT_EQ(ops_of(frames[n].draws), (std::vector<Op>{Op::Clear, Op::Copy, Op::DrawColor, Op::FillRect,
                                                            Op::FillRect}))
            << "squash frame " << n;
        const int v = 3 * (n - 1);
        EXPECT_FALSE(frames[n].draws[1].has_src);
        EXPECT_TRUE(same(frames[n].draws[1].dst, {0, v, 1280, (360 - v) * 2}))
            << "squash frame " << n << ": " << text(frames[n].draws[1].dst);
    }
    EXPECT_TRUE(same(frames[1].draws[1].dst, frames[0].draws[0].dst)) << "the squash starts from the full picture";
    EXPECT_TRUE(same(frames.back().draws[1].dst, {0, 360, 1280, 0}));

    for (const auto& d : harness::calls(Op::Delay)) {
        EXPECT_EQ(d.v[0], 17);
    }
    EXPECT_EQ(harness::now_ms() - start, uint32_t((HOLD_ITERATIONS + PICTURE_FRAMES - 1) * 17));
    EXPECT_EQ(harness::alive_surfaces(), 1);
    EXPECT_EQ(harness::alive_textures(), 1);
    EXPECT_TRUE(harness::misuse().empty());
}

TEST_F(DemoTest, BeamFanPhasesDrawTheirRows) {
    ScopedDataDir data({});
    write_sheet_fixture();
    hold_an_old_picture();
    const void* old_image = image;
    const void* old_texture = texture;
    harness::clear_logs();
    const uint32_t start = harness::now_ms();

    constexpr size_t ENTRY_FULL = ENTRY_FRAMES - 1;                     // entry, v = 720
    constexpr size_t SCROLL_FIRST = ENTRY_FRAMES;                       // pass 1, v = 0
    constexpr size_t SCROLL_MIDDLE = ENTRY_FRAMES + 181 + 25;           // pass 2, v = 100
    constexpr size_t SCROLL_LAST = ENTRY_FRAMES + SCROLL_FRAMES - 1;    // pass 4, v = 720
    constexpr size_t EXIT_FIRST = ENTRY_FRAMES + SCROLL_FRAMES;         // exit, v = 0
    constexpr size_t EXIT_LAST = BEAM_FAN_FRAMES - 1;                   // exit, v = 720
    const auto kept = run_beam_fan({0, ENTRY_FULL, SCROLL_FIRST, SCROLL_MIDDLE, SCROLL_LAST, EXIT_FIRST, EXIT_LAST});

    // Load: release, read the sheet, key its black, rebuild the texture.
    const auto load = calls_before_first_present();
    ASSERT_EQ(ops_of(load), (std::vector<Op>{Op::FreeSurface, Op::OpenFile, Op::LoadBmp, Op::ColorKey,
                                             Op::DestroyTexture, Op::CreateTexture, Op::Poll}));
    EXPECT_EQ(load[0].handle, old_image);
    EXPECT_STREQ(load[1].name, "gfx/veltronaquis.bmp");
    EXPECT_EQ(load[1].v[0], 1) << "opened \"rb\"";
    EXPECT_EQ(load[2].v[0], 1) << "the loader closes the stream";
    EXPECT_EQ(load[3].handle, load[2].handle);
    EXPECT_EQ(load[3].v[0], 1);
    EXPECT_EQ(load[3].v[2] + load[3].v[3] + load[3].v[4], 0) << "black is the key";
    EXPECT_EQ(load[4].handle, old_texture);
    EXPECT_STREQ(load[5].name, "gfx/veltronaquis.bmp");
    EXPECT_EQ(image, load[2].handle);
    EXPECT_EQ(texture, load[5].handle);

    // Every frame: one poll, one clear, and the copies of its phase.
    const auto& frames = harness::frames();
    ASSERT_EQ(frames.size(), size_t(BEAM_FAN_FRAMES));
    for (size_t n = 0; n < frames.size(); ++n) {
        uint32_t copies = 3 * 721 + 5;
        if (n < ENTRY_FRAMES) {
            copies = 3 * (4 * n + 1);
        } else if (n >= EXIT_FIRST) {
            copies = 3 * (721 - 4 * (n - EXIT_FIRST)) + 5;
        }
        ASSERT_EQ(frames[n].copies, copies) << "frame " << n;
        ASSERT_EQ(frames[n].polls, 1u) << "frame " << n;
        ASSERT_EQ(frames[n].clears, 1u) << "frame " << n;
    }
    EXPECT_EQ(harness::now_ms() - start, uint32_t(BEAM_FAN_FRAMES * 17));

    // Which strip row each screen row shows, in the order drawn.
    struct Case {
        size_t frame;
        const char* what;
        std::vector<RowRun> rows;
    };
    const Case cases[] = {
        {0, "entry, v = 0: the strip's last row at the top", {{0, 0, 720}}},
        {ENTRY_FULL, "entry, v = 720", {{0, 720, 0}}},
        {SCROLL_FIRST, "scroll, v = 0", {{0, 720, 0}}},
        {SCROLL_MIDDLE, "scroll, v = 100: lower end above, top below", {{0, 99, 620}, {100, 720, 0}}},
        {SCROLL_LAST, "scroll, v = 720: wrapped", {{0, 719, 0}, {720, 720, 0}}},
        {EXIT_FIRST, "exit, v = 0", {{0, 720, 0}}},
        {EXIT_LAST, "exit, v = 720: only the bottom row", {{720, 720, 0}}},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(kept.count(c.frame), 1u) << c.what;
        const harness::Frame& f = kept.at(c.frame);
        std::vector<std::pair<int, int>> drawn;
        for (const BeamRow& r : beam_rows(f)) {
            drawn.push_back({r.i, r.s});
        }
        EXPECT_EQ(drawn, rows_of(c.rows)) << c.what;
        // Clear, beams, then the sprites, then the letterbox.
        const auto ops = ops_of(f.draws);
        EXPECT_EQ(ops.front(), Op::Clear) << c.what;
        EXPECT_EQ(std::vector<Op>(ops.end() - 3, ops.end()), (std::vector<Op>{Op::DrawColor, Op::FillRect, Op::FillRect}))
            << c.what;
        for (size_t k = 1; k + 3 < ops.size(); ++k) {
            EXPECT_EQ(ops[k], Op::Copy) << c.what;
        }
    }

    // The fan's shape: 10 pixels wide at the top, spread out at the bottom.
    struct Geometry {
        int i;
        SDL_Rect left, middle, right;
    };
    const Geometry shapes[] = {
        {0, {585, 0, 10, 1}, {635, 0, 10, 1}, {690, 0, 10, 1}},
        {8, {577, 8, 15, 1}, {633, 8, 14, 1}, {692, 8, 15, 1}},
        {720, {-135, 720, 490, 1}, {455, 720, 370, 1}, {930, 720, 490, 1}},
    };
    const auto full = beam_rows(kept.at(ENTRY_FULL));
    ASSERT_EQ(full.size(), 721u);
    for (const Geometry& g : shapes) {
        const BeamRow& r = full[g.i];
        EXPECT_TRUE(same(r.left, g.left)) << "row " << g.i << " left: " << text(r.left);
        EXPECT_TRUE(same(r.middle, g.middle)) << "row " << g.i << " middle: " << text(r.middle);
        EXPECT_TRUE(same(r.right, g.right)) << "row " << g.i << " right: " << text(r.right);
    }
    EXPECT_TRUE(harness::misuse().empty());
}

TEST_F(DemoTest, BeamFanFormationRisesTurnsAndLeaves) {
    ScopedDataDir data({});
    write_sheet_fixture();
    harness::clear_logs();
    struct Case {
        int fcount;
        int fx, fy, frow;
        const char* what;
    };
    const Case cases[] = {
        {1, 1277, 719, 0, "first formation frame"},
        {5, 1265, 715, 0, "last of the first sprite frame"},
        {6, 1262, 714, 160, "second sprite frame of the leftward pair"},
        {12, 1244, 708, 0, "the pair starts over"},
        {192, 704, 528, 0, "second scroll pass: the count carries on (restarted, 11: frame 160)"},
        {429, -7, 291, 160, "left edge, last leftward frame"},
        {430, -4, 290, 480, "the turn: 430 mod 12 = 10"},
        {734, 908, -14, 320, "exit phase: the count carries on (restarted, 10: frame 480)"},
        {905, 1421, -185, 320, "last frame of the scene"},
    };
    std::set<size_t> wanted;
    for (const Case& c : cases) {
        wanted.insert(FIRST_FORMATION_FRAME - 1 + c.fcount);
    }
    const auto kept = run_beam_fan(wanted);
    constexpr int OFFSETS[5][2] = {{100, 0}, {300, 50}, {0, 200}, {250, 250}, {450, 220}};
    for (const Case& c : cases) {
        const harness::Frame& f = kept.at(FIRST_FORMATION_FRAME - 1 + c.fcount);
        std::vector<const harness::Call*> sprites;
        for (const auto& d : f.draws) {
            if (d.op == Op::Copy && d.src.w != 30) {
                sprites.push_back(&d);
            }
        }
        ASSERT_EQ(sprites.size(), 5u) << c.what;
        EXPECT_EQ(f.draws[f.draws.size() - 4].seq, sprites.back()->seq) << c.what << ": sprites after the beams";
        for (size_t k = 0; k < 5; ++k) {
            EXPECT_TRUE(same(sprites[k]->src, {30, c.frow, 160, 160})) << c.what << ": " << text(sprites[k]->src);
            const SDL_Rect expected = {c.fx + OFFSETS[k][0], c.fy + OFFSETS[k][1], 160, 160};
            EXPECT_TRUE(same(sprites[k]->dst, expected))
                << c.what << ", sprite " << k << ": expected " << text(expected) << ", got " << text(sprites[k]->dst);
        }
    }
}

TEST_F(DemoTest, BeamFanSheetBlackIsTransparent) {
    ScopedDataDir data({});
    write_sheet_fixture();
    harness::clear_logs();
    ScreenCapture screen;
    // fcount 101: the formation at (977, 619), sprite frame 0; the leader's cell
    // spans 1077..1236 x 619..718, wholly inside the right beam.
    constexpr size_t FRAME = FIRST_FORMATION_FRAME + 100;
    struct Sample {
        int x, y;
        SDL_Color expected;
        const char* what;
    };
    const Sample samples[] = {
        {1097, 639, GREEN, "sprite black over the right beam: the beam shows through"},
        {1157, 679, RED, "the sprite's coloured square over the beam"},
        {640, 100, GREEN, "the middle beam"},
        {400, 100, BLACK, "between the beams: the clear"},
    };
    std::vector<SDL_Color> seen;
    harness::draw_for_real(false);
    harness::keep_draws(false);
    harness::on_present([&](const harness::Frame&) {
        const size_t n = harness::frames().size() - 1;
        if (n == FRAME) {
            for (const Sample& s : samples) {
                seen.push_back(screen.pixel(s.x, s.y));
            }
        }
        harness::draw_for_real(n + 1 == FRAME);
    });
    harness::run(beam_fan_scene);
    harness::on_present(nullptr);
    harness::draw_for_real(true);
    ASSERT_EQ(seen.size(), std::size(samples));
    for (size_t k = 0; k < seen.size(); ++k) {
        EXPECT_TRUE(near(seen[k], samples[k].expected, 0))
            << samples[k].what << " at " << samples[k].x << ", " << samples[k].y << ": expected "
            << text(samples[k].expected) << ", got " << text(seen[k]);
    }
}

TEST_F(DemoTest, MissingOrBrokenPicturesKeepTheFullLengthOnBlack) {
    struct Case {
        const char* what;
        void (*scene)();
        const char* file;
        const char* contents;  // what the file holds instead, or null when it is missing
        size_t frames;
        uint32_t duration_ms;
    };
    const Case cases[] = {
        {"missing picture", still_picture_scene, "gfx/bisounours.jpg", nullptr, PICTURE_FRAMES,
         (HOLD_ITERATIONS + PICTURE_FRAMES - 1) * 17},
        {"broken picture", still_picture_scene, "gfx/bisounours.jpg", "\xff\xd8 no JPEG after all", PICTURE_FRAMES,
         (HOLD_ITERATIONS + PICTURE_FRAMES - 1) * 17},
        {"missing sheet", beam_fan_scene, "gfx/veltronaquis.bmp", nullptr, BEAM_FAN_FRAMES, BEAM_FAN_FRAMES * 17},
        {"broken sheet", beam_fan_scene, "gfx/veltronaquis.bmp", "BM no bitmap after all", BEAM_FAN_FRAMES, BEAM_FAN_FRAMES * 17},
    };
    for (const Case& c : cases) {
        harness::clear_logs();
        harness::draw_for_real(false);
        harness::keep_draws(false);
        const uint32_t start = harness::now_ms();
        {
            ScopedDataDir data(c.contents != nullptr ? std::vector<std::string>{} : std::vector<std::string>{c.file},
                               c.contents != nullptr
                                   ? std::vector<std::pair<std::string, std::string>>{{c.file, c.contents}}
                                   : std::vector<std::pair<std::string, std::string>>{});
            EXPECT_EQ(harness::run(c.scene), -1) << c.what;
        }
        EXPECT_EQ(image, nullptr) << c.what;
        EXPECT_EQ(texture, nullptr) << c.what;
        EXPECT_TRUE(harness::calls(Op::ColorKey).empty()) << c.what << ": no key without a surface";
        EXPECT_EQ(harness::frames().size(), c.frames) << c.what;
        EXPECT_EQ(harness::now_ms() - start, c.duration_ms) << c.what;
        EXPECT_TRUE(harness::misuse().empty()) << c.what;
    }
    harness::draw_for_real(true);
}

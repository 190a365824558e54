// The two sphere scenes over the raster backdrop: phases, positions and the carried backdrop.
#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "closing.h"
#include "frame_sampler.h"
#include "glyphs.h"
#include "harness.h"
#include "runtime.h"
#include "spheres.h"

using harness::Op;

// Compare and print the backdrop state whole.
static bool operator==(const BackdropState& a, const BackdropState& b) {
    return a.raster_top == b.raster_top && a.caption_row == b.caption_row &&
           a.caption_height == b.caption_height && a.caption_step == b.caption_step;
}

static std::ostream& operator<<(std::ostream& out, const BackdropState& b) {
    return out << "{raster_top " << b.raster_top << ", row " << b.caption_row << ", height "
               << b.caption_height << ", step " << b.caption_step << "}";
}

namespace {

constexpr size_t DROP_FRAMES = 25;
constexpr size_t RISE_FRAMES = 51;
constexpr size_t SPIN_FRAMES = 20 * (51 + 50);
constexpr size_t FIRST_SPIN = DROP_FRAMES + RISE_FRAMES;
constexpr size_t DROP_SCENE_FRAMES = FIRST_SPIN + SPIN_FRAMES;
constexpr size_t GROWTH_FRAMES = 201;
constexpr size_t FLIGHT_FRAMES = 80 * (15 + 14);
constexpr size_t FIGURE_SCENE_FRAMES = GROWTH_FRAMES + FLIGHT_FRAMES;

struct At {
    int32_t x, y;
    bool operator==(const At& o) const { return x == o.x && y == o.y; }
};

std::ostream& operator<<(std::ostream& out, const At& a) {
    return out << "(" << a.x << ", " << a.y << ")";
}

// Top-left corners of the sphere sprites of a frame (copies of the size x size sprite cell), in order.
std::vector<At> spheres(const std::vector<harness::Call>& draws, int32_t size) {
    std::vector<At> out;
    for (const auto& c : draws) {
        if (c.op == Op::Copy && c.src.x == 0 && c.src.y == 0 && c.src.w == size && c.src.h == size) {
            out.push_back({c.dst.x, c.dst.y});
        }
    }
    return out;
}

// The backdrop comes first in the frame: every sprite copy follows every gradient line.
void expect_backdrop_under(const std::vector<harness::Call>& draws, int32_t size, size_t frame) {
    uint64_t last_line = 0;
    uint64_t first_sprite = UINT64_MAX;
    for (const auto& c : draws) {
        if (c.op == Op::Line) {
            last_line = std::max(last_line, c.seq);
        } else if (c.op == Op::Copy && c.src.w == size) {
            first_sprite = std::min(first_sprite, c.seq);
        }
    }
    EXPECT_LT(last_line, first_sprite) << "frame " << frame;
}

// A bitmap of the given size in the scratch data directory, red on black.
void write_fixture(const char* path, int w, int h) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 24, SDL_PIXELFORMAT_RGB24);
    const SDL_Rect inner = {w / 4, h / 4, w / 2, h / 2};
    SDL_FillRect(s, &inner, SDL_MapRGB(s->format, 255, 0, 0));
    ASSERT_EQ(SDL_SaveBMP(s, path), 0);
    SDL_FreeSurface(s);
}

std::vector<Op> set_up_ops() {
    std::vector<Op> ops;
    for (const auto& c : harness::log()) {
        if (c.op == Op::Poll) {
            break;
        }
        ops.push_back(c.op);
    }
    return ops;
}

}  // namespace

TEST_F(DemoTest, SphereDropFallsRisesAndSpins) {
    harness::draw_for_real(false);
    const size_t last_of_cycle_1_opening = FIRST_SPIN + 50;
    const size_t last_of_cycle_6 = FIRST_SPIN + 6 * 101 - 1;
    // On this frame double precision would put point 3 a pixel further left.
    const size_t single_precision_shows = 2023;
    std::set<size_t> wanted = {last_of_cycle_1_opening, last_of_cycle_6, last_of_cycle_6 + 1,
                               single_precision_shows, DROP_SCENE_FRAMES - 1};
    for (size_t n = 0; n <= FIRST_SPIN; ++n) {
        wanted.insert(n);
    }
    FrameSampler sampler(wanted);
    EXPECT_EQ(harness::run(sphere_drop_scene), -1);
    const auto& frames = sampler.frames();
    ASSERT_EQ(frames.size(), DROP_SCENE_FRAMES);

    // The gradient rises a row a frame from the bottom edge to row 400, and stays.
    for (size_t n = 0; n < frames.size(); ++n) {
        ASSERT_EQ(frames[n].lines, std::min<size_t>(n + 1, 320)) << "frame " << n;
        ASSERT_EQ(frames[n].polls, 1u) << "frame " << n;
    }
    EXPECT_EQ(backdrop_state(), (BackdropState{400, 15, 132, -2}));

    // The caption stays shut for 50 frames and opens from the 51st: its first height 0.
    for (size_t n = 0; n <= 52; ++n) {
        const auto& draws = sampler.draws(n);
        const auto glyph = std::find_if(draws.begin(), draws.end(), [](const harness::Call& c) {
            return c.op == Op::Copy && c.src.w == 24;
        });
        ASSERT_NE(glyph, draws.end());
        EXPECT_EQ(glyph->dst.h, n < 51 ? 0 : 2 * int32_t(n - 50)) << "frame " << n;
    }

    // The drop: one sphere, slowing down, the last 4 pixels below the resting point.
    const int32_t drop_y[DROP_FRAMES] = {2,   54,  89,  116, 138, 156, 172, 186, 199, 211, 222, 232, 241,
                                         250, 258, 266, 273, 280, 287, 294, 300, 306, 312, 318, 324};
    for (size_t n = 0; n < DROP_FRAMES; ++n) {
        EXPECT_EQ(spheres(sampler.draws(n), 80), (std::vector<At>{{600, drop_y[n]}})) << "frame " << n;
    }
    // The rise: six pairs climbing 1 to 6 pixels a frame, from 320 to 270 ... 20.
    for (int32_t rise = 0; rise <= 50; ++rise) {
        std::vector<At> column;
        for (int32_t pair = 1; pair <= 6; ++pair) {
            column.insert(column.end(), 2, At{600, 320 - pair * rise});
        }
        EXPECT_EQ(spheres(sampler.draws(DROP_FRAMES + rise), 80), column) << "rise " << rise;
    }
    // The spin: even points top down, then odd points bottom up.
    const std::vector<std::pair<size_t, std::vector<At>>> spin = {
        {FIRST_SPIN,  // the column, barely turned
         {{597, 20}, {597, 70}, {598, 120}, {598, 170}, {599, 220}, {599, 270},
          {599, 270}, {599, 220}, {598, 170}, {598, 120}, {597, 70}, {597, 20}}},
        {last_of_cycle_1_opening,  // the V fully open, turned by 0.51; point 9 truncates -44.64 to -44
         {{113, 248}, {189, 262}, {266, 277}, {343, 291}, {420, 305}, {497, 320},
          {627, 247}, {655, 174}, {683, 101}, {711, 28}, {739, -44}, {767, -117}}},
        {last_of_cycle_6,  // no drift yet
         {{673, 28}, {661, 77}, {648, 125}, {636, 174}, {624, 222}, {612, 271},
          {610, 271}, {619, 221}, {629, 172}, {639, 123}, {649, 74}, {659, 25}}},
        {last_of_cycle_6 + 1,  // drift 0.5 moves six of them a pixel to the right
         {{663, 26}, {653, 75}, {642, 124}, {632, 173}, {621, 222}, {611, 271},
          {611, 271}, {621, 222}, {632, 173}, {642, 124}, {653, 75}, {663, 26}}},
    };
    for (const auto& [n, expected] : spin) {
        EXPECT_EQ(spheres(sampler.draws(n), 80), expected) << "frame " << n;
    }
    EXPECT_EQ(spheres(sampler.draws(single_precision_shows), 80).at(7), (At{1137, 595}));
    // The last frame: every sphere has spiralled out below the bottom edge.
    const auto last = spheres(sampler.draws(DROP_SCENE_FRAMES - 1), 80);
    ASSERT_EQ(last.size(), 12u);
    const auto [lowest, highest] = std::minmax_element(
        last.begin(), last.end(), [](const At& a, const At& b) { return a.y < b.y; });
    EXPECT_EQ(lowest->y, 937);
    EXPECT_EQ(highest->y, 1000);

    for (size_t n : {size_t(0), DROP_FRAMES, FIRST_SPIN, last_of_cycle_1_opening}) {
        expect_backdrop_under(sampler.draws(n), 80, n);
        EXPECT_EQ(sampler.draws(n).front().op, Op::Clear);
    }
}

TEST_F(DemoTest, SphereDropLoadsFontAndSphereWithBlackKeys) {
    ScopedDataDir data({});
    write_fixture("gfx/fonts2.bmp", 792, 132);
    write_fixture("gfx/sphere.bmp", 80, 80);
    fonts = SDL_CreateRGBSurfaceWithFormat(0, 8, 8, 32, SDL_PIXELFORMAT_ARGB8888);
    image = SDL_CreateRGBSurfaceWithFormat(0, 8, 8, 32, SDL_PIXELFORMAT_ARGB8888);
    texture = SDL_CreateTextureFromSurface(renderer, image);
    const void* old_fonts = fonts;
    const void* old_image = image;
    const void* old_texture = texture;
    harness::clear_logs();
    harness::queue_event_at_poll(0, harness::key_down(SDLK_ESCAPE));
    EXPECT_EQ(harness::run(sphere_drop_scene), 0);

    EXPECT_EQ(set_up_ops(), (std::vector<Op>{Op::FreeSurface, Op::OpenFile, Op::LoadBmp, Op::ColorKey,
                                             Op::FreeSurface, Op::OpenFile, Op::LoadBmp, Op::ColorKey,
                                             Op::DestroyTexture, Op::CreateTexture}));
    const auto& log = harness::log();
    EXPECT_EQ(log[0].handle, old_fonts);
    EXPECT_STREQ(log[2].name, "gfx/fonts2.bmp");
    EXPECT_EQ(log[4].handle, old_image);
    EXPECT_STREQ(log[6].name, "gfx/sphere.bmp");
    EXPECT_EQ(log[8].handle, old_texture);
    EXPECT_STREQ(log[9].name, "gfx/sphere.bmp");
    for (size_t n : {size_t(3), size_t(7)}) {
        EXPECT_EQ(log[n].handle, log[n - 1].handle);
        EXPECT_EQ(log[n].v[0], 1);
        EXPECT_EQ(log[n].v[2] + log[n].v[3] + log[n].v[4], 0) << "black is the key";
    }
    EXPECT_TRUE(harness::misuse().empty());
}

TEST_F(DemoTest, SphereScenesWithoutTheirPicturesKeepTheirLength) {
    harness::draw_for_real(false);
    harness::keep_draws(false);
    ScopedDataDir data({"gfx/fonts2.bmp", "gfx/sphere.bmp", "gfx/sphere2.bmp"});
    const uint32_t start = harness::now_ms();
    EXPECT_EQ(harness::run(sphere_drop_scene), -1);
    EXPECT_EQ(harness::run(sphere_figure_scene), -1);
    EXPECT_EQ(harness::frames().size(), DROP_SCENE_FRAMES + FIGURE_SCENE_FRAMES);
    EXPECT_EQ(harness::now_ms() - start, (DROP_SCENE_FRAMES + FIGURE_SCENE_FRAMES) * 17);
    EXPECT_TRUE(harness::calls(Op::ColorKey).empty()) << "no key without a surface";
    EXPECT_EQ(fonts, nullptr);
    EXPECT_EQ(image, nullptr);
    EXPECT_EQ(texture, nullptr);
    EXPECT_TRUE(harness::misuse().empty());
}

TEST_F(DemoTest, SphereFigureGrowsThenFlapsAndSpiralsOut) {
    harness::draw_for_real(false);
    harness::keep_draws(false);
    ASSERT_EQ(harness::run(sphere_drop_scene), -1);
    ASSERT_EQ(backdrop_state(), (BackdropState{400, 15, 132, -2}));
    const size_t first_flight = GROWTH_FRAMES;
    // On this frame double precision would put point 20 a pixel higher.
    const size_t single_precision_shows = 694;
    FrameSampler sampler({0, 1, 2, 3, 4, 5, GROWTH_FRAMES - 1, first_flight, single_precision_shows,
                          FIGURE_SCENE_FRAMES - 1});
    EXPECT_EQ(harness::run(sphere_figure_scene), -1);
    const auto& frames = sampler.frames();
    ASSERT_EQ(frames.size(), FIGURE_SCENE_FRAMES);

    // The gradient holds at 400 for 68 flaps, then slides down and is gone for the last 29 frames.
    for (size_t n = 0; n < frames.size(); ++n) {
        const size_t flight = n < GROWTH_FRAMES ? 0 : n - GROWTH_FRAMES;
        const size_t raster_top = std::min<size_t>(400 + (flight >= 1972 ? flight - 1971 : 0), 720);
        ASSERT_EQ(frames[n].lines, 720 - raster_top) << "frame " << n;
    }
    for (size_t n = FIGURE_SCENE_FRAMES - 29; n < FIGURE_SCENE_FRAMES; ++n) {
        EXPECT_EQ(frames[n].lines, 0u);
    }
    EXPECT_EQ(frames[FIGURE_SCENE_FRAMES - 30].lines, 1u);
    // 2,442 calls opened and closed the caption from line 15 round to the start; then it stayed shut.
    EXPECT_EQ(backdrop_state(), (BackdropState{720, 0, 0, 2}));

    // Growth: 26 spheres in place, 0 wide for four frames, then 1, ... up to 59.
    const std::vector<std::pair<size_t, int32_t>> widths = {{0, 0}, {1, 0}, {2, 0}, {3, 0},
                                                             {4, 1}, {5, 1}, {GROWTH_FRAMES - 1, 59}};
    for (const auto& [n, w] : widths) {
        const auto grown = spheres(sampler.draws(n), 60);
        ASSERT_EQ(grown.size(), 26u) << "frame " << n;
        EXPECT_EQ(grown[0], (At{581, 300}));
        EXPECT_EQ(grown[25], (At{844, 201}));
        for (const auto& c : sampler.draws(n)) {
            if (c.op == Op::Copy && c.src.w == 60) {
                EXPECT_EQ(std::make_pair(c.dst.w, c.dst.h), std::make_pair(w, w)) << "frame " << n;
            }
        }
    }

    // First flight frame: points 0, 13, 12 and 25, drawn as copies 0, 2, 14 and 25.
    const auto first = spheres(sampler.draws(first_flight), 60);
    ASSERT_EQ(first.size(), 26u);
    EXPECT_EQ(first[0], (At{581, 299}));
    EXPECT_EQ(first[2], (At{640, 300}));
    EXPECT_EQ(first[14], (At{378, 198}));
    EXPECT_EQ(first[25], (At{845, 203}));
    expect_backdrop_under(sampler.draws(first_flight), 60, first_flight);
    EXPECT_EQ(spheres(sampler.draws(single_precision_shows), 60).at(20), (At{668, 384}));

    // Last frame: the figure has left through the bottom edge.
    const auto last = spheres(sampler.draws(FIGURE_SCENE_FRAMES - 1), 60);
    ASSERT_EQ(last.size(), 26u);
    const auto [lowest, highest] = std::minmax_element(
        last.begin(), last.end(), [](const At& a, const At& b) { return a.y < b.y; });
    EXPECT_EQ(lowest->y, 779);
    EXPECT_EQ(highest->y, 1193);
}

TEST_F(DemoTest, SphereFigureGoesOnWithTheFirstScenesBackdropAndFont) {
    harness::draw_for_real(false);
    harness::keep_draws(false);
    ScopedDataDir data({});
    write_fixture("gfx/fonts2.bmp", 792, 132);
    write_fixture("gfx/sphere.bmp", 80, 80);
    write_fixture("gfx/sphere2.bmp", 60, 60);
    EXPECT_EQ(harness::run(sphere_drop_scene), -1);
    const void* font_sheet = fonts;
    const void* first_sphere = image;
    harness::clear_logs();
    FrameSampler sampler({0});
    EXPECT_EQ(harness::run(sphere_figure_scene), -1);

    // Set-up replaces the sphere only, keyed black; the font sheet stays.
    EXPECT_EQ(set_up_ops(), (std::vector<Op>{Op::FreeSurface, Op::OpenFile, Op::LoadBmp, Op::ColorKey,
                                       Op::DestroyTexture, Op::CreateTexture}));
    EXPECT_EQ(harness::log()[0].handle, first_sphere);
    EXPECT_STREQ(harness::log()[2].name, "gfx/sphere2.bmp");
    EXPECT_EQ(harness::log()[3].v[2] + harness::log()[3].v[3] + harness::log()[3].v[4], 0);
    EXPECT_STREQ(harness::log()[5].name, "gfx/sphere2.bmp");
    EXPECT_EQ(fonts, font_sheet);

    // The first frame: gradient from 400, line 15 ("FELUNDA") fully open, spheres from the new texture.
    const auto& draws = sampler.draws(0);
    size_t lines = 0;
    std::vector<harness::Call> glyphs;
    for (const auto& c : draws) {
        lines += c.op == Op::Line;
        if (c.op == Op::Copy && c.src.w == 24) {
            glyphs.push_back(c);
        }
    }
    EXPECT_EQ(lines, 320u);
    ASSERT_EQ(glyphs.size(), 7u);
    EXPECT_EQ(glyphs[0].dst.h, 132);
    EXPECT_STREQ(glyphs[0].name, "gfx/fonts2.bmp");
    const auto sphere_copy = std::find_if(draws.begin(), draws.end(), [](const harness::Call& c) {
        return c.op == Op::Copy && c.src.w == 60;
    });
    ASSERT_NE(sphere_copy, draws.end());
    EXPECT_STREQ(sphere_copy->name, "gfx/sphere2.bmp");
    EXPECT_EQ(sampler.frames().size(), FIGURE_SCENE_FRAMES);
    EXPECT_EQ(harness::alive_textures(), 1) << "each backdrop texture lives within its call";
    EXPECT_TRUE(harness::misuse().empty());
}

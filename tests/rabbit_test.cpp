// The rabbit: walk in with its pose, walk out, run back; twice a cycle, identical.
#include <SDL.h>

#include <string>
#include <vector>

#include "harness.h"
#include "opening.h"
#include "runtime.h"

using harness::Op;

namespace {

constexpr int WALK_FRAMES = 114;
constexpr int POSE_FRAMES = 4;
constexpr int RUN_FRAMES = 59;
constexpr int POSE_ITERATION = 38;  // 0-based walk iteration at x = 520

struct Sprite {
    int src_x, src_y, x, y;
    bool operator==(const Sprite& o) const {
        return src_x == o.src_x && src_y == o.src_y && x == o.x && y == o.y;
    }
};

std::ostream& operator<<(std::ostream& out, const Sprite& s) {
    return out << "{src " << s.src_x << "," << s.src_y << " at " << s.x << "," << s.y << "}";
}

// The one copy a rabbit frame makes, checked to be a 300 x 320 unscaled cell.
Sprite sprite_of(const harness::Frame& f) {
    Sprite s = {-1, -1, -1, -1};
    int copies = 0;
    for (const auto& c : f.draws) {
        if (c.op == Op::Copy) {
            ++copies;
            EXPECT_EQ(c.src.w, 300);
            EXPECT_EQ(c.src.h, 320);
            EXPECT_EQ(c.dst.w, 300);
            EXPECT_EQ(c.dst.h, 320);
            s = {c.src.x, c.src.y, c.dst.x, c.dst.y};
        }
    }
    EXPECT_EQ(copies, 1);
    return s;
}

constexpr int WALKING_X = 30, STANDING_X = 350, CELL_Y = 20, BLINK_Y = 370;

std::vector<Sprite> expected_rabbit_frames() {
    std::vector<Sprite> out;
    for (int i = 0; i < WALK_FRAMES; ++i) {
        const int x = 1280 - 20 * i;
        out.push_back({WALKING_X, CELL_Y, x, 180});
        if (i == POSE_ITERATION) {
            out.push_back({STANDING_X, CELL_Y, 449, 180});
            out.push_back({STANDING_X, BLINK_Y, 449, 182});
            out.push_back({STANDING_X, CELL_Y, 449, 180});
            out.push_back({WALKING_X, CELL_Y, 520, 180});
        }
    }
    for (int i = 0; i < RUN_FRAMES; ++i) {
        out.push_back({STANDING_X, CELL_Y, -1000 + 40 * i, 180});
    }
    return out;
}

std::vector<Sprite> sprites() {
    std::vector<Sprite> out;
    for (const auto& f : harness::frames()) {
        out.push_back(sprite_of(f));
    }
    return out;
}

}  // namespace

TEST_F(DemoTest, RabbitDrawsEveryFrameWhereItShould) {
    harness::run(rabbit_scene);
    const auto& frames = harness::frames();
    ASSERT_EQ(frames.size(), size_t(WALK_FRAMES + POSE_FRAMES + RUN_FRAMES));
    EXPECT_EQ(sprites(), expected_rabbit_frames());
    EXPECT_EQ(harness::poll_count(), size_t(WALK_FRAMES + RUN_FRAMES));

    // Sheet loaded into `image`, texture made from it, both from the rabbit file.
    const auto loads = harness::calls(Op::LoadBmp);
    ASSERT_EQ(loads.size(), 1u);
    EXPECT_STREQ(loads[0].name, "gfx/rabbit.bmp");
    EXPECT_EQ(loads[0].v[0], 1) << "the loader closes the stream";
    EXPECT_EQ(loads[0].handle, image);
    EXPECT_TRUE(harness::calls(Op::ColorKey).empty());
    EXPECT_STREQ(frames[1].draws[1].name, "gfx/rabbit.bmp");

    // First and last visible frames of the walk and of the run back.
    EXPECT_EQ(sprite_of(frames[1]).x, 1260);
    EXPECT_EQ(sprite_of(frames[78 + POSE_FRAMES]).x, -280);
    EXPECT_EQ(sprite_of(frames[WALK_FRAMES + POSE_FRAMES + 18]).x, -280);
    EXPECT_EQ(sprite_of(frames[WALK_FRAMES + POSE_FRAMES + 56]).x, 1240);
}

TEST_F(DemoTest, RabbitFramesFollowTheSkeleton) {
    harness::run(rabbit_scene);
    const auto& frames = harness::frames();
    for (size_t n : {size_t(0), size_t(POSE_ITERATION), frames.size() - 1}) {
        std::vector<Op> ops;
        for (const auto& c : frames[n].draws) {
            ops.push_back(c.op);
        }
        EXPECT_EQ(ops, (std::vector<Op>{Op::Clear, Op::Copy, Op::DrawColor, Op::FillRect, Op::FillRect}))
            << "frame " << n;
        EXPECT_EQ(frames[n].polls, 1u) << "frame " << n;
        const auto& clear = frames[n].draws[0];
        EXPECT_EQ(clear.draw_colour.r + clear.draw_colour.g + clear.draw_colour.b, 0);
    }
}

TEST_F(DemoTest, RabbitPausesAndPoseDelays) {
    harness::run(rabbit_scene);
    std::vector<int> delays;
    for (const auto& c : harness::log()) {
        if (c.op == Op::Delay) {
            delays.push_back(c.v[0]);
        }
    }
    std::vector<int> expected = {500};
    for (int i = 0; i < WALK_FRAMES; ++i) {
        if (i == POSE_ITERATION) {
            expected.insert(expected.end(), {500, 500, 250, 500, 500});  // then no pacing wait
        } else {
            expected.push_back(17);
        }
    }
    expected.insert(expected.end(), RUN_FRAMES, 17);
    expected.push_back(500);
    EXPECT_EQ(delays, expected);

    // The pose: present, then four fixed-delay frames, and no poll until the next iteration.
    std::vector<Op> pose;
    const auto& log = harness::log();
    size_t i = 0;
    for (int presents = 0; presents <= POSE_ITERATION; ++i) {
        presents += log[i].op == Op::Present;
    }
    for (; log[i].op != Op::Poll; ++i) {
        pose.push_back(log[i].op);
    }
    EXPECT_EQ(pose, (std::vector<Op>{Op::Delay, Op::Present, Op::Delay, Op::Present, Op::Delay,
                                     Op::Present, Op::Delay, Op::Present, Op::Delay}));
}

TEST_F(DemoTest, EscapeDuringThePoseIsReadAtTheNextPoll) {
    // The walk starts 500 ms in; the pose iteration's time stamp is 38 frames of 17 ms later.
    const uint32_t pose_start = harness::now_ms() + 500 + POSE_ITERATION * 17;
    harness::queue_event_at_time(pose_start + 100, harness::key_down(SDLK_ESCAPE));
    EXPECT_EQ(harness::run(rabbit_scene), 0);
    EXPECT_EQ(harness::poll_count(), size_t(POSE_ITERATION + 2));
    EXPECT_EQ(harness::frames().size(), size_t(POSE_ITERATION + 1 + POSE_FRAMES));
    EXPECT_GE(harness::now_ms(), pose_start + 2250);
}

TEST_F(DemoTest, BothRabbitRunsAreIdentical) {
    harness::run(rabbit_scene);
    const auto first = sprites();
    const auto first_log = harness::log().size();
    const uint32_t first_ms = harness::now_ms();
    harness::clear_logs();
    harness::run(rabbit_scene);
    EXPECT_EQ(sprites(), first);
    EXPECT_EQ(harness::log().size(), first_log + 2) << "the same calls, plus releasing the first sheet";
    EXPECT_EQ(harness::now_ms() - first_ms, first_ms - 3000);
    // The second load replaced the first sheet: one surface and one texture alive.
    EXPECT_EQ(harness::alive_surfaces(), 1);
    EXPECT_EQ(harness::alive_textures(), 1);
    EXPECT_TRUE(harness::misuse().empty());
}

TEST_F(DemoTest, MissingOrBrokenRabbitSheetKeepsTheFullLengthOnBlack) {
    for (const bool broken : {false, true}) {
        harness::clear_logs();
        const uint32_t start = harness::now_ms();
        {
            ScopedDataDir data(broken ? std::vector<std::string>{} : std::vector<std::string>{"gfx/rabbit.bmp"},
                               broken ? std::vector<std::pair<std::string, std::string>>{
                                            {"gfx/rabbit.bmp", "BM this is not a bitmap"}}
                                      : std::vector<std::pair<std::string, std::string>>{});
            harness::run(rabbit_scene);
        }
        EXPECT_EQ(image, nullptr);
        EXPECT_EQ(texture, nullptr);
        EXPECT_EQ(harness::frames().size(), size_t(WALK_FRAMES + POSE_FRAMES + RUN_FRAMES));
        EXPECT_EQ(harness::now_ms() - start, 500u + 113 * 17 + 2250 + RUN_FRAMES * 17 + 500);
    }
}

TEST_F(DemoTest, RabbitIsCopiedOpaqueAndTheLetterboxStaysBlack) {
    ScreenCapture screen;
    std::vector<SDL_Color> samples;
    harness::on_present([&](const harness::Frame& f) {
        if (harness::frames().size() == 31) {  // x = 680, before the pose: the sprite spans 680..979
            (void)f;
            samples = {screen.pixel(830, 200), screen.pixel(679, 200), screen.pixel(830, 179)};
        }
    });
    harness::run(rabbit_scene);
    harness::on_present(nullptr);
    ASSERT_EQ(samples.size(), 3u);
    // Inside the cell the sheet's own pixel shows, whatever it is; around it the clear's black.
    SDL_Surface* sheet = SDL_LoadBMP("gfx/rabbit.bmp");
    ASSERT_NE(sheet, nullptr);
    SDL_Surface* rgb = SDL_ConvertSurfaceFormat(sheet, SDL_PIXELFORMAT_ARGB8888, 0);
    const Uint32 p = static_cast<const Uint32*>(rgb->pixels)[(20 + 20) * rgb->pitch / 4 + 30 + 150];
    EXPECT_EQ(samples[0].r, Uint8(p >> 16));
    EXPECT_EQ(samples[0].g, Uint8(p >> 8));
    EXPECT_EQ(samples[0].b, Uint8(p));
    SDL_FreeSurface(rgb);
    SDL_FreeSurface(sheet);
    for (const SDL_Color& c : {samples[1], samples[2]}) {
        EXPECT_EQ(c.r + c.g + c.b, 0);
    }
}

// Start-up, quit poll, shutdown order, pacing, letterbox and the program directory.
#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "harness.h"
#include "runtime.h"
#include "timeline.h"
#include "virtual_clock.h"

using harness::Op;

namespace {

std::vector<Op> ops_of(const std::vector<harness::Call>& calls) {
    std::vector<Op> ops;
    for (const auto& c : calls) {
        ops.push_back(c.op);
    }
    return ops;
}

// A short silent WAV the music calls can load like any tune.
void write_silent_wav(const char* path) {
    const uint32_t data_bytes = 4410 * 4;
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4);
    u32(36 + data_bytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(2);
    u32(44100);
    u32(44100 * 4);
    u16(4);
    u16(16);
    out.write("data", 4);
    u32(data_bytes);
    out << std::string(data_bytes, '\0');
}

}  // namespace

TEST(Pacing, TopsUpShortFramesTo17msAndLeavesLongOnesAlone) {
    struct Case {
        int32_t took_ms;     // -1: the ticks went backwards, a huge unsigned difference
        int expected_delay;  // -1: no wait at all
    };
    const Case cases[] = {
        {0, 17},
        {16, 1},
        {17, -1},  // exactly the budget
        {40, -1},  // a slow frame is not caught up
        {-1, -1},
    };
    for (const Case& c : cases) {
        harness::reset();
        headless::advance_clock(1000);
        const uint32_t t0 = stamp_frame();
        if (c.took_ms >= 0) {
            headless::advance_clock(static_cast<uint32_t>(c.took_ms));
        } else {
            harness::script_ticks({t0 - 1});
        }
        pace_frame(t0);
        const auto delays = harness::calls(Op::Delay);
        if (c.expected_delay < 0) {
            EXPECT_TRUE(delays.empty()) << "frame of " << c.took_ms << " ms";
        } else {
            ASSERT_EQ(delays.size(), 1u);
            EXPECT_EQ(delays[0].v[0], c.expected_delay) << "frame of " << c.took_ms << " ms";
        }
    }
}

TEST_F(DemoTest, LateWaitsAreMadeUpButASlowFrameIsNot) {
    // Every wait oversleeps by 0.3 ms, as SDL_Delay does on Linux, and more.
    headless::oversleep_us(300);
    const auto paced_frames = [](int n) {
        for (int i = 0; i < n; ++i) {
            end_frame(begin_frame());
        }
    };
    uint32_t start = harness::now_ms();
    paced_frames(1000);
    EXPECT_NEAR(harness::now_ms() - start, 17000, 1);

    start = harness::now_ms();
    const uint32_t t0 = begin_frame();
    headless::advance_clock(25);
    end_frame(t0);
    paced_frames(100);
    EXPECT_NEAR(harness::now_ms() - start, 25 + 100 * 17, 1);
}

TEST_F(DemoTest, HoldsMeetTheMusicWhereItIsHeard) {
    struct Case {
        uint32_t ahead_ms;        // real time gone by that the score did not count
        int32_t latency_ms;       // what is heard lags the music's start by this much
        int32_t expected_hold_ms;
    };
    const Case cases[] = {
        {0, 0, 1000},     // the virtual clock: the score's own time
        {300, 0, 700},    // the picture is late: shorten the hold
        {1500, 0, 0},     // far too late: no hold at all, and no more
        {0, 300, 1300},   // the music is heard late: hold longer
        {0, 1500, 2000},  // at most twice the hold
    };
    for (const Case& c : cases) {
        start_music("sfx/no-such-tune.mp3", -1);
        headless::advance_clock(c.ahead_ms);
        audio_latency_ms = c.latency_ms;
        harness::clear_logs();
        const uint32_t score_before = score_ms();
        hold_ms(1000);
        audio_latency_ms = 0;
        const auto delays = harness::calls(Op::Delay);
        ASSERT_EQ(delays.size(), 1u);
        EXPECT_EQ(delays[0].v[0], c.expected_hold_ms) << c.ahead_ms << " ms ahead, " << c.latency_ms << " ms late";
        EXPECT_EQ(score_ms() - score_before, 1000u) << "the score counts the hold as written";
        stop_music();
    }
}

TEST_F(DemoTest, TheScoresClockIsTheVirtualClockAtEveryPresent) {
    harness::keep_draws(false);
    harness::draw_for_real(false);
    harness::stand_in_textures(true);
    uint64_t presents = 0;
    harness::on_present([&](const harness::Frame&) {
        ++presents;
        ASSERT_EQ(score_ms(), harness::now_ms()) << "present " << presents;
    });
    EXPECT_EQ(harness::run(timeline_cycle), -1);
    harness::on_present(nullptr);
    EXPECT_EQ(presents, 12542u);
}

TEST(Startup, OpensTheWindowAndRendererThenWaitsThreeSeconds) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_RENDER_DRIVER", "software", 1);
    harness::reset();
    ASSERT_EQ(harness::run(startup), -1);

    const auto& log = harness::log();
    EXPECT_EQ(ops_of(log), (std::vector<Op>{Op::Init, Op::CreateWindow, Op::SetDisplayMode,
                                            Op::CreateRenderer, Op::ShowCursor, Op::Delay}));
    EXPECT_EQ(log[0].v[0], 0x31);
    EXPECT_STREQ(log[1].name, "VELTRONAQUIS");
    EXPECT_EQ(std::vector<int>(log[1].v, log[1].v + 5),
              (std::vector<int>{0x1FFF0000, 0x1FFF0000, 1280, 720, 1}));
    EXPECT_EQ(std::vector<int>(log[2].v, log[2].v + 5), (std::vector<int>{0, 1280, 720, 0, 0}));
    EXPECT_EQ(log[3].v[0], -1);
    EXPECT_EQ(log[3].v[1], 6);
    EXPECT_EQ(log[4].v[0], 0);
    EXPECT_EQ(log[5].v[0], 3000);
    ASSERT_NE(renderer, nullptr) << "the software renderer should serve the tests";

    // The draw colour is set black between the renderer and the cursor.
    const auto& draws = harness::current_frame().draws;
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].op, Op::DrawColor);
    EXPECT_GT(draws[0].seq, log[3].seq);
    EXPECT_LT(draws[0].seq, log[4].seq);
    EXPECT_EQ(draws[0].draw_colour.r + draws[0].draw_colour.g + draws[0].draw_colour.b +
                  draws[0].draw_colour.a,
              0);
    harness::run(end);
}

TEST(Startup, FailureToStartSdlIsLoggedAndExitsWithStatus1) {
    setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
    harness::reset();
    EXPECT_EQ(harness::run(startup), 1);
    const auto errors = harness::calls(Op::LogError);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].v[0], SDL_LOG_CATEGORY_APPLICATION);
    EXPECT_STREQ(errors[0].name, "Couldn't initialize SDL2 : %s\n");
    EXPECT_TRUE(harness::calls(Op::CreateWindow).empty());
    EXPECT_TRUE(harness::calls(Op::CreateRenderer).empty());
    EXPECT_EQ(window, nullptr);
    setenv("SDL_VIDEODRIVER", "dummy", 1);
}

TEST(Startup, NoWindowOrNoRendererIsLoggedAndExitsWithStatus1) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    harness::reset();
    harness::fail_window(true);
    EXPECT_EQ(harness::run(startup), 1);
    harness::fail_window(false);
    auto errors = harness::calls(Op::LogError);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_STREQ(errors[0].name, "Couldn't create the window : %s\n");
    EXPECT_TRUE(harness::calls(Op::CreateRenderer).empty());
    EXPECT_EQ(harness::calls(Op::Quit).size(), 1u);

    // The dummy video driver has no accelerated renderer to offer.
    unsetenv("SDL_RENDER_DRIVER");
    harness::reset();
    EXPECT_EQ(harness::run(startup), 1);
    setenv("SDL_RENDER_DRIVER", "software", 1);
    errors = harness::calls(Op::LogError);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_STREQ(errors[0].name, "Couldn't create the renderer : %s\n");
    EXPECT_EQ(ops_of(harness::log()), (std::vector<Op>{Op::Init, Op::CreateWindow, Op::SetDisplayMode,
                                                       Op::CreateRenderer, Op::LogError, Op::DestroyWindow,
                                                       Op::Quit, Op::Exit}));
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(renderer, nullptr);
}

TEST_F(DemoTest, LetterboxCoversRightAndBottomInBlack) {
    black_rectangles();
    const auto& draws = harness::current_frame().draws;
    ASSERT_EQ(draws.size(), 3u);
    EXPECT_EQ(draws[0].op, Op::DrawColor);
    EXPECT_EQ(draws[0].draw_colour.r + draws[0].draw_colour.a, 0);
    const SDL_Rect right = draws[1].dst;
    const SDL_Rect bottom = draws[2].dst;
    EXPECT_EQ(std::vector<int>({right.x, right.y, right.w, right.h}),
              (std::vector<int>{1280, 0, 4000, 720}));
    EXPECT_EQ(std::vector<int>({bottom.x, bottom.y, bottom.w, bottom.h}),
              (std::vector<int>{0, 720, 5280, 4000}));
}

TEST_F(DemoTest, EndReleasesEveryHandleInOrderThenExitsZero) {
    write_silent_wav("quit_test_tune.wav");
    replace_surface(fonts, "gfx/rabbit.bmp");
    replace_surface(image, "gfx/rabbit.bmp");
    replace_texture(image);
    start_music("quit_test_tune.wav", -1);
    std::remove("quit_test_tune.wav");
    ASSERT_NE(music, nullptr);
    ASSERT_NE(texture, nullptr);
    harness::clear_logs();

    harness::queue_event_at_poll(0, harness::key_down(SDLK_ESCAPE));
    EXPECT_EQ(harness::run(quit_event), 0);
    std::vector<Op> released;
    for (const auto& c : harness::log()) {
        if (c.op != Op::Poll) {
            released.push_back(c.op);
        }
    }
    EXPECT_EQ(released, (std::vector<Op>{Op::FreeMusic, Op::CloseAudio, Op::DestroyTexture,
                                         Op::FreeSurface, Op::FreeSurface, Op::DestroyRenderer,
                                         Op::DestroyWindow, Op::Quit, Op::Exit}));
    const auto frees = harness::calls(Op::FreeSurface);
    EXPECT_NE(frees[0].handle, frees[1].handle);
    EXPECT_EQ(harness::alive_surfaces() + harness::alive_textures() + harness::alive_music(), 0);
    EXPECT_TRUE(harness::misuse().empty());
}

TEST_F(DemoTest, EscapeAndEveryMouseButtonQuit) {
    const SDL_Event quitting[] = {harness::key_down(SDLK_ESCAPE), harness::mouse_down(SDL_BUTTON_LEFT),
                                  harness::mouse_down(SDL_BUTTON_MIDDLE),
                                  harness::mouse_down(SDL_BUTTON_RIGHT),
                                  harness::mouse_down(SDL_BUTTON_X1), harness::mouse_down(SDL_BUTTON_X2)};
    for (const SDL_Event& e : quitting) {
        harness::reset();
        harness::run(startup);
        harness::queue_event_at_poll(0, e);
        EXPECT_EQ(harness::run(quit_event), 0) << "event type " << e.type;
    }
}

TEST_F(DemoTest, OtherInputAndTheCloseRequestAreIgnored) {
    const SDL_Event ignored[] = {harness::key_down(SDLK_a),          harness::key_down(SDLK_SPACE),
                                 harness::key_up(SDLK_ESCAPE),       harness::mouse_up(SDL_BUTTON_LEFT),
                                 harness::mouse_motion(),            harness::window_close()};
    for (const SDL_Event& e : ignored) {
        harness::queue_event_at_poll(0, e);
    }
    for (size_t i = 0; i < std::size(ignored) + 2; ++i) {
        EXPECT_EQ(harness::run(quit_event), -1) << "poll " << i;
    }
    EXPECT_EQ(harness::poll_count(), std::size(ignored) + 2);
}

TEST_F(DemoTest, EachPollTakesOneEventSoQueuedEscapeWaitsItsTurn) {
    constexpr int queued_before = 4;
    for (int i = 0; i < queued_before; ++i) {
        harness::queue_event_at_poll(0, harness::mouse_motion());
    }
    harness::queue_event_at_poll(0, harness::key_down(SDLK_ESCAPE));
    int polls_survived = 0;
    while (harness::run(quit_event) == -1) {
        ++polls_survived;
        ASSERT_LT(polls_survived, 10);
    }
    EXPECT_EQ(polls_survived, queued_before);
}

TEST_F(DemoTest, MainStartsOnceAndLoopsTheTimelineWithoutTheStartupWait) {
    harness::run(end);
    harness::reset();
    harness::keep_draws(false);
    harness::draw_for_real(false);
    harness::stand_in_textures(true);
    // Count one cycle's polls, then quit a few polls into the second cycle.
    harness::run(startup);
    harness::run(timeline_cycle);
    const uint64_t polls_per_cycle = harness::poll_count();
    ASSERT_GT(polls_per_cycle, 0u);
    harness::run(end);

    harness::reset();
    harness::keep_draws(false);
    harness::draw_for_real(false);
    harness::stand_in_textures(true);
    harness::queue_event_at_poll(polls_per_cycle + 3, harness::key_down(SDLK_ESCAPE));
    char* data_dir = getcwd(nullptr, 0);
    EXPECT_EQ(harness::run(run_demo), 0);
    // The demo moved to the test program's own directory; the other tests need the data.
    ASSERT_EQ(chdir(data_dir), 0);
    free(data_dir);
    EXPECT_EQ(harness::calls(Op::Init).size(), 1u);
    EXPECT_EQ(harness::calls(Op::CreateWindow).size(), 1u);
    int startup_waits = 0;
    for (const auto& d : harness::calls(Op::Delay)) {
        startup_waits += d.v[0] == 3000;
    }
    EXPECT_EQ(startup_waits, 1);
    EXPECT_EQ(harness::poll_count(), polls_per_cycle + 4);
}

TEST(ProgramDirectory, DataIsFoundFromAnyStartingDirectory) {
    char* before = getcwd(nullptr, 0);
    ASSERT_EQ(chdir("/"), 0);
    enter_program_directory();
    char* base = SDL_GetBasePath();
    char* here = getcwd(nullptr, 0);
    EXPECT_EQ(std::string(here) + "/", std::string(base));
    SDL_free(base);
    free(here);
    ASSERT_EQ(chdir(before), 0);
    free(before);
}

// Plays one cycle of the timeline on the virtual clock and saves chosen frames as PNG
// pictures (into $VELTRONAQUIS_SCREENSHOTS, default docs/screenshots). Only the chosen
// frames are really drawn, so the cycle runs in seconds. With $VELTRONAQUIS_PRESENTS, it
// saves the pictures of those presents instead, for comparison with another build.
#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "harness.h"
#include "runtime.h"
#include "timeline.h"

namespace {

struct Shot {
    const char* scene;  // name in the timeline
    int frame;          // presented frame of that scene, from 0
    const char* file;
};
constexpr Shot SHOTS[] = {
    {"countdown", 40, "countdown.png"},
    {"intro lines", 72, "intro_lines.png"},
    {"title", 70, "title_zoom.png"},
    {"title", 109, "title.png"},
    {"rabbit", 30, "rabbit_walk.png"},
    {"rabbit", 40, "rabbit_blink.png"},
    {"butterfly", 300, "butterfly.png"},
    {"caption card 1", 50, "caption_card.png"},
    {"turning butterfly", 420, "turning_butterfly.png"},
    {"five butterflies", 300, "five_butterflies.png"},
    {"still picture", 0, "still_picture.png"},
    {"beam fan", 331, "beam_fan.png"},
    {"sphere drop", 380, "sphere_drop.png"},
    {"sphere figure", 600, "sphere_figure.png"},
    {"credits", 700, "credits.png"},
    {"closing fade", 200, "closing_fade.png"},
};

bool is_shot(int step, int frame) {
    for (const Shot& s : SHOTS) {
        if (std::strcmp(s.scene, TIMELINE[step].name) == 0 && s.frame == frame) {
            return true;
        }
    }
    return false;
}

const Shot* shot_at(int step, int frame) {
    for (const Shot& s : SHOTS) {
        if (std::strcmp(s.scene, TIMELINE[step].name) == 0 && s.frame == frame) {
            return &s;
        }
    }
    return nullptr;
}

void save_screen(const ScreenCapture& screen, const std::string& path) {
    SDL_Surface* shot = SDL_CreateRGBSurfaceWithFormat(0, SCREEN_WIDTH, SCREEN_HEIGHT, 32, SDL_PIXELFORMAT_RGB888);
    if (screen.read(SDL_PIXELFORMAT_RGB888, shot->pixels, shot->pitch)) {
        IMG_SavePNG(shot, path.c_str());
    } else {
        ADD_FAILURE() << "cannot read the frame for " << path << ": " << SDL_GetError();
    }
    SDL_FreeSurface(shot);
}

// Drawing for real starts with the frame before a shot; the colour the skipped frames left
// in the renderer is then set as the scene expects it after the letterbox, black.
void draw_next_frame(bool real) {
    harness::draw_for_real(real);
    if (real) {
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, 0);
    }
}

}  // namespace

class Screenshots : public DemoTest {};

TEST_F(Screenshots, OneCycle) {
    const char* dir = std::getenv("VELTRONAQUIS_SCREENSHOTS");
    const std::string out = dir != nullptr ? dir : "docs/screenshots";
    std::filesystem::create_directories(out);
    ScreenCapture screen;
    harness::keep_draws(false);
    int step = 0, frame = 0, taken = 0;
    harness::on_present([&](const harness::Frame&) {
        if (const Shot* s = shot_at(step, frame)) {
            save_screen(screen, out + "/" + s->file);
            std::printf("%s: %s frame %d at %u ms\n", s->file, s->scene, frame, harness::now_ms());
            ++taken;
        }
        ++frame;
        draw_next_frame(is_shot(step, frame));
    });
    harness::run([&] {
        for (step = 0; step < TIMELINE_STEPS; ++step) {
            frame = 0;
            draw_next_frame(is_shot(step, 0));
            TIMELINE[step].play();
            std::printf("%-18s %5d frames\n", TIMELINE[step].name, frame);
        }
    });
    harness::on_present(nullptr);
    harness::draw_for_real(true);
    std::printf("%d of %zu screenshots in %s (scenes without frames yet give none)\n", taken, std::size(SHOTS),
                out.c_str());
    EXPECT_GT(taken, 0);
}

// VELTRONAQUIS_PRESENTS="40 300" saves the picture after the 40th and the 300th present from
// start-up as frame-40.png and frame-300.png, every frame drawn, then quits with Escape.
TEST_F(Screenshots, ChosenPresents) {
    const char* list = std::getenv("VELTRONAQUIS_PRESENTS");
    const char* dir = std::getenv("VELTRONAQUIS_SCREENSHOTS");
    if (list == nullptr || dir == nullptr) {
        GTEST_SKIP() << "set VELTRONAQUIS_PRESENTS and VELTRONAQUIS_SCREENSHOTS";
    }
    std::vector<int> wanted;
    std::istringstream numbers(list);
    for (int n = 0; numbers >> n;) {
        wanted.push_back(n);
    }
    ASSERT_FALSE(wanted.empty()) << "no present numbers in '" << list << "'";
    std::filesystem::create_directories(dir);
    ScreenCapture screen;
    harness::keep_draws(false);
    int presents = 0;
    size_t saved = 0;
    harness::on_present([&](const harness::Frame&) {
        ++presents;
        if (std::find(wanted.begin(), wanted.end(), presents) == wanted.end()) {
            return;
        }
        save_screen(screen, std::string(dir) + "/frame-" + std::to_string(presents) + ".png");
        if (++saved == wanted.size()) {
            harness::queue_event_at_poll(harness::poll_count(), harness::key_down(SDLK_ESCAPE));
        }
    });
    EXPECT_EQ(harness::run([] {
        for (;;) {
            timeline_cycle();
        }
    }), 0);
    harness::on_present(nullptr);
    EXPECT_EQ(saved, wanted.size());
}

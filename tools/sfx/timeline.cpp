// Plays one cycle of the timeline on the virtual clock and prints the moments the main tune
// is scored to, in milliseconds from the tune's Mix_PlayMusic: the first present of every
// scene it plays under, the picture's big moments inside scenes, and the closing fade's
// last volume step and audio close. tools/sfx/generate reads this; so does the sync test.
//
//   veltronaquis_timeline            one line per moment: "MS<tab>KIND<tab>NAME"
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "harness.h"
#include "runtime.h"
#include "timeline.h"

namespace {

using Draws = std::vector<harness::Call>;

bool any_copy(const Draws& draws, const std::function<bool(const harness::Call&)>& wanted) {
    for (const harness::Call& c : draws) {
        if ((c.op == harness::Op::Copy || c.op == harness::Op::CopyEx) && c.has_dst && wanted(c)) {
            return true;
        }
    }
    return false;
}

bool is_rect(const SDL_Rect& r, int x, int y, int w, int h) {
    return r.x == x && r.y == y && r.w == w && r.h == h;
}

// Twelve spheres in six coinciding pairs, turned off the vertical: the V closed to a column
// while it spins, which it is once at the start of every opening.
bool closed_v(const Draws& d) {
    std::vector<std::pair<int, int>> spheres;
    bool turned = false;
    for (const harness::Call& c : d) {
        if ((c.op == harness::Op::Copy || c.op == harness::Op::CopyEx) && c.dst.w == 80) {
            spheres.emplace_back(c.dst.x, c.dst.y);
            turned = turned || c.dst.x != 600;
        }
    }
    std::sort(spheres.begin(), spheres.end());
    if (spheres.size() != 12 || !turned) {
        return false;
    }
    for (size_t i = 0; i < spheres.size(); i += 2) {
        if (spheres[i] != spheres[i + 1]) {
            return false;
        }
    }
    return true;
}

// The rabbit's standing cell, 71 pixels left of the walk and not lowered for the blink.
bool rabbit_stands(const Draws& d) {
    return any_copy(d, [](const harness::Call& c) { return c.src.x == 350 && c.src.y == 20 && c.dst.x == 449; });
}

// A moment inside a scene: the `nth` present of that scene whose draws show it.
struct Hit {
    const char* scene;  // name in the timeline
    const char* name;
    int nth;
    bool (*shows)(const Draws&);
};
const Hit HITS[] = {
    // The zoom gives way to the whole title at rest.
    {"title", "title at full size", 1,
     [](const Draws& d) { return any_copy(d, [](const harness::Call& c) { return is_rect(c.dst, 0, 254, 106, 213); }); }},
    // The rabbit stands still facing us, blinks, and stands again: its eyes open.
    {"rabbit", "rabbit opens its eyes", 2, rabbit_stands},
    // The picture starts to fold into the centre line.
    {"still picture", "picture squashes", 1,
     [](const Draws& d) { return any_copy(d, [](const harness::Call& c) { return c.dst.w == 1280 && c.dst.y > 0; }); }},
    // The column of spheres first opens into the turning V, and later, at its seventh opening,
    // starts drifting out on its spiral.
    {"sphere drop", "V opens", 1, closed_v},
    {"sphere drop", "figure drifts outward", 7, closed_v},
    // The figure is grown and starts to flap its wings.
    {"sphere figure", "wings start flapping", 1,
     [](const Draws& d) { return any_copy(d, [](const harness::Call& c) { return c.dst.w == 60; }); }},
    // The rabbit has risen to the top and blinks.
    {"closing fade", "rabbit blinks", 1,
     [](const Draws& d) { return any_copy(d, [](const harness::Call& c) { return c.src.y == 370; }); }},
};

struct Moment {
    uint32_t ms;  // virtual clock
    const char* kind;
    std::string name;
};

bool wants_draws(const char* scene) {
    for (const Hit& h : HITS) {
        if (std::strcmp(h.scene, scene) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

class Timeline : public DemoTest {};

TEST_F(Timeline, Moments) {
    harness::draw_for_real(false);
    harness::stand_in_textures(true);
    std::vector<Moment> moments;
    int step = 0;
    bool first_present = false;
    std::vector<int> seen(std::size(HITS), 0);
    harness::on_present([&](const harness::Frame& frame) {
        const char* scene = TIMELINE[step].name;
        if (first_present) {
            moments.push_back({harness::now_ms(), "scene", scene});
            first_present = false;
        }
        for (size_t h = 0; h < std::size(HITS); ++h) {
            if (seen[h] < HITS[h].nth && std::strcmp(HITS[h].scene, scene) == 0 && HITS[h].shows(frame.draws) &&
                ++seen[h] == HITS[h].nth) {
                moments.push_back({harness::now_ms(), "hit", HITS[h].name});
            }
        }
    });
    ASSERT_EQ(harness::run([&] {
        for (step = 0; step < TIMELINE_STEPS; ++step) {
            harness::keep_draws(wants_draws(TIMELINE[step].name));
            first_present = true;
            TIMELINE[step].play();
            // Only the music calls of the log are needed later: the draws go.
            harness::keep_draws(false);
        }
    }), -1);
    harness::on_present(nullptr);

    // The tune starts where the intro lines play it, looping; the countdown plays its samples once.
    uint32_t tune_ms = 0;
    bool tune_found = false;
    for (const harness::Call& c : harness::calls(harness::Op::PlayMusic)) {
        if (c.v[0] == -1) {
            tune_ms = c.time_ms;
            tune_found = true;
        }
    }
    ASSERT_TRUE(tune_found) << "the tune was never played";
    for (const harness::Call& c : harness::calls(harness::Op::VolumeMusic)) {
        if (c.v[0] == 0) {
            moments.push_back({c.time_ms, "fade", "volume reaches 0"});
            break;
        }
    }
    const auto closes = harness::calls(harness::Op::CloseAudio);
    ASSERT_FALSE(closes.empty());
    moments.push_back({closes.back().time_ms, "fade", "audio closes"});

    for (size_t h = 0; h < std::size(HITS); ++h) {
        EXPECT_EQ(seen[h], HITS[h].nth) << HITS[h].name << " never showed";
    }
    std::stable_sort(moments.begin(), moments.end(), [](const Moment& a, const Moment& b) { return a.ms < b.ms; });
    for (const Moment& m : moments) {
        if (m.ms >= tune_ms) {
            std::printf("%u\t%s\t%s\n", m.ms - tune_ms, m.kind, m.name.c_str());
        }
    }
}

// One whole cycle of the timeline: every scene in its place with its frame count, and the
// second cycle played exactly like the first.
#include <SDL.h>

#include <string>
#include <vector>

#include "harness.h"
#include "runtime.h"
#include "timeline.h"

namespace {

struct SceneLength {
    const char* name;
    size_t presents;  // frames shown, fixed-delay and still frames included
};

constexpr SceneLength CYCLE[] = {
    {"countdown", 4 * 57},
    {"intro lines", 73 + 96 + 82 + 82},
    {"title", 109 + 1 + 30},
    {"rabbit", 114 + 4 + 59},
    {"butterfly", 630},
    {"caption card 1", 51 + 60},
    {"turning butterfly", 725},
    {"caption card 2", 51 + 60},
    {"five butterflies", 755},
    {"caption card 3", 51 + 60},
    {"still picture", 1 + 121},
    {"rabbit again", 114 + 4 + 59},
    {"beam fan", 181 + 4 * 181 + 181},
    {"caption card 4", 51 + 60},
    {"sphere drop", 25 + 51 + 20 * (51 + 50)},
    {"sphere figure", 201 + 80 * (15 + 14)},
    {"credits", 2788},
    {"closing fade", 318 + 2},
};
static_assert(std::size(CYCLE) == TIMELINE_STEPS);

struct Played {
    size_t presents;
    uint32_t duration_ms;
    uint64_t polls;
};

std::vector<Played> play_cycle_step_by_step() {
    std::vector<Played> out;
    for (const TimelineStep& step : TIMELINE) {
        const size_t presents = harness::frames().size();
        const uint32_t start = harness::now_ms();
        const uint64_t polls = harness::poll_count();
        EXPECT_EQ(harness::run(step.play), -1) << step.name;
        out.push_back({harness::frames().size() - presents, harness::now_ms() - start,
                       harness::poll_count() - polls});
    }
    return out;
}

}  // namespace

TEST_F(DemoTest, EveryScenePlaysInItsPlaceWithItsFrameCountAndTheSecondCycleIsTheSame) {
    harness::keep_draws(false);
    harness::draw_for_real(false);
    harness::stand_in_textures(true);
    const auto first = play_cycle_step_by_step();
    const auto second = play_cycle_step_by_step();
    uint32_t cycle_ms = 0;
    for (int n = 0; n < TIMELINE_STEPS; ++n) {
        EXPECT_STREQ(TIMELINE[n].name, CYCLE[n].name);
        EXPECT_EQ(first[n].presents, CYCLE[n].presents) << TIMELINE[n].name;
        EXPECT_EQ(second[n].presents, first[n].presents) << TIMELINE[n].name;
        EXPECT_EQ(second[n].duration_ms, first[n].duration_ms) << TIMELINE[n].name;
        EXPECT_EQ(second[n].polls, first[n].polls) << TIMELINE[n].name;
        cycle_ms += first[n].duration_ms;
    }
    EXPECT_EQ(cycle_ms, CYCLE_MS) << "the cycle's length in timeline.h";
    EXPECT_TRUE(harness::misuse().empty());
}

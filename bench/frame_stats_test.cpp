// Frame-time statistics: median, nearest-rank 99th percentile and maximum.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "frame_stats.h"

namespace {

std::vector<double> one_to(int n) {
    std::vector<double> v(static_cast<size_t>(n));
    std::iota(v.rbegin(), v.rend(), 1.0);  // descending, so the summary has to sort
    return v;
}

TEST(FrameStats, MedianPercentileAndMaximum) {
    struct Case {
        const char* what;
        std::vector<double> frame_ms;
        size_t frames;
        double median_ms, p99_ms, max_ms;
    };
    const Case cases[] = {
        {"no frames", {}, 0, 0.0, 0.0, 0.0},
        {"one frame", {2.5}, 1, 2.5, 2.5, 2.5},
        {"even count: mean of the middle two", {4.0, 1.0, 3.0, 2.0}, 4, 2.5, 4.0, 4.0},
        {"odd count", {9.0, 1.0, 5.0}, 3, 5.0, 9.0, 9.0},
        {"100 frames: the 99th is the second slowest", one_to(100), 100, 50.5, 99.0, 100.0},
        {"101 frames: rank 100", one_to(101), 101, 51.0, 100.0, 101.0},
        {"600 frames: rank 594", one_to(600), 600, 300.5, 594.0, 600.0},
        {"one slow frame in 99 is the p99", [] {
             std::vector<double> v(98, 1.0);
             v.push_back(30.0);
             return v;
         }(), 99, 1.0, 30.0, 30.0},
    };
    for (const Case& c : cases) {
        const bench::FrameSummary s = bench::summarise(c.frame_ms);
        EXPECT_EQ(s.frames, c.frames) << c.what;
        EXPECT_DOUBLE_EQ(s.median_ms, c.median_ms) << c.what;
        EXPECT_DOUBLE_EQ(s.p99_ms, c.p99_ms) << c.what;
        EXPECT_DOUBLE_EQ(s.max_ms, c.max_ms) << c.what;
    }
}

}  // namespace

// Frame-time statistics and the report table of the benchmark.
#include "frame_stats.h"

#include <algorithm>

namespace bench {

FrameSummary summarise(std::vector<double> frame_ms) {
    FrameSummary s;
    s.frames = frame_ms.size();
    if (frame_ms.empty()) {
        return s;
    }
    std::sort(frame_ms.begin(), frame_ms.end());
    const size_t n = frame_ms.size();
    s.median_ms = n % 2 == 1 ? frame_ms[n / 2] : (frame_ms[n / 2 - 1] + frame_ms[n / 2]) / 2.0;
    // Rank ceil(0.99 n), in integers so that 100 frames give exactly the 99th.
    const size_t p99_rank = (99 * n + 99) / 100;
    s.p99_ms = frame_ms[p99_rank - 1];
    s.max_ms = frame_ms.back();
    return s;
}

void print_table_head(std::FILE* out) {
    std::fprintf(out, "%-22s %7s %10s %8s %8s %11s\n", "scene", "frames", "median ms", "p99 ms",
                 "max ms", "max/budget");
}

void print_table_row(std::FILE* out, const char* name, const FrameSummary& s, double budget_ms) {
    if (s.frames == 0) {
        std::fprintf(out, "%-22s %7d %10s %8s %8s %11s\n", name, 0, "-", "-", "-", "-");
        return;
    }
    std::fprintf(out, "%-22s %7zu %10.3f %8.3f %8.3f %10.1f%%\n", name, s.frames, s.median_ms,
                 s.p99_ms, s.max_ms, 100.0 * s.max_ms / budget_ms);
}

}  // namespace bench

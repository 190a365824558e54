// Frame-time statistics and the report table of the benchmark.
#pragma once

#include <cstddef>
#include <cstdio>
#include <vector>

namespace bench {

struct FrameSummary {
    size_t frames = 0;
    double median_ms = 0.0;
    double p99_ms = 0.0;  // nearest rank: 99% of the frames took at most this long
    double max_ms = 0.0;
};

FrameSummary summarise(std::vector<double> frame_ms);

// The table's heading and one row; a step without frames shows dashes.
void print_table_head(std::FILE* out);
void print_table_row(std::FILE* out, const char* name, const FrameSummary& s, double budget_ms);

}  // namespace bench

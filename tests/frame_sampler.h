// Keeps the draw calls of a few chosen frames of a long run, and counts for all of them.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "harness.h"

// Frames are numbered from 0 at the sampler's creation. Draws are kept only for the
// wanted frames, so a scene of thousands of frames stays small and fast.
class FrameSampler {
public:
    explicit FrameSampler(std::set<std::size_t> wanted) : wanted_(std::move(wanted)) {
        base_ = harness::frames().size();
        harness::keep_draws(wanted_.count(0) != 0);
        harness::on_present([this](const harness::Frame& f) {
            const std::size_t n = harness::frames().size() - 1 - base_;
            if (wanted_.count(n) != 0) {
                kept_[n] = f.draws;
            }
            counts_.push_back(f);
            counts_.back().draws.clear();
            harness::keep_draws(wanted_.count(n + 1) != 0);
        });
    }
    ~FrameSampler() {
        harness::on_present(nullptr);
        harness::keep_draws(true);
    }
    FrameSampler(const FrameSampler&) = delete;
    FrameSampler& operator=(const FrameSampler&) = delete;

    // The draws of wanted frame `n` (empty if it was never presented).
    const std::vector<harness::Call>& draws(std::size_t n) { return kept_[n]; }
    // Every frame of the run, with its counts but without draws.
    const std::vector<harness::Frame>& frames() const { return counts_; }

private:
    std::set<std::size_t> wanted_;
    std::size_t base_ = 0;
    std::map<std::size_t, std::vector<harness::Call>> kept_;
    std::vector<harness::Frame> counts_;
};

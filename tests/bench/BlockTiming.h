// The worst and the mean thread-CPU time of a step run once per block, over
// a fixed number of blocks.
#pragma once

#include "CpuClock.h"

#include <algorithm>

struct BlockTiming {
    static constexpr int kBlocks = 400;
    double worstMicroseconds = 0.0;
    double meanMicroseconds = 0.0;
};

template <typename Step>
BlockTiming MeasureBlocks(Step step) {
    BlockTiming t;
    double total = 0.0;
    for (int b = 0; b < BlockTiming::kBlocks; ++b) {
        const double start = ThreadCpuSeconds();
        step(b);
        const double us = (ThreadCpuSeconds() - start) * 1e6;
        t.worstMicroseconds = std::max(t.worstMicroseconds, us);
        total += us;
    }
    t.meanMicroseconds = total / BlockTiming::kBlocks;
    return t;
}

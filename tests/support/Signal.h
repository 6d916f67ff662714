// Measures of rendered sound for tests.
#pragma once

#include <cstddef>
#include <vector>

// The frequency of a periodic signal from its rising zero crossings, each
// placed between its two frames; 0 with fewer than two crossings.
inline double ZeroCrossingFrequency(const std::vector<float>& s, size_t from, int rate) {
    double first = -1, last = -1;
    int crossings = 0;
    for (size_t i = from + 1; i < s.size(); ++i) {
        if (s[i - 1] < 0.0f && s[i] >= 0.0f) {
            const double t = static_cast<double>(i - 1) + s[i - 1] / (s[i - 1] - s[i]);
            if (first < 0) first = t;
            last = t;
            ++crossings;
        }
    }
    return crossings > 1 ? (crossings - 1) * static_cast<double>(rate) / (last - first) : 0.0;
}

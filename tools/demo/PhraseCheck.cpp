#include "PhraseCheck.h"

#include "Signal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace demo {

namespace {

std::string Hz(double hz) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f Hz", hz);
    return text;
}

// What is wrong with one channel of a note, or nothing.
std::string ChannelProblem(const char* side, double heard, float peak, double expected) {
    if (peak < kAudible) return std::string("silent on the ") + side;
    if (heard <= 0.0) return std::string("no pitch on the ") + side;
    if (std::fabs(heard - expected) > expected * kPitchTolerance)
        return "heard " + Hz(heard) + " on the " + side + ", not " + Hz(expected);
    return {};
}

float Peak(const std::vector<float>& s) {
    float peak = 0.0f;
    for (float v : s) peak = std::max(peak, std::fabs(v));
    return peak;
}

} // namespace

bool PhraseHeard::Right() const {
    return std::all_of(notes.begin(), notes.end(), [](const NoteHeard& n) { return n.problem.empty(); });
}

std::string PhraseHeard::Summary() const {
    std::string text;
    for (const NoteHeard& n : notes) {
        if (!text.empty()) text += ", ";
        text += KeyName(n.note.key) + " " + (n.problem.empty() ? Hz(n.leftHz) : "(" + n.problem + ")");
    }
    return text;
}

PhraseHeard ListenTo(const Recording& recording, const std::vector<PhraseNote>& phrase) {
    PhraseHeard heard;
    for (const PhraseNote& note : phrase) {
        NoteHeard n;
        n.note = note;
        n.expectedHz = KeyFrequency(note.key);
        const size_t from = static_cast<size_t>(note.onFrame + kSettleSeconds * kRate);
        const size_t to = static_cast<size_t>(note.offFrame);
        if (recording.rate != kRate) {
            n.problem = "recorded at " + std::to_string(recording.rate) + " frames a second, not " +
                        std::to_string(kRate);
        } else if (recording.Frames() < to) {
            n.problem = "missing: the recording ends before it";
        } else {
            const std::vector<float> left(recording.left.begin() + from, recording.left.begin() + to);
            const std::vector<float> right(recording.right.begin() + from, recording.right.begin() + to);
            n.leftHz = ZeroCrossingFrequency(left, 0, kRate);
            n.rightHz = ZeroCrossingFrequency(right, 0, kRate);
            const float leftPeak = Peak(left), rightPeak = Peak(right);
            n.quieterPeak = std::min(leftPeak, rightPeak);
            n.problem = ChannelProblem("left", n.leftHz, leftPeak, n.expectedHz);
            if (n.problem.empty()) n.problem = ChannelProblem("right", n.rightHz, rightPeak, n.expectedHz);
        }
        heard.notes.push_back(n);
    }
    return heard;
}

} // namespace demo

#include "LowPass.h"

#include <cmath>

namespace {

// The lowest cutoff, in radians per sample. The filter's margin at DC,
// 1 + a1 + a2, is about w squared, and the float coefficients and the float
// recursion round by about 1e-7: below this, their rounding moves the gain
// at DC by several per cent (at 3 Hz and 44.1 kHz it gave 0.5 or 2) and can
// put a pole on or outside the unit circle (the curve's lowest steps at
// 88.2 kHz and up). 14 Hz at 44.1 kHz, 61 Hz at 192 kHz: the floor of a
// closed filter.
constexpr double kLowestW = 0.002;

// Q at 0 divides by zero, a negative Q flips the poles outside, and a tiny
// one sets a pole on -1; a huge one puts the poles on the unit circle. The
// editor's knob and the parameters give 0.1 .. 5; a file may hold anything.
constexpr float kLeastQ = 0.1f;
constexpr float kMostQ = 20.0f;

} // namespace

void KLowPass::SetCutoff(float frequency, int sampleRate, float q) {
    // A rate of 0 would give NaN coefficients that poison the state for good.
    if (sampleRate <= 0) return;
    const float resonance = q >= kLeastQ ? (q <= kMostQ ? q : kMostQ) : kLeastQ;
    // At 0 Hz the poles sit on the unit circle with nothing let in: whatever
    // the filter carries from before would drift without bound. A low-pass
    // at 0 Hz passes nothing, so it gives silence (the same output as the
    // unguarded filter from a clean state).
    if (!(frequency > 0.0f)) {
        b0 = b1 = b2 = a1 = a2 = 0.0f;
        return;
    }
    // At or past Nyquist the poles leave the circle (host rates of 22050 and
    // 32000 Hz with the 20000 Hz top of the curve).
    double f = frequency;
    const double nyquistGuard = 0.49 * sampleRate;
    if (f > nyquistGuard) f = nyquistGuard;

    double w = 6.283185307179586 * f / sampleRate;
    if (w < kLowestW) w = kLowestW;
    const double alpha = std::sin(w) / (2.0 * resonance);
    const double cosw = std::cos(w);
    const double n = 1.0 + alpha;
    b0 = static_cast<float>((1.0 - cosw) * 0.5 / n);
    b1 = static_cast<float>((1.0 - cosw) / n);
    b2 = b0;
    a1 = static_cast<float>(-2.0 * cosw / n);
    a2 = static_cast<float>((1.0 - alpha) / n);
}

void KLowPass::Reset() { *this = KLowPass{}; }

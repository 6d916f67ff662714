#include "LowPass.h"

#include <cmath>

void KLowPass::SetCutoff(float frequency, int sampleRate, float q) {
    // A rate of 0 would give NaN coefficients that poison the state for good.
    if (sampleRate <= 0) return;
    // Q at 0 divides by zero and a negative Q flips the poles outside.
    const float resonance = q > 0.0f ? q : 0.1f;
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

    const double w = 6.283185307179586 * f / sampleRate;
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

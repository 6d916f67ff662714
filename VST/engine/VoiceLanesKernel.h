// The voice lanes' kernel, written once over an instruction set V: F holds
// a float of every lane, D a double of half the lanes (the low half, then
// the high half). Each translation unit that includes it compiles it for
// one instruction set (VoiceLanesSse.cpp, VoiceLanesAvx.cpp). Every lane
// does exactly the operations of the frame-by-frame render (VoiceFrame.h).
//
// A run goes through three passes, each over a piece of at most kPiece
// frames: envelopes, then fetching, then the filter. Each pass holds only
// its own state in registers (a 32-bit build has eight of them).
#pragma once

#include "Tables.h"
#include "VoiceFrame.h"
#include "VoiceLanesState.h"

#include <cstdint>

namespace {

#define KORVO_INLINE inline __attribute__((always_inline))

constexpr int kPiece = 64;

template <class V>
struct Kernel {
    using F = typename V::F;
    using D = typename V::D;
    static constexpr int N = V::kLanes;
    static constexpr int H = N / 2;
    using State = KLaneState<N>;

    // Zero: some release may have no release time (only released lanes can).
    template <bool kZero>
    static KORVO_INLINE D Envelope(D e, const double* target, const double* coef, const uint64_t* zero) {
        const D next = V::Add(e, V::Mul(V::Sub(V::LoadD(target), e), V::LoadD(coef)));
        return kZero ? V::AndNot(V::LoadD(reinterpret_cast<const double*>(zero)), next) : next;
    }

    // The bend's fixed step toward its target, landing on it from within
    // one step.
    static KORVO_INLINE D Glide(D bend, const double* target) {
        const D to = V::LoadD(target);
        const D toTarget = V::Sub(to, bend);
        const D up = V::CmpGt(toTarget, V::SetD(VoiceFrame::kBendStep));
        const D down = V::CmpLt(toTarget, V::SetD(-VoiceFrame::kBendStep));
        const D stepping = V::Or(up, down);
        const D stepped = V::Add(bend, V::Or(V::And(up, V::SetD(VoiceFrame::kBendStep)),
                                             V::And(down, V::SetD(-VoiceFrame::kBendStep))));
        return V::Or(V::And(stepping, stepped), V::AndNot(stepping, to));
    }

    // Interpolate4 lane by lane, each lane with its own z.
    static KORVO_INLINE F Interpolate(F z, F y0, F y1, F y2, F y3) {
        const F even1 = V::Add(y1, y2), odd1 = V::Sub(y2, y1);
        const F even2 = V::Add(y0, y3), odd2 = V::Sub(y3, y0);
        const F c0 = V::Add(V::Mul(even1, V::SetF(0.45868970870461956f)), V::Mul(even2, V::SetF(0.04131401926395584f)));
        const F c1 = V::Add(V::Mul(odd1, V::SetF(0.4806802476657843f)), V::Mul(odd2, V::SetF(0.17577925564495955f)));
        const F c2 = V::Add(V::Mul(even1, V::SetF(-0.2461850070199071f)), V::Mul(even2, V::SetF(0.24614027139700284f)));
        const F c3 = V::Add(V::Mul(odd1, V::SetF(-0.36030925263849456f)), V::Mul(odd2, V::SetF(0.10174985775982505f)));
        return V::Add(V::Mul(V::Add(V::Mul(V::Add(V::Mul(c3, z), c2), z), c1), z), c0);
    }

    // The envelopes from frame `from` on, up to `to`, and each frame's gain
    // and cutoff curve entry; with EnvelopeEnds it stops before the frame
    // where an attack or a release ends. Returns the frame it stopped before.
    template <bool kEnvelopeEnds>
    static int EnvelopePass(State& s, float* gains, int32_t* cutoffs, int from, int to) {
        D amp0 = V::LoadD(s.amp), amp1 = V::LoadD(s.amp + H);
        D filt0 = V::LoadD(s.filt), filt1 = V::LoadD(s.filt + H);
        int f = from;
        for (; f < to; ++f) {
            const D nextAmp0 = Envelope<kEnvelopeEnds>(amp0, s.ampTarget, s.ampCoef, s.ampZero);
            const D nextAmp1 = Envelope<kEnvelopeEnds>(amp1, s.ampTarget + H, s.ampCoef + H, s.ampZero + H);
            const D nextFilt0 = Envelope<kEnvelopeEnds>(filt0, s.filtTarget, s.filtCoef, s.filtZero);
            const D nextFilt1 = Envelope<kEnvelopeEnds>(filt1, s.filtTarget + H, s.filtCoef + H, s.filtZero + H);
            if (kEnvelopeEnds) {
                D end = V::Or(V::CmpGt(nextAmp0, V::LoadD(s.ampHigh)), V::CmpGt(nextAmp1, V::LoadD(s.ampHigh + H)));
                end = V::Or(end, V::Or(V::CmpLe(nextAmp0, V::LoadD(s.ampLow)),
                                       V::CmpLe(nextAmp1, V::LoadD(s.ampLow + H))));
                end = V::Or(end, V::Or(V::CmpGt(nextFilt0, V::LoadD(s.filtHigh)),
                                       V::CmpGt(nextFilt1, V::LoadD(s.filtHigh + H))));
                if (V::Any(end)) break;
            }
            const int at = N * (f - from);
            V::StoreF(gains + at, V::ToFloats(V::Mul(V::LoadD(s.velocityGain), nextAmp0),
                                              V::Mul(V::LoadD(s.velocityGain + H), nextAmp1)));
            V::StoreCutoffIndices(cutoffs + at, V::ToFloats(V::Mul(V::LoadD(s.cutoffBase), nextFilt0),
                                                            V::Mul(V::LoadD(s.cutoffBase + H), nextFilt1)));
            amp0 = nextAmp0;
            amp1 = nextAmp1;
            filt0 = nextFilt0;
            filt1 = nextFilt1;
        }
        V::StoreD(s.amp, amp0);
        V::StoreD(s.amp + H, amp1);
        V::StoreD(s.filt, filt0);
        V::StoreD(s.filt + H, filt1);
        return f;
    }

    // Fetching, interpolating and the gains, from frame `from` on, up to
    // `to`, stopping before the frame where some voice meets a seam.
    // Returns the frame it stopped before.
    template <bool kGlide>
    static int FetchPass(State& s, const float* gains, float* left, float* right, int from, int to) {
        D position0 = V::LoadD(s.position), position1 = V::LoadD(s.position + H);
        D preload0 = V::LoadD(s.preloadPos), preload1 = V::LoadD(s.preloadPos + H);
        D bend0 = V::LoadD(s.bend), bend1 = V::LoadD(s.bend + H);
        D advance0 = V::LoadD(s.advance), advance1 = V::LoadD(s.advance + H);
        const bool mono = s.anyMono;
        int f = from;
        for (; f < to; ++f) {
            D nextBend0 = bend0, nextBend1 = bend1, nextAdvance0 = advance0, nextAdvance1 = advance1;
            if (kGlide) {
                nextBend0 = Glide(bend0, s.bendTarget);
                nextBend1 = Glide(bend1, s.bendTarget + H);
                nextAdvance0 = V::Mul(nextBend0, V::LoadD(s.step));
                nextAdvance1 = V::Mul(nextBend1, V::LoadD(s.step + H));
            }
            const D nextPosition0 = V::Add(position0, nextAdvance0);
            const D nextPosition1 = V::Add(position1, nextAdvance1);
            if (V::Any(V::Or(V::CmpGe(nextPosition0, V::LoadD(s.limit)),
                             V::CmpGe(nextPosition1, V::LoadD(s.limit + H)))))
                break;

            // Frames i - 1 .. i + 2 of each lane, both channels.
            alignas(32) int32_t whole[N];
            const D fraction0 = V::Fraction(position0, whole);
            const D fraction1 = V::Fraction(position1, whole + H);
            const F z = V::ToFloats(V::Sub(fraction0, V::SetD(0.5)), V::Sub(fraction1, V::SetD(0.5)));
            F y0, y1, y2, y3, y0Right, y1Right, y2Right, y3Right;
            V::FetchFrames(s.base, whole, y0, y0Right, y1, y1Right, y2, y2Right, y3, y3Right);
            F l = Interpolate(z, y0, y1, y2, y3);
            F r = Interpolate(z, y0Right, y1Right, y2Right, y3Right);
            if (mono) r = V::Select(V::LoadF(reinterpret_cast<const float*>(s.mono)), l, r);
            // A whole position reads its frame unchanged (both channels, mono
            // or not). A half not ready is read from silence. Positions lie in
            // 1 .. 65536, so a fraction is 0 or at least 2^-52, and its float
            // is 0 exactly when it is.
            const F onFrame = V::IsZero(V::ToFloats(fraction0, fraction1));
            l = V::Select(onFrame, y1, l);
            r = V::Select(onFrame, y1Right, r);
            const F g = V::LoadF(gains + N * (f - from));
            V::StoreF(left + N * f, V::Mul(V::Mul(g, V::LoadF(s.panLeft)), l));
            V::StoreF(right + N * f, V::Mul(V::Mul(g, V::LoadF(s.panRight)), r));

            bend0 = nextBend0;
            bend1 = nextBend1;
            advance0 = nextAdvance0;
            advance1 = nextAdvance1;
            position0 = nextPosition0;
            position1 = nextPosition1;
            preload0 = V::Add(preload0, advance0);
            preload1 = V::Add(preload1, advance1);
        }
        V::StoreD(s.position, position0);
        V::StoreD(s.position + H, position1);
        V::StoreD(s.preloadPos, preload0);
        V::StoreD(s.preloadPos + H, preload1);
        V::StoreD(s.bend, bend0);
        V::StoreD(s.bend + H, bend1);
        return f;
    }

    // The filter over frames `from` to `to`, in place: one state for both
    // channels, left first.
    static void FilterPass(State& s, KLowPassTable* table, const int32_t* cutoffs, float* left, float* right,
                           int from, int to) {
        F x1 = V::LoadF(s.x1), x2 = V::LoadF(s.x2), y1 = V::LoadF(s.y1), y2 = V::LoadF(s.y2);
        for (int f = from; f < to; ++f) {
            const int32_t* wanted = cutoffs + N * (f - from);
            if (!V::SameInts(wanted, s.cutoff)) RetuneLanes<N>(s, wanted, table);
            const F b0 = V::LoadF(s.b0), b1 = V::LoadF(s.b1), b2 = V::LoadF(s.b2);
            const F a1 = V::LoadF(s.a1), a2 = V::LoadF(s.a2);
            const F inLeft = V::FlushDenormals(V::LoadF(left + N * f));
            const F outLeft =
                V::Sub(V::Sub(V::Add(V::Add(V::Mul(b0, inLeft), V::Mul(b1, x1)), V::Mul(b2, x2)), V::Mul(a1, y1)),
                       V::Mul(a2, y2));
            const F inRight = V::FlushDenormals(V::LoadF(right + N * f));
            const F outRight = V::Sub(
                V::Sub(V::Add(V::Add(V::Mul(b0, inRight), V::Mul(b1, inLeft)), V::Mul(b2, x1)), V::Mul(a1, outLeft)),
                V::Mul(a2, y1));
            x2 = inLeft;
            x1 = inRight;
            y2 = outLeft;
            y1 = outRight;
            V::StoreF(left + N * f, outLeft);
            V::StoreF(right + N * f, outRight);
        }
        V::StoreF(s.x1, x1);
        V::StoreF(s.x2, x2);
        V::StoreF(s.y1, y1);
        V::StoreF(s.y2, y2);
    }

    template <bool kGlide, bool kEnvelopeEnds>
    static int Run(State& s, KLowPassTable* table, float* left, float* right, int f, int frames) {
        alignas(32) float gains[N * kPiece];
        alignas(32) int32_t cutoffs[N * kPiece];
        while (f < frames) {
            const int to = f + kPiece < frames ? f + kPiece : frames;
            double amp[N], filt[N];
            for (int lane = 0; lane < N; ++lane) {
                amp[lane] = s.amp[lane];
                filt[lane] = s.filt[lane];
            }
            const int enveloped = EnvelopePass<kEnvelopeEnds>(s, gains, cutoffs, f, to);
            const int fetched = FetchPass<kGlide>(s, gains, left, right, f, enveloped);
            if (fetched < enveloped) {
                // The envelopes went further: once more, as far as the fetch.
                for (int lane = 0; lane < N; ++lane) {
                    s.amp[lane] = amp[lane];
                    s.filt[lane] = filt[lane];
                }
                EnvelopePass<kEnvelopeEnds>(s, gains, cutoffs, f, fetched);
            }
            FilterPass(s, table, cutoffs, left, right, f, fetched);
            f = fetched;
            if (fetched < to) break;
        }
        return f;
    }

    static int Run(State& s, bool glide, bool envelopeEnds, KLowPassTable* table, float* left, float* right, int f,
                   int frames) {
        if (glide)
            return envelopeEnds ? Run<true, true>(s, table, left, right, f, frames)
                                : Run<true, false>(s, table, left, right, f, frames);
        return envelopeEnds ? Run<false, true>(s, table, left, right, f, frames)
                            : Run<false, false>(s, table, left, right, f, frames);
    }
};

#undef KORVO_INLINE

} // namespace

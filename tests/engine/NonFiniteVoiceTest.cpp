// One instrument whose sound stops being finite, on the same output pair as
// another: the other goes on sounding exactly as it would alone, in the
// same block and after, and the instrument at fault plays again with its
// next note.
#include "EngineRig.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

enum class Fault {
    FilterState, // a sounding voice's filter state becomes NaN between blocks
    InfiniteGain, // a zone whose sustain level is infinite
    SendNotANumber, // a reverb send that is no number
};

struct FaultCase {
    const char* name;
    Fault fault;
};
void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

// Instrument A on channel 1 and instrument B on channel 2, both on pair 0,
// each with a zone over the rig's DC sample.
void SetUpPair(EngineRig& rig, Fault fault, bool faulty) {
    for (uint8_t channel : {1, 2}) {
        const int slot = rig.AddInstrument(channel, 0);
        ASSERT_GE(rig.AddZone(slot), 0);
        KSampleZone& z = *rig.Zone(slot, 0);
        z.cutoff = 60.0f; // the filter at work
        z.resonance = 2.0f;
    }
    KInstrument& b = *rig.engine.instruments[1];
    b.reverbOn = 1;
    b.reverbSend = 0.0;
    if (faulty && fault == Fault::InfiniteGain) {
        b.zones[0]->ampSustain = 1000.0f;
        b.zones[0]->ampDecay = 1.0f;
    }
    if (faulty && fault == Fault::SendNotANumber) b.reverbSend = kNaN;
    rig.engine.UpdateGains();
}

bool AllFinite(const EngineRig& rig) {
    for (const std::vector<float>& channel : rig.outputs)
        for (float x : channel)
            if (!std::isfinite(x)) return false;
    return true;
}

class NonFiniteVoiceTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(NonFiniteVoiceTest, TheOtherInstrumentOnThePairSoundsOn) {
    const Fault fault = GetParam().fault;
    // The reference: the same instruments, B's fault left out; where B's
    // voice has ended, B plays no note there.
    EngineRig faulty, reference;
    SetUpPair(faulty, fault, true);
    SetUpPair(reference, fault, false);
    faulty.Queue(0x90, 60, 100);
    faulty.Queue(0x91, 64, 100);
    reference.Queue(0x90, 60, 100);
    if (fault == Fault::SendNotANumber) reference.Queue(0x91, 64, 100);
    KInstrument& b = *faulty.engine.instruments[1];

    constexpr int kBlock = EngineRig::kBlock;
    for (int block = 0; block < 6; ++block) {
        if (block == 2 && fault == Fault::FilterState) {
            for (KVoice& v : b.voices)
                if (v.active) v.filter.y1 = kNaN;
        }
        ASSERT_TRUE(faulty.Render());
        ASSERT_TRUE(reference.Render());
        ASSERT_TRUE(AllFinite(faulty)) << "block " << block;
        // Before the filter's fault B sounds in the faulty engine alone; an
        // infinite gain ends B's voice in its second frame.
        const bool compare = fault == Fault::FilterState ? block >= 2 : true;
        for (int f = fault == Fault::InfiniteGain && block == 0 ? 1 : 0; compare && f < kBlock; ++f) {
            ASSERT_EQ(faulty.outputs[0][f], reference.outputs[0][f]) << "block " << block << " frame " << f;
            ASSERT_EQ(faulty.outputs[1][f], reference.outputs[1][f]) << "block " << block << " frame " << f;
        }
        ASSERT_GT(faulty.outputs[0][kBlock - 1], 0.05f) << "A sounds, block " << block;
    }
    if (fault != Fault::SendNotANumber) {
        EXPECT_EQ(faulty.ActiveVoices(1), 0) << "B's voice has ended";
        EXPECT_EQ(b.activeVoices.load(), 0);
    }

    // B's voice was ended, not B: its next note plays.
    if (fault != Fault::FilterState) return;
    faulty.Queue(0x91, 64, 100);
    ASSERT_TRUE(faulty.Render());
    ASSERT_TRUE(reference.Render());
    ASSERT_TRUE(AllFinite(faulty));
    EXPECT_GT(faulty.outputs[0][kBlock - 1], reference.outputs[0][kBlock - 1] + 0.01f) << "B sounds again";
    EXPECT_GE(faulty.ActiveVoices(1), 1);
}

INSTANTIATE_TEST_SUITE_P(Faults, NonFiniteVoiceTest,
                         ::testing::Values(FaultCase{"FilterStateNaN", Fault::FilterState},
                                           FaultCase{"InfiniteGain", Fault::InfiniteGain},
                                           FaultCase{"SendNotANumber", Fault::SendNotANumber}),
                         [](const ::testing::TestParamInfo<FaultCase>& info) { return info.param.name; });

} // namespace

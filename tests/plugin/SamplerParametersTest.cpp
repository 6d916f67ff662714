#include "SamplerVST.h"

#include "TempFolder.h"
#include "WavWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace {

std::vector<VstInt32> gHostCalls;

VstIntPtr RecordingHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    gHostCalls.push_back(opcode);
    return opcode == audioMasterVersion ? 2400 : 0;
}

int NeedIdleCalls() {
    int n = 0;
    for (VstInt32 opcode : gHostCalls) n += opcode == audioMasterNeedIdle ? 1 : 0;
    return n;
}

constexpr int kGroup = 19;

class SamplerParametersTest : public ::testing::Test {
protected:
    SamplerParametersTest() : plugin(RecordingHost) {
        wav = folder.File(L"p.wav");
        EXPECT_TRUE(WriteBytes(wav, WavWriter(1, 16).Generate(30000, [](int64_t i, int) {
            return static_cast<int32_t>(i % 100 < 50 ? 10000 : -10000);
        }).Build()));
        gHostCalls.clear();
    }
    KInstrument& First() { return *plugin.engine.instruments[0]; }
    int AddZone(int layer) { return First().AddZone(wav.c_str(), 60, 0, 127, 127, 1, layer, nullptr, 0); }

    TempFolder folder;
    std::wstring wav;
    KSamplerVST plugin;
};

TEST_F(SamplerParametersTest, NamesAndLabels) {
    struct Case {
        VstInt32 index;
        const char* name;
    };
    for (const Case& c : {Case{0, "Inst1:Volume"}, Case{2, "Inst1:Current Layer"}, Case{18, "Inst1:LPF Velo to Cutoff"},
                          Case{19, "Inst2:Volume"}, Case{19 * 7 + 11, "Inst8:Reverb On/Off"},
                          Case{303, "Inst16:LPF Velo to Cutoff"}}) {
        char text[64] = "untouched";
        plugin.getParameterName(c.index, text);
        EXPECT_STREQ(text, c.name);
    }
    for (VstInt32 index : {-1, 304, 100000}) {
        char text[64] = "untouched";
        plugin.getParameterName(index, text);
        EXPECT_STREQ(text, "untouched") << index;
    }
    char label[8] = {};
    plugin.getParameterLabel(200, label);
    EXPECT_STREQ(label, "%");
    EXPECT_TRUE(plugin.canParameterBeAutomated(303));
}

// Each parameter, a host value, the field it lands in and what reads back.
TEST_F(SamplerParametersTest, EveryParameterScalesIntoItsField) {
    ASSERT_EQ(AddZone(1), 0);
    KInstrument& in = First();
    KSampleZone& z = *in.zones[0];
    struct Case {
        int p;
        float v;
        std::function<double()> field;
        double expected;
        float readBack;
    };
    const std::vector<Case> cases = {
        {0, 0.25f, [&] { return in.volume; }, 0.25, 0.25f},
        {1, 0.75f, [&] { return in.pan; }, 75.0, 0.75f},
        {3, 0.5f, [&] { return z.ampAttack; }, 1000.0, 0.5f},
        {4, 0.25f, [&] { return z.ampDecay; }, 500.0, 0.25f},
        {5, 1.0f, [&] { return z.ampSustain; }, 0.0, 1.0f},
        {5, 0.5f, [&] { return z.ampSustain; }, 20.0 * std::log10(0.5), 0.5f},
        {6, 0.1f, [&] { return z.ampRelease; }, 0.1f * 2000.0, 0.1f},
        {7, 0.2f, [&] { return z.filterAttack; }, 0.2f * 5000.0, 0.2f},
        {8, 0.4f, [&] { return z.filterDecay; }, 0.4f * 5000.0, 0.4f},
        {9, 0.6f, [&] { return z.filterSustain; }, 0.6f * 100.0, 0.6f},
        {10, 0.8f, [&] { return z.filterRelease; }, 0.8f * 5000.0, 0.8f},
        {11, 1.0f, [&] { return in.reverbOn; }, 1, 1.0f},
        {11, 0.99f, [&] { return in.reverbOn; }, 0, 0.0f},
        {12, 0.3f, [&] { return in.reverbSend; }, 0.3f, 0.3f},
        {13, 0.4f, [&] { return in.reverbSize; }, 0.4f, 0.4f},
        {14, 0.6f, [&] { return in.reverbDamp; }, 0.6f, 0.6f},
        {15, 0.5f, [&] { return z.cutoff; }, 50.0, 0.5f},
        {16, 0.4f, [&] { return z.resonance; }, 0.4f * 5.0, 0.4f},
        {17, 0.5f, [&] { return z.keyToCutoff; }, 0.0, 0.5f},
        {17, 1.0f, [&] { return z.keyToCutoff; }, 10.0, 1.0f},
        {18, 0.5f, [&] { return z.velocityToCutoff; }, 0.0, 0.5f},
        {18, 0.0f, [&] { return z.velocityToCutoff; }, -1.0, 0.0f},
    };
    for (const Case& c : cases) {
        const int before = NeedIdleCalls();
        plugin.setParameter(c.p, c.v);
        EXPECT_NEAR(c.field(), c.expected, 1e-4) << "parameter " << c.p << " at " << c.v;
        EXPECT_NEAR(plugin.getParameter(c.p), c.readBack, 1e-6) << "parameter " << c.p << " at " << c.v;
        EXPECT_EQ(NeedIdleCalls(), before + 1) << "the host is asked for idle time";
    }
    plugin.setParameter(3, 0.0f);
    EXPECT_EQ(z.ampAttackCoef, 1.0f) << "gains and coefficients follow at once";
}

TEST_F(SamplerParametersTest, EmptyRowsAndForeignIndicesAreInert) {
    ASSERT_EQ(AddZone(1), 0);
    plugin.slotMap[3] = -1;
    plugin.slotMap[4] = 9; // an empty engine slot
    plugin.slotMap[5] = 16; // no engine slot at all
    for (VstInt32 index : {3 * kGroup, 4 * kGroup + 3, 5 * kGroup + 2, -1, 304}) {
        plugin.setParameter(index, 0.3f);
        EXPECT_EQ(plugin.getParameter(index), 0.0f) << index;
    }
    EXPECT_EQ(NeedIdleCalls(), 0);
    EXPECT_EQ(First().volume, 1.0);
}

TEST_F(SamplerParametersTest, CurrentLayerSurvivesARoundTripThroughTheHost) {
    KInstrument& in = First();
    plugin.setParameter(2, 0.0f);
    EXPECT_EQ(in.currentLayer, 0);
    EXPECT_EQ(plugin.getParameter(2), 0.0f);
    plugin.setParameter(2, 1.0f);
    EXPECT_EQ(in.currentLayer, 12);
    plugin.setParameter(2, std::nextafter(1.0f / 12.0f, 0.0f));
    EXPECT_EQ(in.currentLayer, 0) << "below 1/12 is layer 0";
    for (int layer = 1; layer <= 12; ++layer) {
        in.currentLayer = layer;
        const float read = plugin.getParameter(2);
        EXPECT_NEAR(read, layer / 12.0, 1e-6);
        plugin.setParameter(2, read); // what automation playback does
        EXPECT_EQ(in.currentLayer, layer);
    }
}

TEST_F(SamplerParametersTest, ZoneParametersFollowTheCurrentLayer) {
    ASSERT_EQ(AddZone(1), 0);
    ASSERT_EQ(AddZone(2), 1);
    ASSERT_EQ(AddZone(1), 2);
    KInstrument& in = First();
    in.zones[0]->ampAttack = 100.0f;
    in.zones[1]->ampAttack = 700.0f;
    in.zones[2]->ampAttack = 300.0f;
    EXPECT_FLOAT_EQ(plugin.getParameter(3), 100.0f / 2000.0f) << "the first zone of the layer";
    plugin.setParameter(3, 0.25f);
    EXPECT_EQ(in.zones[0]->ampAttack, 500.0f);
    EXPECT_EQ(in.zones[2]->ampAttack, 500.0f) << "every zone of the layer";
    EXPECT_EQ(in.zones[1]->ampAttack, 700.0f) << "other layers keep theirs";
    plugin.setParameter(2, 2.0f / 12.0f);
    EXPECT_EQ(in.currentLayer, 2);
    EXPECT_FLOAT_EQ(plugin.getParameter(3), 700.0f / 2000.0f);
    plugin.setParameter(2, 5.0f / 12.0f);
    EXPECT_EQ(plugin.getParameter(3), 0.0f) << "a layer without zones reads 0";
}

// Values no host range can hold read back inside 0..1; values that have no
// meaning as a field are stored as the nearest that has.
TEST_F(SamplerParametersTest, ReadBacksStayInRangeAndFieldsStayFinite) {
    ASSERT_EQ(AddZone(1), 0);
    KSampleZone& z = *First().zones[0];
    plugin.setParameter(5, 0.0f);
    EXPECT_TRUE(std::isfinite(z.ampSustain));
    EXPECT_LE(z.ampSustain, -100.0f + 1e-3f);
    EXPECT_NEAR(plugin.getParameter(5), 0.0f, 1e-4);
    plugin.setParameter(16, 0.0f);
    EXPECT_FLOAT_EQ(z.resonance, 0.1f) << "Q 0 has no filter";
    struct Case {
        const char* what;
        std::function<void()> edit;
        int p;
        float read;
    };
    for (const Case& c : {Case{"filter sustain 150 %", [&] { z.filterSustain = 150.0f; }, 9, 1.0f},
                          Case{"attack 9 s", [&] { z.ampAttack = 9000.0f; }, 3, 1.0f},
                          Case{"sustain +6 dB", [&] { z.ampSustain = 6.0f; }, 5, 1.0f},
                          Case{"key to cutoff -30", [&] { z.keyToCutoff = -30.0f; }, 17, 0.0f},
                          Case{"resonance 8", [&] { z.resonance = 8.0f; }, 16, 1.0f},
                          Case{"pan 130", [&] { First().pan = 130.0; }, 1, 1.0f}}) {
        c.edit();
        EXPECT_EQ(plugin.getParameter(c.p), c.read) << c.what;
    }
}

TEST_F(SamplerParametersTest, AnAutomatedVolumeChangesWhatIsHeard) {
    ASSERT_EQ(AddZone(1), 0);
    plugin.open();
    std::vector<std::vector<float>> buffers(8, std::vector<float>(256));
    float* out[8];
    for (int i = 0; i < 8; ++i) out[i] = buffers[i].data();
    const uint8_t on[3] = {0x90, 60, 127};
    plugin.QueueMidiEvent(on, 0);
    auto block = [&] {
        plugin.processReplacing(nullptr, out, 256);
        float peak = 0;
        for (float v : buffers[0]) peak = std::max(peak, std::fabs(v));
        return peak;
    };
    for (int i = 0; i < 4; ++i) block();
    const float full = block();
    ASSERT_GT(full, 0.1f);
    plugin.setParameter(0, 0.5f);
    for (int i = 0; i < 40; ++i) block(); // the gain ramps 0.0001 a frame
    EXPECT_NEAR(block() / full, 0.5f, 0.01f);
}

// Hosts automate zone parameters many times a block: the zones' coefficients
// are worked out once, before the next block renders, so a note of that
// block already plays with them.
TEST_F(SamplerParametersTest, ZoneAutomationReachesTheCoefficientsByTheNextBlock) {
    ASSERT_EQ(AddZone(1), 0);
    ASSERT_EQ(AddZone(1), 1);
    KSampleZone& z = *First().zones[0];
    KSampleZone& reference = *First().zones[1];
    plugin.open();
    std::vector<std::vector<float>> buffers(8, std::vector<float>(64));
    float* out[8];
    for (int i = 0; i < 8; ++i) out[i] = buffers[i].data();
    for (float v : {0.1f, 0.2f, 0.25f}) plugin.setParameter(3, v); // attack 500 ms
    plugin.setParameter(5, 0.5f);                                 // sustain -6 dB
    plugin.setParameter(9, 0.4f);                                 // filter sustain 40 %
    const uint8_t on[3] = {0x90, 60, 127};
    plugin.QueueMidiEvent(on, 0);
    plugin.processReplacing(nullptr, out, 64);
    reference.ampAttack = z.ampAttack;
    reference.ampSustain = z.ampSustain;
    reference.filterSustain = z.filterSustain;
    reference.UpdateCoefficients(plugin.engine.sampleRate);
    EXPECT_EQ(z.ampAttack, 500.0f);
    EXPECT_EQ(z.ampAttackCoef, reference.ampAttackCoef);
    EXPECT_EQ(z.ampSustainLevel, reference.ampSustainLevel);
    EXPECT_EQ(z.filterSustainLevel, reference.filterSustainLevel);
    // Both zones sound; 64 frames into a 500 ms attack is far from full.
    ASSERT_TRUE(First().voices[0].active);
    EXPECT_EQ(First().voices[0].zone.load(), &z);
    EXPECT_LT(First().voices[0].ampEnvelope, 0.05);
}

// A host value beyond 0..1 is held at the end it passed (a reverb size of 2
// would run away); NaN changes nothing.
TEST_F(SamplerParametersTest, HostValuesBeyondTheRangeAreHeldAtItsEnds) {
    KInstrument& in = First();
    struct Case {
        int p;
        float v;
        std::function<double()> field;
        double expected;
    };
    const Case cases[] = {
        {0, 1.5f, [&] { return in.volume; }, 1.0},
        {0, -3.0f, [&] { return in.volume; }, 0.0},
        {13, 2.0f, [&] { return in.reverbSize; }, 1.0},
        {14, 1e30f, [&] { return in.reverbDamp; }, 1.0},
        {12, std::numeric_limits<float>::infinity(), [&] { return in.reverbSend; }, 1.0},
        {1, -std::numeric_limits<float>::infinity(), [&] { return in.pan; }, 0.0},
    };
    for (const Case& c : cases) {
        plugin.setParameter(c.p, c.v);
        EXPECT_EQ(c.field(), c.expected) << c.p << " " << c.v;
    }
    plugin.setParameter(0, 0.25f);
    plugin.setParameter(0, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(in.volume, 0.25);
}

// While a project is replaced (a hold is on) a parameter write reaches no
// instrument, as a block renders none: it is dropped.
TEST_F(SamplerParametersTest, AWriteWhileAProjectIsReplacedIsDropped) {
    plugin.setParameter(0, 0.25f);
    {
        KRenderHold hold(&plugin.engine.structure);
        plugin.setParameter(0, 0.75f);
        EXPECT_EQ(First().volume, 0.25);
    }
    EXPECT_EQ(NeedIdleCalls(), 1) << "nor is the host asked for idle time";
    plugin.setParameter(0, 0.75f);
    EXPECT_EQ(First().volume, 0.75);
}

} // namespace

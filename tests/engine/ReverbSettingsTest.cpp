// An instrument's reverb size and damp past the range of the editor's knobs
// and the parameters (0..1), from a project, an instrument file or a bank,
// or written straight into the instrument: the running reverb takes them
// only within that range, so its tail dies away.
#include "FileRig.h"

#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// What the instrument's reverb runs with for a size and damp in range.
void ExpectReverbFrom(const KInstrument& in, float size, float damp, const char* what) {
    EXPECT_EQ(in.reverb.roomSize, size * 0.28f + 0.7f) << what;
    EXPECT_EQ(in.reverb.damp, damp * 0.4f) << what;
    EXPECT_EQ(in.reverb.combLeft[0].feedback, in.reverb.roomSize) << what;
    EXPECT_LE(in.reverb.combRight[7].feedback, 0.98f) << what;
}

struct SettingCase {
    float size, damp;         // as stored
    float heldSize, heldDamp; // as loaded
};

TEST_F(ProjectFileTest, ReverbSizeAndDampAreHeldToTheKnobsRange) {
    const SettingCase cases[] = {
        {0.25f, 0.75f, 0.25f, 0.75f}, {1.0f, 0.0f, 1.0f, 0.0f},  {1.1f, 0.5f, 1.0f, 0.5f},
        {2.0f, -0.5f, 1.0f, 0.0f},    {-3.0f, 7.0f, 0.0f, 1.0f}, {1e30f, 1.0001f, 1.0f, 1.0f},
        // Not numbers: the reader keeps the instrument's defaults.
        {kNaN, kInf, 0.6f, 1.0f},
    };
    const std::wstring wav = Wav(L"r.wav");
    const int slot = rig.AddInstrument();
    ASSERT_GE(AddZone(slot, wav), 0);
    KInstrument& in = *rig.engine.instruments[slot];
    for (const SettingCase& c : cases) {
        in.reverbSize = c.size;
        in.reverbDamp = c.damp;
        struct File {
            const char* what;
            const wchar_t* name;
            bool embed;
            int instrument;
        };
        for (const File& f : {File{"project", L"r.kss", false, -1}, File{"instrument", L"r.kis", false, 0},
                              File{"bank", L"r.ksb", true, -1}}) {
            const std::wstring path = rig.folder.File(f.name);
            ASSERT_TRUE(Save(path, f.embed, false, f.instrument));
            // The file holds what the instrument held.
            const Bytes b = ReadBytes(path);
            const size_t record = f.instrument >= 0 ? 20 : 20 + 3668;
            ASSERT_EQ(std::memcmp(b.data() + record + 536, &c.size, 4), 0);
            Loader l;
            ASSERT_TRUE(l.Load(path)) << f.what;
            const KInstrument& back = *l.engine.instruments[0];
            EXPECT_EQ(back.reverbSize, c.heldSize) << f.what << " size " << c.size;
            EXPECT_EQ(back.reverbDamp, c.heldDamp) << f.what << " damp " << c.damp;
            ExpectReverbFrom(back, c.heldSize, c.heldDamp, f.what);
        }
    }
}

// Written straight into the instrument (as a parameter or the editor
// writes them), any value reaches the running reverb held to 0..1.
TEST(KInstrumentReverb, ResetReverbHoldsSizeAndDampToTheirRange) {
    KReadBuffer buffer;
    auto in = std::make_unique<KInstrument>(44100, &buffer);
    const SettingCase cases[] = {{0.3f, 0.9f, 0.3f, 0.9f}, {5.0f, -2.0f, 1.0f, 0.0f}, {-0.1f, 1.5f, 0.0f, 1.0f},
                                 {kInf, -kInf, 1.0f, 0.0f}, {kNaN, kNaN, 0.0f, 0.0f}};
    for (const SettingCase& c : cases) {
        in->reverbSize = c.size;
        in->reverbDamp = c.damp;
        in->ResetReverb();
        ExpectReverbFrom(*in, c.heldSize, c.heldDamp, "reset");
    }
}

double Rms(const std::vector<float>& left, const std::vector<float>& right, size_t from, size_t count) {
    double sum = 0.0;
    for (size_t i = from; i < from + count; ++i) sum += double(left[i]) * left[i] + double(right[i]) * right[i];
    return std::sqrt(sum / (2.0 * count));
}

// A project whose reverb size lies past the knob: a note through the
// reverb, then its tail after the note-off. Beyond 1 the combs fed back by
// more than 1 and the tail grew until it clipped.
TEST_F(ProjectFileTest, AReverbSizePastTheKnobStillDiesAway) {
    constexpr int kRate = 44100;
    const std::wstring wav = rig.folder.File(L"tone.wav");
    ASSERT_TRUE(WriteBytes(wav, WavWriter(1, 16).Generate(kRate, [](int64_t i, int) {
        return static_cast<int32_t>(12000 * std::sin(i * 0.0627));
    }).Build()));
    for (float size : {1.1f, 2.0f}) {
        KSamplerEngine& e = rig.engine;
        while (e.instrumentCount > 0)
            for (int slot = 0; slot < KSamplerEngine::kInstruments; ++slot) e.DeleteInstrument(slot);
        const int slot = rig.AddInstrument();
        ASSERT_GE(AddZone(slot, wav), 0);
        KInstrument& in = *e.instruments[slot];
        in.reverbOn = 1;
        in.reverbSend = 1.0;
        in.reverbSize = size;
        in.reverbDamp = 0.0f; // the longest tail
        const std::wstring path = rig.folder.File(L"tail.kss");
        ASSERT_TRUE(Save(path));

        Loader l;
        ASSERT_TRUE(l.Load(path));
        KSamplerEngine& played = l.engine;
        played.UpdateGains();
        constexpr int kBlock = 512;
        std::vector<float> left, right;
        std::vector<float> block(8 * kBlock);
        float* out[8];
        for (int i = 0; i < 8; ++i) out[i] = block.data() + kBlock * i;
        size_t noteOff = 0;
        for (int b = 0; left.size() < 11u * kRate + 2 * kBlock; ++b) {
            played.events.count = 0;
            if (b == 0) played.events.events[played.events.count++] = KMidiEvent{0x90, 60, 127, 0};
            if (b == 40) {
                played.events.events[played.events.count++] = KMidiEvent{0x80, 60, 0, 0};
                noteOff = left.size();
            }
            std::fill(block.begin(), block.end(), 0.0f);
            ASSERT_TRUE(played.Process(out, kBlock));
            left.insert(left.end(), out[0], out[0] + kBlock);
            right.insert(right.end(), out[1], out[1] + kBlock);
        }
        const double first = Rms(left, right, noteOff, kRate);
        const double tenth = Rms(left, right, noteOff + 9 * kRate, kRate);
        EXPECT_GT(first, 1e-3) << "size " << size;
        EXPECT_LT(tenth, 0.01 * first) << "size " << size << ": the tail must die away";
    }
}

} // namespace

// KorvoSampler.dll as a host sees it: loaded from its file, bound through
// `main`, driven through the dispatcher and the render entries only.
#include "Engine.h"
#include "PeImage.h"
#include "PluginHost.h"
#include "ProjectChunk.h"
#include "TempFolder.h"
#include "WavWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

std::wstring SamplerDll() { return WinePath(KORVO_SAMPLER_DLL); }

TEST(SamplerDll, ExportsOnlyMainAndNeedsNoRuntimeDlls) {
    const PeImage image = ReadPeImage(SamplerDll());
    ASSERT_TRUE(image.valid);
    EXPECT_EQ(image.machine, kThisMachine);
    EXPECT_EQ(image.pe32Plus, sizeof(void*) == 8);
    EXPECT_EQ(image.exports, std::vector<std::string>{"main"});
    EXPECT_FALSE(image.imports.empty());
    for (std::string name : image.imports) {
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
        EXPECT_TRUE(name.find("libstdc++") == std::string::npos && name.find("libgcc") == std::string::npos &&
                    name.find("libwinpthread") == std::string::npos)
            << name << " would have to be shipped beside the plug-in";
    }
}

TEST(SamplerDll, MainReturnsNothingWithoutAHost) {
    PluginHost host(SamplerDll(), 0);
    ASSERT_TRUE(host.libraryLoaded());
    EXPECT_EQ(host.effect(), nullptr) << "a host answering version 0 is no host";
    ASSERT_FALSE(host.calls.empty());
    EXPECT_EQ(host.calls[0].opcode, audioMasterVersion);
}

TEST(SamplerDll, IdentityAndOpcodes) {
    PluginHost host(SamplerDll());
    AEffect* e = host.effect();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->magic, FourCC("VstP"));
    EXPECT_EQ(e->flags, 0x133) << "an editor";
    EXPECT_EQ(e->numPrograms, 1);
    EXPECT_EQ(e->numParams, 304);
    EXPECT_EQ(e->numInputs, 0);
    EXPECT_EQ(e->numOutputs, 8);
    EXPECT_EQ(e->uniqueID, FourCC("KrvS"));
    EXPECT_EQ(e->version, 1);
    EXPECT_NE(e->processReplacing, nullptr);

    host.calls.clear();
    host.Open(48000.0f, 4096);
    bool askedForMidi = false;
    for (const PluginHost::Call& c : host.calls) askedForMidi |= c.opcode == audioMasterWantMidi && c.value == 1;
    EXPECT_TRUE(askedForMidi) << "switching on asks the host for MIDI";

    EXPECT_EQ(host.Dispatch(effCanDo, 0, 0, const_cast<char*>("receiveVstEvents")), 1);
    EXPECT_EQ(host.Dispatch(effCanDo, 0, 0, const_cast<char*>("receiveVstMidiEvent")), 1);
    EXPECT_EQ(host.Dispatch(effCanDo, 0, 0, const_cast<char*>("sendVstMidiEvent")), 0);
    VstPinProperties pin;
    std::memset(&pin, 0, sizeof pin);
    EXPECT_EQ(host.Dispatch(effGetOutputProperties, 7, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "Korvo Sampler Audio Out 8");
    EXPECT_EQ(pin.flags, kVstPinIsActive | kVstPinIsStereo);

    const std::string name23 = "Twenty-three characters";
    ASSERT_EQ(name23.size(), 23u);
    host.Dispatch(effSetProgramName, 0, 0, const_cast<char*>(name23.c_str()));
    EXPECT_EQ(host.Text(effGetProgramName), name23);

    EXPECT_EQ(host.Dispatch(effIdentify), FourCC("NvEf"));
    EXPECT_EQ(host.Dispatch(effKeysRequired), 1);
    EXPECT_EQ(host.Dispatch(effGetPlugCategory), 2);
    EXPECT_EQ(host.Dispatch(effGetVstVersion), 2300);
    EXPECT_EQ(host.Text(effGetEffectName), "KorvoSampler");
    EXPECT_EQ(host.Text(effGetProductString), "KorvoSampler");
    EXPECT_EQ(host.Text(effGetVendorString), "Tellurand");
    EXPECT_EQ(host.Dispatch(effGetProgram), 0);
    host.Dispatch(effSetProgram, 0, 1); // numPrograms is 1: out of range
    EXPECT_EQ(host.Dispatch(effGetProgram), 0);
    EXPECT_EQ(host.Dispatch(effEditGetRect), 0) << "nowhere to put the rectangle";
    host.Close();
    EXPECT_EQ(host.effect(), nullptr);
}

TEST(SamplerDll, PlaysARestoredProject) {
    TempFolder folder;
    std::vector<uint8_t> chunk = OneZoneChunk(folder);
    PluginHost host(SamplerDll());
    ASSERT_NE(host.effect(), nullptr);
    host.Open(44100.0f, 4096);
    ASSERT_EQ(host.Dispatch(effSetChunk, 0, static_cast<VstIntPtr>(chunk.size()), chunk.data()), 1);
    void* data = nullptr;
    EXPECT_EQ(host.Dispatch(effGetChunk, 0, 0, &data), static_cast<VstIntPtr>(chunk.size()));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::memcmp(data, chunk.data(), chunk.size()), 0) << "the state comes back as it went in";
    EXPECT_EQ(host.Dispatch(effGetChunk, 1, 0, &data), 0) << "no preset chunks";

    host.Render(512);
    EXPECT_EQ(host.PairPeak(0), 0.0f) << "silent before the note";
    EXPECT_EQ(host.SendMidi({{0x90, 60, 127, 100}}), 1);
    const auto& out = host.Render(512);
    EXPECT_EQ(out[0][99], 0.0f) << "the note starts at its frame";
    EXPECT_NE(out[0][100], 0.0f);
    EXPECT_GT(host.PairPeak(0), 0.2f) << "the note sounds on pair 0";
    for (int pair = 1; pair < 4; ++pair) EXPECT_EQ(host.PairPeak(pair), 0.0f) << "pair " << pair;

    host.SendMidi({{0x80, 60, 0, 0}});
    for (int block = 0; block < 20; ++block) host.Render(512);
    EXPECT_EQ(host.PairPeak(0), 0.0f) << "the release brings silence";
}

// The plug-in's state as the host sees it: the chunk's bytes.
struct ChunkFields {
    static constexpr size_t kInstrument = 3688; // the first instrument record
    static constexpr size_t kZone = kInstrument + 6824;

    explicit ChunkFields(PluginHost& host) {
        void* data = nullptr;
        const VstIntPtr size = host.Dispatch(effGetChunk, 0, 0, &data);
        if (size > 0 && data != nullptr) bytes.assign(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    }
    int32_t Int(size_t at) const {
        int32_t v = 0;
        std::memcpy(&v, bytes.data() + at, 4);
        return v;
    }
    float Float(size_t at) const {
        float v = 0;
        std::memcpy(&v, bytes.data() + at, 4);
        return v;
    }
    int CurrentLayer() const { return Int(kInstrument + 528); }
    int ReverbOn() const { return bytes[kInstrument + 568]; }
    float ZoneFloat(int zone, size_t field) const { return Float(kZone + 680 * static_cast<size_t>(zone) + field); }

    std::vector<uint8_t> bytes;
};

// One instrument with zones on layers 1, 2 and 1 holding attacks 100, 700
// and 300 ms.
std::vector<uint8_t> LayeredChunk(const TempFolder& folder) {
    const std::wstring wav = SquareWav(folder);
    KSamplerEngine engine;
    KInstrument& in = *engine.instruments[engine.AddInstrument(1, 0)];
    const int layers[3] = {1, 2, 1};
    const float attacks[3] = {100.0f, 700.0f, 300.0f};
    for (int z = 0; z < 3; ++z) {
        EXPECT_EQ(in.AddZone(wav.c_str(), 60, 0, 127, 127, 1, layers[z], nullptr, 0), z);
        in.zones[z]->ampAttack = attacks[z];
    }
    return ChunkOf(engine, folder);
}

TEST(SamplerDll, AutomatableParameters) {
    TempFolder folder;
    std::vector<uint8_t> chunk = LayeredChunk(folder);
    PluginHost host(SamplerDll());
    AEffect* e = host.effect();
    ASSERT_NE(e, nullptr);
    host.Open();
    ASSERT_EQ(host.Dispatch(effSetChunk, 0, static_cast<VstIntPtr>(chunk.size()), chunk.data()), 1);

    EXPECT_EQ(host.Text(effGetParamName, 0), "Inst1:Volume");
    EXPECT_EQ(host.Text(effGetParamName, 18), "Inst1:LPF Velo to Cutoff");
    EXPECT_EQ(host.Text(effGetParamName, 19), "Inst2:Volume");
    EXPECT_EQ(host.Text(effGetParamName, 303), "Inst16:LPF Velo to Cutoff");
    EXPECT_EQ(host.Text(effGetParamLabel, 5), "%");

    // Row 2 shows no instrument: inert, and the host is not asked for idle.
    host.calls.clear();
    e->setParameter(e, 19, 0.3f);
    EXPECT_EQ(e->getParameter(e, 19), 0.0f);
    EXPECT_TRUE(host.calls.empty());
    e->setParameter(e, 0, 0.8f);
    ASSERT_EQ(host.calls.size(), 1u);
    EXPECT_EQ(host.calls[0].opcode, audioMasterNeedIdle);

    e->setParameter(e, 2, 0.0f);
    EXPECT_EQ(ChunkFields(host).CurrentLayer(), 0);
    EXPECT_EQ(e->getParameter(e, 2), 0.0f);
    e->setParameter(e, 2, 1.0f);
    EXPECT_EQ(ChunkFields(host).CurrentLayer(), 12);
    for (int layer = 1; layer <= 12; ++layer) {
        e->setParameter(e, 2, (layer + 0.5f) / 12.0f);
        e->setParameter(e, 2, e->getParameter(e, 2)); // automation playback
        EXPECT_EQ(ChunkFields(host).CurrentLayer(), layer);
    }

    e->setParameter(e, 2, 1.5f / 12.0f); // layer 1
    e->setParameter(e, 5, 1.0f);
    EXPECT_EQ(ChunkFields(host).ZoneFloat(0, 604), 0.0f) << "sustain 1.0 is 0 dB";
    e->setParameter(e, 5, 0.5f);
    EXPECT_NEAR(ChunkFields(host).ZoneFloat(0, 604), -6.0206f, 1e-3f);
    e->setParameter(e, 11, 1.0f);
    EXPECT_EQ(ChunkFields(host).ReverbOn(), 1);
    e->setParameter(e, 11, 0.99f);
    EXPECT_EQ(ChunkFields(host).ReverbOn(), 0);
    e->setParameter(e, 17, 0.5f);
    e->setParameter(e, 18, 0.5f);
    EXPECT_EQ(ChunkFields(host).ZoneFloat(0, 636), 0.0f) << "key to cutoff";
    EXPECT_EQ(ChunkFields(host).ZoneFloat(0, 640), 0.0f) << "velocity to cutoff";

    EXPECT_FLOAT_EQ(e->getParameter(e, 3), 100.0f / 2000.0f) << "the first zone of the layer";
    e->setParameter(e, 3, 0.25f);
    ChunkFields after(host);
    EXPECT_EQ(after.ZoneFloat(0, 596), 500.0f);
    EXPECT_EQ(after.ZoneFloat(2, 596), 500.0f) << "both zones of layer 1";
    EXPECT_EQ(after.ZoneFloat(1, 596), 700.0f) << "layer 2 keeps its attack";
    e->setParameter(e, 2, 2.5f / 12.0f);
    EXPECT_FLOAT_EQ(e->getParameter(e, 3), 700.0f / 2000.0f) << "the parameters move to layer 2";
}

TEST(SamplerDll, AutomatedVolumeScalesTheSound) {
    TempFolder folder;
    std::vector<uint8_t> chunk = OneZoneChunk(folder);
    PluginHost host(SamplerDll());
    AEffect* e = host.effect();
    ASSERT_NE(e, nullptr);
    host.Open();
    ASSERT_EQ(host.Dispatch(effSetChunk, 0, static_cast<VstIntPtr>(chunk.size()), chunk.data()), 1);
    host.SendMidi({{0x90, 60, 127, 0}});
    for (int block = 0; block < 4; ++block) host.Render(256);
    const float full = host.Peak(0);
    ASSERT_GT(full, 0.1f);
    e->setParameter(e, 0, 0.25f);
    for (int block = 0; block < 40; ++block) host.Render(256); // the gain ramps 0.0001 a frame
    EXPECT_NEAR(host.Peak(0) / full, 0.25f, 0.01f);
}

} // namespace

// A host that bounces renders faster than the disk: the plug-in asks it
// whether it renders offline, once in every block and never outside one.
TEST(SamplerDll, AsksTheHostForItsProcessLevelOnceABlock) {
    PluginHost host(SamplerDll());
    ASSERT_NE(host.effect(), nullptr);
    host.Open(44100.0f, 512);
    auto asked = [&] {
        int n = 0;
        for (const PluginHost::Call& c : host.calls) n += c.opcode == audioMasterGetCurrentProcessLevel ? 1 : 0;
        return n;
    };
    EXPECT_EQ(asked(), 0);
    for (int block = 0; block < 5; ++block) host.Render(512);
    EXPECT_EQ(asked(), 5);
    host.Close();
}

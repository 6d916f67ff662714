// KorvoSampler.dll as a host sees it: loaded from its file, bound through
// `main`, driven through the dispatcher and the render entries only.
#include "Engine.h"
#include "PeImage.h"
#include "PluginHost.h"
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
    EXPECT_EQ(e->flags, 0x132);
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
    EXPECT_EQ(host.Dispatch(effEditGetRect), 0) << "no editor window yet";
    host.Close();
    EXPECT_EQ(host.effect(), nullptr);
}

// A project of one instrument on MIDI channel 1 with one zone over a square
// wave, as the state chunk carries it.
std::vector<uint8_t> OneZoneChunk(const TempFolder& folder) {
    const std::wstring wav = folder.File(L"square.wav");
    EXPECT_TRUE(WriteBytes(wav, WavWriter(1, 16).Generate(40000, [](int64_t i, int) {
        return static_cast<int32_t>(i % 100 < 50 ? 16000 : -16000);
    }).Build()));
    KSamplerEngine engine;
    const int slot = engine.AddInstrument(1, 0);
    EXPECT_EQ(engine.instruments[slot]->AddZone(wav.c_str(), 60, 0, 127, 127, 1, 1, nullptr, 0), 0);
    engine.instruments[slot]->zones[0]->ampRelease = 20.0f;
    const std::wstring file = folder.File(L"chunk.kss");
    KFileJob job;
    EXPECT_TRUE(engine.SaveFile(file.c_str(), job, false, true, -1));
    KFile f;
    EXPECT_TRUE(f.OpenRead(file.c_str()));
    std::vector<uint8_t> bytes(static_cast<size_t>(f.Size()));
    f.ReadAt(0, bytes.data(), static_cast<int64_t>(bytes.size()));
    return bytes;
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

} // namespace

// ksplayer.bin as a host sees it: shipped as built, and copied as N.dll
// beside its bank folder N the way the sampler's export leaves it, loaded
// from its file, bound through `main`, driven through the dispatcher and the
// render entries only.
#include "EffectBench.h"
#include "Engine.h"
#include "MessageBoxAnswerer.h"
#include "PeImage.h"
#include "PlayerSet.h"
#include "PluginHost.h"
#include "TempFolder.h"
#include "WavWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

const std::vector<std::wstring> kMismatch = {L"Can not find sound library"};
const std::vector<std::wstring> kNoBox = {};

std::wstring ShippedPlayer() { return WinePath(KORVO_PLAYER_LIBRARY); }

// The occupied records of the player's state chunk (a record of an empty
// slot is all zero).
int OccupiedRecords(PluginHost& host) {
    void* data = nullptr;
    const VstIntPtr size = host.Dispatch(effGetChunk, 0, 0, &data);
    EXPECT_EQ(size, 3712);
    if (size != 3712 || data == nullptr) return -1;
    const auto* bytes = static_cast<const uint8_t*>(data);
    int occupied = 0;
    for (int slot = 0; slot < 16; ++slot)
        occupied += std::any_of(bytes + 232 * slot, bytes + 232 * (slot + 1), [](uint8_t b) { return b != 0; });
    return occupied;
}

// Renders blocks of 512 frames until `frames` have passed, at the pace of a
// real-time host (the disk thread refills the voices meanwhile, also on a
// loaded machine); the peak of all outputs over the last `tail` frames.
float RenderPeak(PluginHost& host, int frames, int tail) {
    const auto start = std::chrono::steady_clock::now();
    float peak = 0.0f;
    for (int done = 0; done < frames; done += 512) {
        std::this_thread::sleep_until(start + std::chrono::microseconds(int64_t{done} * 1000000 / 44100));
        host.Render(512);
        if (done + 512 > frames - tail)
            for (int pair = 0; pair < 4; ++pair) peak = std::max(peak, host.PairPeak(pair));
    }
    return peak;
}

// A library "Grand" by "Keys & Co", code "AbDe", of two instruments over a
// sample longer than a zone's preload, exported into Libs.
class PlayerDllTest : public ::testing::Test {
protected:
    void SetUp() override {
        libs = folder.Path() + L"\\Libs";
        ASSERT_TRUE(CreateFolder(libs.c_str()));
        wav = folder.File(L"long.wav");
        ASSERT_TRUE(WriteBytes(wav, WavWriter(2, 16).Generate(100000, [](int64_t i, int) {
            return static_cast<int32_t>(i % 200 < 100 ? 16384 : -16384);
        }).Build()));
        CopyWide(source.libraryName, L"Grand");
        CopyWide(source.vendorName, L"Keys & Co");
        std::memcpy(source.uniqueId, "AbDe", 5);
        for (uint8_t pair : {uint8_t{0}, uint8_t{1}}) {
            KInstrument& in = *source.instruments[source.AddInstrument(0, pair)];
            ASSERT_EQ(in.AddZone(wav.c_str(), 60, 0, 127, 127, 1, 1, nullptr, 0), 0);
            in.zones[0]->ampRelease = 10.0f;
        }
        ASSERT_TRUE(MakePlayerSet(source, libs, ShippedPlayer(), set));
        // What plays from here on comes from the bank.
        for (int slot = 0; slot < 16; ++slot) source.DeleteInstrument(slot);
        ASSERT_TRUE(RemoveFile(wav.c_str()));
    }

    TempFolder folder;
    std::wstring libs, wav;
    KSamplerEngine source;
    PlayerSet set;
};

TEST(PlayerDll, ShippedAsBuiltWithOnlyMainAndTheStubText) {
    const PeImage image = ReadPeImage(ShippedPlayer());
    ASSERT_TRUE(image.valid);
    EXPECT_EQ(image.machine, kThisMachine);
    EXPECT_EQ(image.pe32Plus, sizeof(void*) == 8);
    EXPECT_EQ(image.exports, std::vector<std::string>{"main"});
    for (std::string name : image.imports) {
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
        EXPECT_TRUE(name.find("libstdc++") == std::string::npos && name.find("libgcc") == std::string::npos &&
                    name.find("libwinpthread") == std::string::npos)
            << name << " would have to be shipped beside the player";
    }
    const Bytes bytes = ReadBytes(ShippedPlayer());
    ASSERT_GT(bytes.size(), 0x74u);
    EXPECT_EQ(std::string(bytes.begin() + 0x70, bytes.begin() + 0x74), "mode") << "where the export stamps the code";
}

TEST(PlayerDll, MainReturnsNothingWithoutAHost) {
    MessageBoxAnswerer answerer(L"Korvo Sampler Player");
    PluginHost host(ShippedPlayer(), 0);
    ASSERT_TRUE(host.libraryLoaded());
    EXPECT_EQ(host.effect(), nullptr) << "a host answering version 0 is no host";
    EXPECT_EQ(answerer.Texts(), kNoBox) << "no player was made";
}

TEST_F(PlayerDllTest, AStampedCopyPlaysItsLibrary) {
    EXPECT_EQ(set.library, libs + L"\\Grand.dll");
    EXPECT_EQ(set.bank, libs + L"\\Grand\\Grand.ksb");
    const Bytes shipped = ReadBytes(ShippedPlayer()), copy = ReadBytes(set.library);
    ASSERT_EQ(copy.size(), shipped.size());
    for (size_t i = 0; i < copy.size(); ++i) {
        if (i >= 0x70 && i <= 0x73) continue;
        ASSERT_EQ(copy[i], shipped[i]) << "only the stamp differs: " << i;
    }

    MessageBoxAnswerer answerer(L"Korvo Sampler Player");
    PluginHost host(set.library);
    AEffect* e = host.effect();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(answerer.Texts(), kNoBox);
    EXPECT_EQ(e->magic, FourCC("VstP"));
    EXPECT_EQ(e->flags, 0x133) << "its editor attached";
    EXPECT_EQ(e->numParams, 0);
    EXPECT_EQ(e->numPrograms, 1);
    EXPECT_EQ(e->numOutputs, 8);
    EXPECT_EQ(IdBytes(*e), "AbDe") << "the unique ID's bytes read the code";
    EXPECT_EQ(host.Text(effGetEffectName), "Grand");
    EXPECT_EQ(host.Text(effGetProductString), "Grand");
    EXPECT_EQ(host.Text(effGetVendorString), "Keys & Co");
    EXPECT_EQ(e->getParameter(e, 0), 0.0f);
    EXPECT_EQ(OccupiedRecords(host), 2) << "both instruments loaded";

    host.SendMidi({{0x90, 60, 127, 0}});
    EXPECT_EQ(RenderPeak(host, 2048, 2048), 0.0f) << "silent before effOpen, the note waits";
    host.Open(44100.0f, 512);
    const float early = RenderPeak(host, 1024, 1024);
    EXPECT_GT(early, 0.2f) << "the embedded sample sounds";
    EXPECT_GT(host.PairPeak(1), 0.2f) << "on both instruments' pairs";
    // Beyond the zone's preload the voice streams from inside the bank.
    EXPECT_GT(RenderPeak(host, 70000, 4096), 0.2f);
    host.SendMidi({{0x80, 60, 0, 0}});
    EXPECT_EQ(RenderPeak(host, 8192, 512), 0.0f) << "released";
}

TEST_F(PlayerDllTest, AChangedStampByteLosesTheLibrary) {
    ASSERT_TRUE(StampLibraryCode(set.library, "AbDf"));
    MessageBoxAnswerer answerer(L"Korvo Sampler Player");
    PluginHost host(set.library);
    ASSERT_NE(host.effect(), nullptr) << "the player stays usable";
    const auto boxes = answerer.Answered();
    ASSERT_EQ(boxes.size(), 1u) << "one box, which waited for the user";
    EXPECT_EQ(boxes[0].text, kMismatch[0]);
    EXPECT_FALSE(boxes[0].hasOwner);
    EXPECT_EQ(host.Text(effGetEffectName), "Grand") << "the library was read, then unloaded";
    EXPECT_EQ(OccupiedRecords(host), 0) << "3712 zero bytes";
    host.Open();
    host.SendMidi({{0x90, 60, 127, 0}});
    EXPECT_EQ(RenderPeak(host, 4096, 4096), 0.0f) << "silent";
}

TEST_F(PlayerDllTest, TheShippedLibraryFailsAgainstAnyOtherCode) {
    // Copied as it ships, beside a bank: "mode" is not "AbDe".
    ASSERT_TRUE(CopyFileOver(ShippedPlayer().c_str(), set.library.c_str()));
    {
        MessageBoxAnswerer answerer(L"Korvo Sampler Player");
        PluginHost host(set.library);
        ASSERT_NE(host.effect(), nullptr);
        EXPECT_EQ(answerer.Texts(), kMismatch);
        EXPECT_EQ(OccupiedRecords(host), 0);
    }
    // As it lies in the build, with no bank beside it: "mode" is not "Krvs".
    MessageBoxAnswerer answerer(L"Korvo Sampler Player");
    PluginHost host(ShippedPlayer());
    ASSERT_NE(host.effect(), nullptr);
    EXPECT_EQ(answerer.Texts(), kMismatch);
    EXPECT_EQ(host.Text(effGetEffectName), "mySound");
    EXPECT_EQ(host.Text(effGetProductString), "mySound");
    EXPECT_EQ(host.Text(effGetVendorString), "Tellurand");
    EXPECT_EQ(IdBytes(*host.effect()), "Krvs");
}

TEST_F(PlayerDllTest, WithoutABankACopyStampedKrvsPairs) {
    const std::wstring lonely = libs + L"\\Lonely.dll";
    ASSERT_TRUE(CopyFileOver(ShippedPlayer().c_str(), lonely.c_str()));
    ASSERT_TRUE(StampLibraryCode(lonely, "Krvs"));
    MessageBoxAnswerer answerer(L"Korvo Sampler Player");
    PluginHost host(lonely);
    ASSERT_NE(host.effect(), nullptr);
    EXPECT_EQ(answerer.Texts(), kNoBox);
    EXPECT_EQ(host.Text(effGetEffectName), "mySound");
    EXPECT_EQ(host.Text(effGetVendorString), "Tellurand");
    EXPECT_EQ(IdBytes(*host.effect()), "Krvs");
    EXPECT_EQ(OccupiedRecords(host), 0);
}

TEST_F(PlayerDllTest, TheStateChunkRoundTripsThroughTheHost) {
    PluginHost host(set.library);
    ASSERT_NE(host.effect(), nullptr);
    host.Open();
    void* data = nullptr;
    ASSERT_EQ(host.Dispatch(effGetChunk, 0, 0, &data), 3712);
    Bytes chunk(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + 3712);
    EXPECT_EQ(host.Dispatch(effGetChunk, 1, 0, &data), 0) << "no preset chunks";
    double volume = 0.25;
    std::memcpy(chunk.data() + 232 + 16, &volume, 8); // slot 1's volume
    chunk.resize(5000, 0xEE);                          // a longer chunk is cut
    ASSERT_EQ(host.Dispatch(effSetChunk, 0, static_cast<VstIntPtr>(chunk.size()), chunk.data()), 1);
    ASSERT_EQ(host.Dispatch(effGetChunk, 0, 0, &data), 3712);
    EXPECT_EQ(std::memcmp(data, chunk.data(), 3712), 0);

    host.SendMidi({{0x90, 60, 127, 0}});
    RenderPeak(host, 16384, 512); // past the gains' ramp
    EXPECT_NEAR(host.PairPeak(1) / host.PairPeak(0), 0.25f, 0.01f) << "the restored volume plays";
}

} // namespace

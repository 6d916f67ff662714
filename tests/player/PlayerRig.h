// A sound library made by a source engine, exported as a player set in a
// folder Libs (Libs\Piano\Piano.ksb beside Libs\Piano.dll), and players
// constructed on such sets, with helpers to send MIDI and render.
#pragma once

#include "EffectBench.h"
#include "PlayerSet.h"
#include "PlayerVST.h"
#include "TempFolder.h"
#include "WavWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

inline std::string Text(AEffect* e, VstInt32 opcode) {
    char text[256];
    std::memset(text, 0, sizeof text);
    e->dispatcher(e, opcode, 0, 0, text, 0);
    return text;
}

class PlayerRig {
public:
    PlayerRig() {
        libs = folder.Path() + L"\\Libs";
        EXPECT_TRUE(CreateFolder(libs.c_str()));
        standIn = folder.Path() + L"\\ksplayer.bin";
        EXPECT_TRUE(WriteBytes(standIn, StandInPlayerLibrary()));
        CopyWide(source.libraryName, L"Piano");
        CopyWide(source.vendorName, L"Keys & Co");
        SetCode("AbDe");
    }

    void SetCode(const char code[4]) {
        std::memset(source.uniqueId, 0, sizeof source.uniqueId);
        std::memcpy(source.uniqueId, code, 4);
    }

    // A mono square wave of amplitude 0.5 and period 200 frames.
    std::wstring Wav(const std::wstring& name, int64_t frames = 20000) {
        const std::wstring path = folder.Path() + L"\\" + name;
        EXPECT_TRUE(WriteBytes(path, WavWriter(1, 16).Generate(frames, [](int64_t i, int) {
            return static_cast<int32_t>(i % 200 < 100 ? 16384 : -16384);
        }).Build()));
        wavs.push_back(path);
        return path;
    }

    // An instrument of the source library with one zone over wav per layer.
    KInstrument& AddInstrument(uint8_t channel, uint8_t pair, std::vector<int> layers, const std::wstring& wav) {
        const int slot = source.AddInstrument(channel, pair);
        EXPECT_GE(slot, 0);
        KInstrument& in = *source.instruments[slot];
        for (int layer : layers) EXPECT_GE(in.AddZone(wav.c_str(), 60, 0, 127, 127, 1, layer, nullptr, 0), 0);
        return in;
    }

    // Exports the source library as a player set in Libs.
    PlayerSet MakeSet(const std::wstring& playerLibrary = std::wstring()) {
        PlayerSet set;
        EXPECT_TRUE(MakePlayerSet(source, libs, playerLibrary.empty() ? standIn : playerLibrary, set));
        return set;
    }

    // Lets go of the source's samples and removes them: what a player plays
    // then comes from its bank.
    void RemoveSources() {
        for (int slot = 0; slot < KSamplerEngine::kInstruments; ++slot) source.DeleteInstrument(slot);
        for (const std::wstring& wav : wavs) EXPECT_TRUE(RemoveFile(wav.c_str()));
        wavs.clear();
    }

    static std::unique_ptr<KPlayerVST> Player(const std::wstring& ownFile) {
        return std::make_unique<KPlayerVST>(QuietHost, ownFile);
    }

    // Renders blocks of 512 frames until `frames` have passed, at the pace of
    // a real-time host (the disk thread refills the voices meanwhile, also on
    // a loaded machine); the peak of all outputs over the last `tail` frames.
    static float RenderPeak(AEffect* e, int frames, int tail) {
        constexpr int kBlock = 512;
        const auto start = std::chrono::steady_clock::now();
        float peak = 0.0f;
        for (int done = 0; done < frames; done += kBlock) {
            std::this_thread::sleep_until(start + std::chrono::microseconds(int64_t{done} * 1000000 / 44100));
            Outputs out(kBlock);
            e->processReplacing(e, nullptr, out.pointers, kBlock);
            if (done + kBlock > frames - tail) peak = std::max(peak, out.PeakOfAll());
        }
        return peak;
    }

    TempFolder folder;
    std::wstring libs;
    std::wstring standIn;
    KSamplerEngine source;
    std::vector<std::wstring> wavs;
};

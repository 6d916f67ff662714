// Rendering speed of the engine: voice-frames per CPU second of the render
// thread, for 32, 128 and 512 streaming voices with filter and envelopes,
// without and with the reverb of every instrument, with as many voice lanes
// as the processor allows (8 with AVX), and for 512 voices again with the
// 4 lanes of SSE2 alone. Not a test: run it from an optimised tree
// (tools/bench.sh).
#include "Engine.h"
#include "VoiceLanes.h"

#include "CpuClock.h"
#include "TempFolder.h"
#include "WavWriter.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kBlock = 512;

struct Result {
    double voiceFramesPerSecond;
    double realTimeFactor;
    int voices;
};

Result Run(const std::wstring& wav, int voices, bool reverb, double seconds) {
    KSamplerEngine engine;
    const int instruments = (voices + KInstrument::kVoices - 1) / KInstrument::kVoices;
    for (int i = 0; i < instruments; ++i) {
        const int slot = engine.AddInstrument(0, static_cast<uint8_t>(i % 4));
        KInstrument& in = *engine.instruments[slot];
        in.AddZone(wav.c_str(), 60, 0, 127, 127, 1, 1, nullptr, 0);
        KSampleZone& z = *in.zones[0];
        z.loopMode = 2; // streams for ever
        z.loopStart = 0;
        z.loopEnd = z.frameCount;
        z.ampAttack = 10;
        z.cutoff = 80;
        z.resonance = 2;
        z.filterDecay = 3000; // the cutoff keeps moving
        z.filterSustain = 20;
        z.FillPreload();
        in.reverbOn = reverb ? 1 : 0;
        in.reverbSend = 0.3;
    }
    engine.UpdateGains();
    // Keys around the root: every voice resamples.
    for (int v = 0; v < voices; ++v) {
        KMidiEvent& e = engine.events.events[engine.events.count++];
        e = KMidiEvent{0x90, static_cast<uint8_t>(48 + v % 25), 100, 0};
        if (engine.events.count == KMidiQueue::kCapacity) break;
    }
    std::vector<float> buffers(8 * kBlock);
    float* out[8];
    for (int i = 0; i < 8; ++i) out[i] = buffers.data() + kBlock * i;

    const int blocks = static_cast<int>(seconds * kRate / kBlock);
    // Warm up: the first refills, the envelopes' attack.
    for (int b = 0; b < 20; ++b) {
        engine.Process(out, kBlock);
        engine.events.count = 0;
    }
    const double start = ThreadCpuSeconds();
    int rendered = 0;
    for (int b = 0; b < blocks; ++b) {
        if (engine.Process(out, kBlock)) ++rendered;
        // Give the disk thread its share, as a real host's pacing would.
        if (b % 8 == 0) std::this_thread::yield();
    }
    const double cpu = ThreadCpuSeconds() - start;
    const double frames = static_cast<double>(rendered) * kBlock;
    Result r;
    r.voices = engine.CountActiveVoices();
    r.voiceFramesPerSecond = frames * r.voices / cpu;
    r.realTimeFactor = frames / kRate / cpu;
    return r;
}

} // namespace

int main(int argc, char** argv) {
    // engine_bench [voices seconds [reverb [lanes]]]: one configuration, e.g.
    // for a profiler; reverb "on" or "off" (the default), lanes 4 or 8.
    const int onlyVoices = argc > 2 ? std::atoi(argv[1]) : 0;
    const double onlySeconds = argc > 2 ? std::atof(argv[2]) : 0;
    const bool onlyReverb = argc > 3 && std::string(argv[3]) == "on";
    const int widest = KVoiceLanes::Width();
    const int onlyLanes = argc > 4 ? std::atoi(argv[4]) : widest;
    TempFolder folder;
    const std::wstring wav = folder.File(L"bench.wav");
    const int64_t frames = 10 * kRate;
    WriteBytes(wav, WavWriter(2, 16).Generate(frames, [](int64_t i, int c) {
        return static_cast<int32_t>(12000 * std::sin(i * (c ? 0.013 : 0.011)) + 3000 * std::sin(i * 0.37));
    }).Build());

    std::printf("%-8s %-7s %-6s %18s %14s %12s\n", "voices", "reverb", "lanes", "voice-frames/cpu-s", "ns/voice-frame",
                "x real time");
    for (int lanes : {widest, 4}) {
        if (lanes == 4 && widest == 4 && onlyVoices == 0) break;
        for (bool reverb : {false, true}) {
            for (int voices : {32, 128, 512}) {
                if (onlyVoices > 0 && (voices != onlyVoices || reverb != onlyReverb || lanes != onlyLanes)) continue;
                // The narrower lanes: the largest case only.
                if (onlyVoices == 0 && lanes != widest && voices != 512) continue;
                KVoiceLanes::UseWidth(lanes);
                const Result r = Run(wav, voices, reverb, onlyVoices > 0 ? onlySeconds : voices >= 512 ? 4.0 : 8.0);
                std::printf("%-8d %-7s %-6d %18.0f %14.2f %12.1f\n", r.voices, reverb ? "on" : "off",
                            KVoiceLanes::Width(), r.voiceFramesPerSecond, 1e9 / r.voiceFramesPerSecond,
                            r.realTimeFactor);
            }
        }
    }
    return 0;
}

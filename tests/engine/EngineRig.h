// An engine with instruments over small fixture WAVs, and helpers to queue
// MIDI and render blocks the way the plug-in does.
#pragma once

#include "Engine.h"

#include "TempFolder.h"
#include "WavWriter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class EngineRig {
public:
    static constexpr int kBlock = 64;

    EngineRig() : outputs(8, std::vector<float>(kBlock, 0.0f)) {
        engine.midiMonitorCallback = [](void* user, int message) {
            static_cast<EngineRig*>(user)->monitored.push_back(message);
        };
        engine.callbackUser = this;
        // A DC sample of 0.25, long enough never to end during a test.
        dcWav = folder.File(L"dc.wav");
        EXPECT_TRUE(WriteBytes(dcWav, WavWriter(1, 16).Generate(200000, [](int64_t, int) { return 8192; }).Build()));
    }

    // Adds an instrument (slot) with one zone over the DC sample.
    int AddInstrument(uint8_t channel = 0, uint8_t pair = 0) { return engine.AddInstrument(channel, pair); }

    int AddZone(int slot, int keyLow = 0, int keyHigh = 127, int velocityLow = 1, int velocityHigh = 127,
                int layer = 1, uint8_t rootKey = 60) {
        return engine.instruments[slot]->AddZone(dcWav.c_str(), rootKey, keyLow, velocityHigh, keyHigh, velocityLow,
                                                  layer, nullptr, 0);
    }
    KSampleZone* Zone(int slot, int zone) { return engine.instruments[slot]->zones[zone]; }

    void Queue(uint8_t status, uint8_t d1, uint8_t d2, int32_t delta = 0) {
        KMidiEvent& e = engine.events.events[engine.events.count++];
        e.status = status;
        e.data1 = d1;
        e.data2 = d2;
        e.deltaFrames = delta;
    }

    // Renders one block into zeroed outputs (or as they are, when keep is set)
    // and empties the event block, as the plug-in does.
    bool Render(int frames = kBlock, bool keep = false) {
        float* out[8];
        for (int i = 0; i < 8; ++i) {
            outputs[i].resize(static_cast<size_t>(frames));
            if (!keep) std::fill(outputs[i].begin(), outputs[i].end(), 0.0f);
            out[i] = outputs[i].data();
        }
        const bool rendered = engine.Process(out, frames);
        if (rendered) engine.events.count = 0;
        return rendered;
    }

    int ActiveVoices(int slot) const {
        int n = 0;
        for (const KVoice& v : engine.instruments[slot]->voices) n += v.active ? 1 : 0;
        return n;
    }

    TempFolder folder;
    std::wstring dcWav;
    KSamplerEngine engine;
    std::vector<std::vector<float>> outputs;
    std::vector<int> monitored;
};

// Helpers of the file tests: an engine to load into whose folder prompt answers as
// the test tells it.
#pragma once

#include "ByteFields.h"
#include "EngineRig.h"
#include "FileRecords.h"

#include <cstring>
#include <string>

// A second engine to load into, answering the folder prompt as told.
struct Loader {
    KSamplerEngine engine;
    KFileJob job;
    int prompts = 0;
    std::wstring answer; // empty: cancel
    Loader() {
        job.folderPrompt = [](void* user, const wchar_t* title, wchar_t* folder, size_t capacity) {
            auto* self = static_cast<Loader*>(user);
            ++self->prompts;
            EXPECT_EQ(std::wstring(title), L"Can not find samples");
            if (self->answer.empty()) return false;
            return CopyWide(folder, capacity, self->answer.c_str());
        };
        job.folderPromptUser = this;
    }
    bool Load(const std::wstring& path, bool asStored = false) { return engine.LoadFile(path.c_str(), job, asStored); }
};

// An engine to save from, with small fixture samples.
class ProjectFileTest : public ::testing::Test {
protected:
    bool Save(const std::wstring& path, bool embed = false, bool keepPaths = false, int instrument = -1) {
        KFileJob job;
        return rig.engine.SaveFile(path.c_str(), job, embed, keepPaths, instrument);
    }
    std::wstring Wav(const std::wstring& name, int64_t frames = 2000, int channels = 1) {
        const std::wstring path = rig.folder.File(name);
        EXPECT_TRUE(WriteBytes(path, WavWriter(channels, 16).Generate(frames, [](int64_t i, int c) {
            return static_cast<int32_t>((i * 13 + c * 7) % 20000);
        }).Build()));
        return path;
    }
    int AddZone(int slot, const std::wstring& wav) {
        return rig.engine.instruments[slot]->AddZone(wav.c_str(), 60, 0, 127, 127, 1, 1, nullptr, 0);
    }

    EngineRig rig;
};

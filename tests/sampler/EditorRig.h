// What the sampler editor's tests share: the real library in the test host
// with a window for its editor, the state chunk read back into an engine of
// the test's own to see what an edit stored, and pixels of the panel.
#pragma once

#include "Engine.h"
#include "PluginHost.h"
#include "TempFolder.h"
#include "WindowRig.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

std::wstring SamplerDll();
constexpr int kEditorWidth = 820, kEditorHeight = 610;

// The zone map in the editor: its top-left corner, the middle of a key's
// column, the plane's y of a velocity, and the key strip's middle row.
constexpr int kMapLeft = 20, kMapTop = 135;
constexpr int KeyX(int key) { return kMapLeft + (key - 21) * 7 + 3; }
constexpr int VelocityY(int velocity) { return kMapTop + 167 - velocity * 167 / 127; }
constexpr int kStripY = kMapTop + 180;
// The sample list: a point inside its rows, and the middle of a row.
constexpr int kListX = 700, kListTop = 348;
constexpr int RowY(int row) { return kListTop + 7 + row * 15; }

// The project a chunk holds, loaded into an engine of the test's own.
struct LoadedChunk {
    KSamplerEngine engine;
    bool ok = false;
};
void Load(const std::vector<uint8_t>& chunk, const TempFolder& folder, LoadedChunk& into);
std::vector<uint8_t> GetChunk(PluginHost& host);
// Every stored field that differs between two projects, named by where it
// is ("pan", "zone 2 cutoff", "zone 3" for a zone that is in one only).
std::vector<std::string> ChangedFields(const LoadedChunk& a, const LoadedChunk& b);

// Handles the host's messages and lets the editor's timers run.
void PumpFor(int milliseconds);

// What the panel shows in a rectangle, as one list of pixels: after every
// waiting message, or at once (no timer has run).
std::vector<uint32_t> Shown(HWND panel, RECT r);
std::vector<uint32_t> ShownNow(HWND panel, RECT r);

class SamplerEditor : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(host.effect(), nullptr);
        host.Open();
    }
    // The editor open in the host window; its panel is the window's child.
    HWND OpenEditor();
    void Restore(const std::vector<uint8_t>& chunk);
    // The project as the plug-in would save it now.
    void ReadBack(LoadedChunk& into) {
        Load(GetChunk(host), folder, into);
        ASSERT_TRUE(into.ok);
    }

    TempFolder folder;
    PluginHost host{SamplerDll()};
    HostWindow window{kEditorWidth, kEditorHeight};
};

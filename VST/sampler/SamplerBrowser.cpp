// The sample browser: the folder, its WAV list and scroll fader, audition by
// holding the right button, double-click to add on the next free key, drag
// onto the zone map, and the layer's name.
#include "SamplerGUI.h"

#include "FolderPicker.h"
#include "InputBox.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

namespace {

constexpr int kAuditionKey = 1;
constexpr float kAuditionReleaseMs = 50.0f;
constexpr auto kAuditionWait = std::chrono::milliseconds(100);

// The drop rectangle in the list's coordinates: the zone map's 88 key
// columns, seen from the list's top-left corner.
constexpr int kDropLeft = -642, kDropRight = -26, kDropTop = -215, kDropBottom = -13;

uint8_t NoteOnStatusOf(const KInstrument& in) {
    return static_cast<uint8_t>(in.midiChannel >= 1 && in.midiChannel <= 16 ? 0x90 | (in.midiChannel - 1) : 0x9F);
}

} // namespace

void KSamplerGUI::OnBrowseSampleFolder() {
    plugin->modified = true;
    auto& folder = plugin->engine.sampleFolder;
    const std::wstring before = folder;
    wchar_t chosen[MAX_PATH] = {};
    const HWND owner = panel.window;
    const bool picked = BrowseForFolder(owner, before.c_str(), chosen);
    if (owner != nullptr && !::IsWindow(owner)) return;
    if (picked) {
        CopyWide(folder, chosen);
        ScanSampleFolder();
    } else {
        CopyWide(folder, before.c_str());
    }
}

void KSamplerGUI::ScanSampleFolder() {
    std::vector<std::wstring> names;
    const std::wstring pattern = std::wstring(plugin->engine.sampleFolder) + L"\\*.wav";
    // A folder whose pattern does not fit a path lists nothing (it could
    // only be cut into another folder's name).
    WIN32_FIND_DATAW found = {};
    const HANDLE search =
        pattern.size() < MAX_PATH ? ::FindFirstFileW(pattern.c_str(), &found) : INVALID_HANDLE_VALUE;
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (names.size() < KList::kMaxItems) names.push_back(found.cFileName);
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    std::vector<const wchar_t*> rows;
    for (const std::wstring& name : names) rows.push_back(name.c_str());
    sampleList.SetItems(rows.data(), static_cast<uint32_t>(rows.size()));
    if (!rows.empty()) {
        sampleList.selectedIndex = 0;
        sampleList.Invalidate();
    }
    UpdateSampleScroll();
}

void KSamplerGUI::UpdateSampleScroll() {
    const int rows = static_cast<int>(sampleList.itemCount), shown = static_cast<int>(sampleList.visibleRows);
    if (rows > shown) {
        sampleScroll.minimum = 0.0f;
        sampleScroll.maximum = static_cast<float>(rows - shown);
        sampleScroll.SetDefaultValue(0.0f);
        sampleScroll.SetValue(0.0f);
    }
    sampleScroll.SetValue(sampleScroll.maximum - static_cast<float>(sampleList.selectedIndex));
}

void KSamplerGUI::OnSampleScroll() {
    const int top = static_cast<int>(sampleScroll.maximum - sampleScroll.GetValue());
    if (top < 0 || top >= static_cast<int>(sampleList.itemCount)) return;
    sampleList.topIndex = top;
    sampleList.Invalidate();
}

bool KSamplerGUI::SelectedSamplePath(std::wstring& path) {
    const int row = sampleList.selectedIndex;
    if (row < 0 || row >= static_cast<int>(sampleList.itemCount)) return false;
    path = std::wstring(plugin->engine.sampleFolder) + L"\\" + sampleList.GetItem(row);
    return path.size() < MAX_PATH;
}

void KSamplerGUI::OnSampleList() {
    std::wstring path;
    const bool fits = SelectedSamplePath(path);
    if (sampleList.rightClicked && !sampleList.dropped) {
        if (!sampleList.rightButtonDown) {
            StopAudition();
        } else if (fits) {
            StartAudition(path);
        }
        return;
    }
    // A release outside the zone map is no drop: nothing to refuse.
    if (sampleList.dropped && !DropKey().has_value()) return;
    if (!fits) {
        // Never cut into another file's name.
        if (sampleList.selectedIndex >= 0) ShowMessage(L"The sample's path is too long.", MB_ICONERROR);
        return;
    }
    if (sampleList.dropped) {
        DropSample(path);
    } else {
        AddSampleAtNextKey(path);
    }
}

void KSamplerGUI::StartAudition(const std::wstring& path) {
    KInstrument* in = CurrentInstrument();
    if (in == nullptr) return;
    // A zone an earlier audition could not remove goes first.
    RemoveAuditionZone();
    if (auditionZone >= 0) return;
    KSampleZone* zone = in->OpenZone(path.c_str(), nullptr, 0);
    if (zone == nullptr) return;
    zone->keyLow = zone->keyHigh = kAuditionKey;
    zone->rootKey = kAuditionKey;
    zone->velocityLow = 1;
    zone->velocityHigh = 127;
    zone->layer = in->currentLayer;
    zone->ampRelease = kAuditionReleaseMs;
    zone->notSaved = 1;
    zone->FillPreload();
    zone->UpdateCoefficients(in->sampleRate);
    auditionZone = in->InsertZone(zone);
    std::this_thread::sleep_for(kAuditionWait);
    if (auditionZone < 0) return;
    plugin->engine.UpdateGains();
    const uint8_t note[3] = {NoteOnStatusOf(*in), kAuditionKey, 127};
    plugin->QueueMidiEvent(note, 0);
}

void KSamplerGUI::StopAudition() {
    KInstrument* in = CurrentInstrument();
    if (auditionZone < 0 || in == nullptr) return;
    const uint8_t note[3] = {NoteOnStatusOf(*in), kAuditionKey, 0};
    plugin->QueueMidiEvent(note, 0);
    std::this_thread::sleep_for(kAuditionWait);
    RemoveAuditionZone();
}

void KSamplerGUI::RemoveAuditionZone() {
    if (auditionZone < 0) return;
    for (KInstrument* in : plugin->engine.instruments) {
        if (in == nullptr || in->zones[auditionZone] == nullptr || !in->zones[auditionZone]->notSaved) continue;
        // Refused while a voice still plays it: it is tried again on the next
        // audition and by the voices timer.
        if (!in->DeleteZone(auditionZone)) return;
        break;
    }
    auditionZone = -1;
}

int KSamplerGUI::NextFreeKey(const KInstrument& in) {
    int next = KMapping::kLowestKey;
    for (const KSampleZone* zone : in.zones)
        if (zone != nullptr && !zone->notSaved && zone->keyHigh >= next) next = zone->keyHigh + 1;
    return std::min(next, KMapping::kHighestKey);
}

void KSamplerGUI::AddSampleAtNextKey(const std::wstring& path) {
    plugin->modified = true;
    KInstrument* in = CurrentInstrument();
    if (in == nullptr) return;
    AddNewZone(*in, path, NextFreeKey(*in), true);
}

std::optional<int> KSamplerGUI::DropKey() const {
    const POINT drop = sampleList.GetDropPoint();
    if (drop.x < kDropLeft || drop.x > kDropRight || drop.y < kDropTop || drop.y > kDropBottom) return std::nullopt;
    return std::min(KMapping::kLowestKey + static_cast<int>(drop.x - kDropLeft) / 7, KMapping::kHighestKey);
}

void KSamplerGUI::DropSample(const std::wstring& path) {
    const std::optional<int> key = DropKey();
    if (!key) return;
    plugin->modified = true;
    KInstrument* in = CurrentInstrument();
    if (in == nullptr) return;
    AddNewZone(*in, path, *key, false);
}

void KSamplerGUI::AddNewZone(KInstrument& in, const std::wstring& path, int key, bool fileKeyAndLoop) {
    if (KSampleZone* zone = in.OpenZone(path.c_str(), nullptr, 0)) {
        SetUpNewZone(*zone, *plugin, key, in.currentLayer, fileKeyAndLoop);
        const int slot = in.InsertZone(zone);
        if (slot >= 0 && zoneMap.instrument != nullptr) {
            zoneMap.selectedZone = slot;
            zoneMap.Invalidate();
        }
    }
    plugin->engine.UpdateGains();
    RefreshZoneView();
}

void KSamplerGUI::OnRenameLayer() {
    KInstrument* in = CurrentInstrument();
    if (in == nullptr) return;
    const int layer = std::min(std::max(in->currentLayer, 1), static_cast<int>(KInstrument::kLayers)) - 1;
    wchar_t name[kInputBoxChars] = {};
    CopyWide(name, in->layerNames[layer]);
    const HWND owner = panel.window;
    const int answer = InputBox(L"Please Input New Layer Name", name, owner);
    if (owner != nullptr && !::IsWindow(owner)) return;
    if (answer == 1) CopyWide(in->layerNames[layer], name);
    RefreshInstrumentView();
}

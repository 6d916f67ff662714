#include "Mapping.h"

#include "Instrument.h"
#include "PanelFont.h"
#include "SampleZone.h"
#include "SamplerVST.h"

#include <commdlg.h>

#include <algorithm>
#include <cwchar>
#include <string>

namespace {

// A system cursor (the ids are narrow-string resource numbers).
HCURSOR SystemCursor(LPSTR id) { return ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(id)); }

constexpr float kMappingFontPoints = 8.0f;

int Trunc(float v) { return static_cast<int>(v); }

} // namespace

std::wstring SampleNameOf(const wchar_t* path) {
    if (path == nullptr) return {};
    const wchar_t* slash = std::wcsrchr(path, L'\\');
    std::wstring name = slash != nullptr ? slash + 1 : path;
    return name.size() > 4 ? name.substr(0, name.size() - 4) : std::wstring();
}

void SetUpNewZone(KSampleZone& zone, const KSamplerVST& plugin, int key, int layer, bool fileKeyAndLoop) {
    zone.keyLow = zone.keyHigh = key;
    zone.rootKey = static_cast<uint8_t>(key);
    zone.velocityLow = 1;
    zone.velocityHigh = 127;
    zone.layer = layer;
    zone.volumeDb = plugin.newZoneVolumeDb;
    zone.pan = plugin.newZonePan;
    zone.exclusiveGroup = plugin.newZoneGroup;
    zone.keyTracking = plugin.newZoneKeyTracking ? 1 : 0;
    zone.releaseTrigger = plugin.newZoneReleaseTrigger ? 1 : 0;
    if (fileKeyAndLoop && zone.hasSmpl) {
        // The file's own root replaces the chosen key.
        const int unity = std::min(std::max(zone.unityNote, 0), 127);
        zone.keyLow = zone.keyHigh = unity;
        zone.rootKey = static_cast<uint8_t>(unity);
        if (zone.hasLoop) {
            zone.loopMode = kLoop;
            zone.loopStart = zone.smplLoopStart;
            zone.loopEnd = zone.smplLoopEnd;
        }
    } else {
        zone.loopMode = plugin.newZoneLoopMode;
    }
    zone.FillPreload();
    zone.UpdateCoefficients(plugin.engine.sampleRate);
    zone.BuildOverview();
}

KMapping::KMapping() {
    outlinePen_ = new Gdiplus::Pen(Gdiplus::Color(0xFFD2D2D7), 1.0f);
    zoneBrush_ = new Gdiplus::SolidBrush(Gdiplus::Color(0x5A87CDF5));
    selectedBrush_ = new Gdiplus::SolidBrush(Gdiplus::Color(0x80FC6327));
    nameBrush_ = new Gdiplus::SolidBrush(Gdiplus::Color(0xFFD2D2D7));
    heldKeyBrush_ = new Gdiplus::SolidBrush(Gdiplus::Color(0x80FFFFFF));
    rootKeyBrush_ = new Gdiplus::SolidBrush(Gdiplus::Color(0xC0FC6327));
    font_ = CreatePanelFont(kMappingFontPoints);
    ini.SetPath(L"korvosampler.ini");
}

KMapping::~KMapping() {
    delete font_;
    delete rootKeyBrush_;
    delete heldKeyBrush_;
    delete nameBrush_;
    delete selectedBrush_;
    delete zoneBrush_;
    delete outlinePen_;
}

bool KMapping::Create(int left, int top, int right, int bottom, KSamplerVST* plugin) {
    velocityAreaHeight = 167;
    keyStripHeight = bottom - top - 167;
    keyWidth = 7.0f;
    velocityScale = 167.0f / 127.0f;
    effect = plugin;
    Init(left, top, right, bottom, kId);
    return true;
}

void KMapping::ReleaseAllKeys() {
    for (HeldKey& key : heldKeys) {
        key.held = false;
        key.velocity = -1;
    }
    Invalidate();
}

RECT KMapping::ZoneRect(int keyLow, int velocityHigh, int keyHigh, int velocityLow) const {
    const int kl = std::max(keyLow, kLowestKey), kh = std::min(keyHigh, kHighestKey);
    const float h = static_cast<float>(velocityAreaHeight);
    RECT r;
    r.left = Trunc(static_cast<float>(kl - 21) * keyWidth);
    r.right = Trunc(static_cast<float>(kh - 20) * keyWidth);
    r.top = Trunc(h - static_cast<float>(velocityHigh) * velocityScale);
    r.bottom = Trunc(h - static_cast<float>(velocityLow - 1) * velocityScale);
    return r;
}

int KMapping::KeyIndexAt(int x) const {
    // The widget is a pixel wider than its 88 keys: that column is key 108.
    return std::min(std::max(Trunc(static_cast<float>(x) / keyWidth), 0), kKeys - 1);
}

RECT KMapping::RectOf(const KSampleZone& zone) const {
    return ZoneRect(zone.keyLow, zone.velocityHigh, zone.keyHigh, zone.velocityLow);
}

KSampleZone* KMapping::ZoneAt(int slot) const {
    if (instrument == nullptr || slot < 0 || slot >= KInstrument::kZones) return nullptr;
    return instrument->zones[slot];
}

KSampleZone* KMapping::SelectedOfLayer() const {
    KSampleZone* zone = ZoneAt(selectedZone);
    return zone != nullptr && zone->layer == currentLayer ? zone : nullptr;
}

void KMapping::Draw(Gdiplus::Graphics& graphics) {
    if (instrument != nullptr) {
        for (int slot = 0; slot < KInstrument::kZones; ++slot)
            if (slot != selectedZone && instrument->zones[slot] != nullptr) DrawZone(*instrument->zones[slot], slot, graphics);
        if (KSampleZone* selected = ZoneAt(selectedZone)) DrawZone(*selected, selectedZone, graphics);
    }
    for (int i = 0; i < kKeys; ++i) {
        if (!heldKeys[i].held) continue;
        const int x = Trunc(static_cast<float>(i) * keyWidth);
        graphics.FillRectangle(heldKeyBrush_, x, velocityAreaHeight, Trunc(keyWidth + 1.0f), keyStripHeight);
        const int y = Trunc((1.0f - static_cast<float>(heldKeys[i].velocity) / 127.0f) * 167.0f);
        graphics.DrawLine(outlinePen_, x, y, Trunc(static_cast<float>(i + 1) * keyWidth), y);
    }
}

void KMapping::DrawZone(const KSampleZone& zone, int slot, Gdiplus::Graphics& graphics) {
    if (zone.layer != currentLayer) return;
    const RECT r = RectOf(zone);
    const int width = r.right - r.left, height = r.bottom - r.top;
    graphics.DrawRectangle(outlinePen_, static_cast<int>(r.left), static_cast<int>(r.top), width, height);
    graphics.FillRectangle(slot == selectedZone ? selectedBrush_ : zoneBrush_, static_cast<int>(r.left),
                           static_cast<int>(r.top), width, height);
    const std::wstring name = SampleNameOf(zone.path);
    if (!name.empty() && font_ != nullptr) {
        Gdiplus::StringFormat format(Gdiplus::StringFormatFlagsDirectionVertical);
        const Gdiplus::RectF box(static_cast<float>(r.left), static_cast<float>(r.top + 1),
                                 static_cast<float>(width - 2), static_cast<float>(height - 2));
        graphics.DrawString(name.c_str(), static_cast<int>(name.size()), font_, box, &format, nameBrush_);
    }
    if (slot == selectedZone) {
        graphics.FillRectangle(rootKeyBrush_, Trunc(static_cast<float>(zone.rootKey - 21) * keyWidth),
                               velocityAreaHeight, Trunc(keyWidth + 1.0f), keyStripHeight);
    }
}

uint8_t KMapping::NoteOnStatus() const {
    const int channel = instrument->midiChannel;
    return static_cast<uint8_t>(channel >= 1 && channel <= 16 ? 0x90 | (channel - 1) : 0x9F);
}

void KMapping::QueueNote(int key, int velocity) {
    if (effect == nullptr || instrument == nullptr) return;
    const uint8_t message[3] = {NoteOnStatus(), static_cast<uint8_t>(key), static_cast<uint8_t>(velocity)};
    effect->QueueMidiEvent(message, 0);
}

void KMapping::OnLButtonDown(int x, int y, int) {
    pressX = x;
    pressY = y;
    if (y >= velocityAreaHeight) {
        const int i = KeyIndexAt(x);
        pressedKey = i;
        if (heldKeys[i].held) return;
        const int velocity =
            Trunc(static_cast<float>(y - velocityAreaHeight) / static_cast<float>(keyStripHeight) * 127.0f + 1.0f);
        heldKeys[i].velocity = velocity;
        // The held flag follows when the engine reports the note.
        QueueNote(kLowestKey + i, velocity);
        return;
    }
    if (instrument == nullptr) return;
    const POINT point = {x, y};
    bool hit = false;
    for (int slot = KInstrument::kZones - 1; slot >= 0 && !hit; --slot) {
        const KSampleZone* zone = instrument->zones[slot];
        if (zone == nullptr || zone->layer != currentLayer) continue;
        const RECT r = RectOf(*zone);
        if (!::PtInRect(&r, point)) continue;
        selectedZone = dragZone = slot;
        pressRange = {zone->keyLow, zone->velocityHigh, zone->keyHigh, zone->velocityLow};
        Invalidate();
        NotifyOwner();
        hit = true;
    }
    // An edge is only ever under the pointer inside its zone: a press that
    // hit nothing has no fresh pressRange to stretch from.
    if (edgeHover != 0 && hit) {
        resizing = true;
        SetEdgeCursor();
    }
}

void KMapping::OnLButtonUp(int, int, int) {
    if (pressedKey >= 0 && pressedKey < kKeys && heldKeys[pressedKey].held && instrument != nullptr)
        QueueNote(kLowestKey + pressedKey, 0);
    dragZone = -1;
    resizing = false;
    Invalidate();
}

void KMapping::SetEdgeCursor() {
    if (edgeHover == 1) ::SetCursor(SystemCursor(IDC_SIZEWE));
    if (edgeHover == 2) ::SetCursor(SystemCursor(IDC_SIZENS));
}

void KMapping::OnMouseMove(int x, int y, int) {
    if (instrument == nullptr) return;
    if (dragZone >= 0 && !resizing) {
        KSampleZone* zone = ZoneAt(dragZone);
        if (zone != nullptr && zone->layer == currentLayer) MoveZone(*zone, x, y);
        return;
    }
    // A selection on another layer is not drawn: no edge of it is there to
    // be found or dragged.
    KSampleZone* selected = SelectedOfLayer();
    if (selected == nullptr) {
        if (edgeHover != 0) ::SetCursor(SystemCursor(IDC_ARROW));
        edgeHover = 0;
        resizing = false;
        return;
    }
    if (resizing)
        ResizeZone(*selected, x, y);
    else
        TrackEdge(*selected, x, y);
}

void KMapping::MoveZone(KSampleZone& zone, int x, int y) {
    int newLow = Trunc(static_cast<float>(x - pressX) / keyWidth + static_cast<float>(pressRange.keyLow));
    newLow = std::max(newLow, kLowestKey);
    const int width = zone.keyHigh - zone.keyLow;
    if (newLow + width > kHighestKey) newLow = kHighestKey - width;
    // A zone wider than the keyboard keeps its keys (it would reach below
    // key 0 otherwise); its velocities still move.
    if (width > kHighestKey - kLowestKey) newLow = zone.keyLow;
    zone.keyHigh = newLow + width;
    zone.keyLow = newLow;

    int newVelocityLow = Trunc(static_cast<float>(pressY - y) / velocityScale + static_cast<float>(pressRange.velocityLow));
    newVelocityLow = std::max(newVelocityLow, 1);
    const int height = zone.velocityHigh - zone.velocityLow;
    if (newVelocityLow + height > 127) newVelocityLow = 127 - height;
    zone.velocityHigh = newVelocityLow + height;
    zone.velocityLow = newVelocityLow;

    if (newLow == pressRange.keyLow && newVelocityLow == pressRange.velocityLow) return;
    Invalidate();
    NotifyOwner();
}

void KMapping::ResizeZone(KSampleZone& zone, int x, int y) {
    const float dx = static_cast<float>(x - pressX), dy = static_cast<float>(pressY - y);
    // Each edge stops at the opposite one as it is now, not only as it was
    // at the press (the wheel may have shifted the zone since); a value that
    // cannot keep the order within the map's range is not stored.
    if (edgeHover == 1 && edgeIsFar) {
        const int high = std::min(std::max(Trunc(dx / keyWidth + static_cast<float>(pressRange.keyHigh)),
                                           std::max(pressRange.keyLow, zone.keyLow)),
                                  kHighestKey);
        if (high >= zone.keyLow) zone.keyHigh = high;
    } else if (edgeHover == 1) {
        const int low = std::max(std::min(Trunc(dx / keyWidth + static_cast<float>(pressRange.keyLow)),
                                          std::min(pressRange.keyHigh, zone.keyHigh)),
                                 kLowestKey);
        if (low <= zone.keyHigh) zone.keyLow = low;
    } else if (edgeHover == 2 && edgeIsFar) {
        const int limit = std::min(pressRange.velocityHigh, zone.velocityHigh);
        int low = std::max(Trunc(dy / velocityScale + static_cast<float>(pressRange.velocityLow)), 1);
        if (low >= limit) low = limit - 1;
        if (low >= 1) zone.velocityLow = low;
    } else if (edgeHover == 2) {
        const int limit = std::max(pressRange.velocityLow, zone.velocityLow);
        int high = std::min(Trunc(dy / velocityScale + static_cast<float>(pressRange.velocityHigh)), 127);
        if (high <= limit) high = limit + 1;
        if (high <= 127) zone.velocityHigh = high;
    }
    Invalidate();
    NotifyOwner();
}

void KMapping::TrackEdge(const KSampleZone& zone, int x, int y) {
    const RECT r = RectOf(zone);
    const bool insideY = r.top < y && y < r.bottom, insideX = r.left < x && x < r.right;
    if (r.right - 3 < x && x < r.right && insideY) {
        edgeHover = 1;
        edgeIsFar = true;
    } else if (r.bottom - 3 < y && y < r.bottom && insideX) {
        edgeHover = 2;
        edgeIsFar = true;
    } else if (r.left < x && x < r.left + 3 && insideY) {
        edgeHover = 1;
        edgeIsFar = false;
    } else if (r.top < y && y < r.top + 3 && insideX) {
        edgeHover = 2;
        edgeIsFar = false;
    } else {
        if (edgeHover != 0) ::SetCursor(SystemCursor(IDC_ARROW));
        edgeHover = 0;
        return;
    }
    SetEdgeCursor();
}

void KMapping::OnRButtonDown(int x, int y, int) {
    KSampleZone* zone = SelectedOfLayer();
    if (zone == nullptr || y < velocityAreaHeight) return;
    zone->rootKey = static_cast<uint8_t>(kLowestKey + KeyIndexAt(x));
    Invalidate();
    NotifyOwner();
}

void KMapping::OnRButtonDblClk(int x, int y, int keys) {
    if (instrument == nullptr) return;
    OnLButtonDown(x, y, keys);
    OnLButtonUp(x, y, keys);
    KSampleZone* zone = SelectedOfLayer();
    if (zone == nullptr) return;
    const RECT r = RectOf(*zone);
    const POINT point = {x, y};
    if (!::PtInRect(&r, point)) return;
    const HWND owner = GetOwnerWindow();
    const int answer = ::MessageBoxW(owner, L"Are you sure to delete this sample?", L"Korvo Sampler",
                                     MB_YESNO | MB_ICONQUESTION);
    // The editor may have gone while the question was up.
    if (answer != IDYES || (owner != nullptr && !::IsWindow(owner))) return;
    DeleteSelected();
}

void KMapping::OnKeyDown(int virtualKey) {
    if (virtualKey != VK_DELETE || SelectedOfLayer() == nullptr) return;
    DeleteSelected();
}

void KMapping::DeleteSelected() {
    const int saved = selectedZone;
    selectedZone = -1;
    Invalidate();
    NotifyOwner();
    if (!instrument->DeleteZone(saved)) {
        // A voice plays it: it stays, and stays selected.
        selectedZone = saved;
        Invalidate();
    }
}

void KMapping::OnMouseWheel(int, int, int keys, int delta) {
    // Only the zone the map shows selected: one left on another layer stays.
    KSampleZone* zone = SelectedOfLayer();
    if (zone == nullptr) return;
    const int d = WheelNotchDelta(delta);
    const bool velocities = keys == MK_CONTROL;
    if (d > 0 && velocities) {
        if (zone->velocityHigh < 127) {
            ++zone->velocityHigh;
            ++zone->velocityLow;
        }
    } else if (d > 0) {
        if (zone->keyHigh < kHighestKey) {
            ++zone->keyLow;
            ++zone->keyHigh;
        }
    } else if (d < 0 && velocities) {
        if (zone->velocityLow > 1) {
            --zone->velocityHigh;
            --zone->velocityLow;
        }
    } else if (d < 0) {
        if (zone->keyLow > kLowestKey) {
            --zone->keyLow;
            --zone->keyHigh;
        }
    }
    Invalidate();
    NotifyOwner();
}

void KMapping::OnLButtonDblClk(int x, int y, int) {
    if (instrument == nullptr || y >= velocityAreaHeight) return;
    const int key = kLowestKey + KeyIndexAt(x);
    wchar_t folder[kIniReadChars] = {};
    ini.ReadString(L"path", L"sample", L"", folder);
    wchar_t file[MAX_PATH] = {};
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    const HWND owner = GetOwnerWindow();
    dialog.hwndOwner = owner;
    dialog.hInstance = ::GetModuleHandleW(nullptr);
    dialog.lpstrFilter = L"PCM WAVE\0*.wav\0";
    dialog.lpstrFile = file;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrInitialDir = folder;
    dialog.lpstrTitle = L"Add Sample to Korvo Sampler";
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    if (!::GetOpenFileNameW(&dialog)) return;
    // The editor may have gone while the dialog was up.
    if (owner != nullptr && !::IsWindow(owner)) return;
    std::wstring chosenFolder = file;
    const size_t slash = chosenFolder.find_last_of(L'\\');
    chosenFolder = slash == std::wstring::npos ? std::wstring() : chosenFolder.substr(0, slash);
    ini.WriteString(chosenFolder.c_str(), L"path", L"sample");

    KSampleZone* zone = instrument->OpenZone(file, nullptr, 0);
    if (zone == nullptr) return;
    SetUpNewZone(*zone, *effect, key, currentLayer, true);
    const int slot = instrument->InsertZone(zone);
    if (slot < 0) return;
    selectedZone = slot;
    Invalidate();
    effect->engine.UpdateGains();
    NotifyOwner();
}

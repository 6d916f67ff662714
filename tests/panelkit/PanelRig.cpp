#include "PanelRig.h"

#include <algorithm>

TestSkins::TestSkins() { holder_.module = ::GetModuleHandleW(nullptr); }

TestSkins::~TestSkins() {
    for (auto& entry : images_) delete entry.second;
}

Gdiplus::Bitmap* TestSkins::operator[](const std::wstring& name) {
    auto found = images_.find(name);
    if (found != images_.end()) return found->second;
    const HRSRC resource = ::FindResourceW(holder_.module, name.c_str(), L"PNG");
    Gdiplus::Bitmap* image = resource != nullptr ? LoadPngResource(resource, &holder_) : nullptr;
    images_[name] = image;
    return image;
}

namespace {

void RecordCommand(int id, void* context) { static_cast<PanelRig*>(context)->commands.push_back(id); }
void RecordTimer(int id, void* context) { static_cast<PanelRig*>(context)->timers.push_back(id); }

} // namespace

PanelRig::PanelRig(Gdiplus::Bitmap* background)
    : host(static_cast<int>(background->GetWidth()), static_cast<int>(background->GetHeight())) {
    descriptor.commandCallback = RecordCommand;
    descriptor.timerCallback = RecordTimer;
    descriptor.callbackContext = this;
    CreatePanelWindow(&descriptor, ::GetModuleHandleW(nullptr), host.hwnd(), background);
    PumpMessages();
}

PanelRig::~PanelRig() {
    DestroyPanelWindow(&descriptor);
    PumpMessages();
}

void PanelRig::Repaint() {
    ::InvalidateRect(panel(), nullptr, FALSE);
    ::UpdateWindow(panel());
    PumpMessages();
}

uint32_t PanelRig::ShownAt(KWidget& widget, int x, int y) {
    const RECT r = widget.GetRect();
    return Shot().Rgb(r.left + x, r.top + y);
}

int CountOf(const std::vector<int>& ids, int id) { return static_cast<int>(std::count(ids.begin(), ids.end(), id)); }

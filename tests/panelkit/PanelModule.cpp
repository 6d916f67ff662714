// A library with a panel of its own, built twice under two names, so that a
// test holds two modules' panels at once and unloads one of them.
#include "Panel.h"

namespace {

class PressCounter : public KWidget {
public:
    void Draw(Gdiplus::Graphics& graphics) override {
        Gdiplus::SolidBrush brush{Gdiplus::Color(0xFF30C030)};
        graphics.FillRectangle(&brush, 0, 0, Width(), Height());
    }
    void OnLButtonDown(int, int, int) override { ++presses; }
    int presses = 0;
};

PanelDescriptor gPanel = {};
PressCounter gCounter;
Gdiplus::Bitmap* gBackground = nullptr;

} // namespace

// The panel is created with the instance the caller passes, as the dialogs
// pass the host program's.
extern "C" __declspec(dllexport) HWND TestPanelCreate(HWND parent, HINSTANCE instance) {
    gBackground = new Gdiplus::Bitmap(120, 80, PixelFormat32bppARGB);
    CreatePanelWindow(&gPanel, instance, parent, gBackground);
    gCounter.Init(10, 10, 110, 70, 0);
    AddWidget(gPanel.model, &gCounter);
    return gPanel.window;
}

extern "C" __declspec(dllexport) void TestPanelDestroy() {
    DestroyPanelWindow(&gPanel);
    delete gBackground;
    gBackground = nullptr;
}

extern "C" __declspec(dllexport) int TestPanelPresses() { return gCounter.presses; }
extern "C" __declspec(dllexport) const wchar_t* TestPanelClassName() { return gPanel.className; }

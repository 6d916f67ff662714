// A panel on a host window of its own size, with its command and timer
// callbacks recorded, and the tests' skin images.
#pragma once

#include "Panel.h"
#include "PngResource.h"
#include "TestSkins.h"
#include "WindowRig.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

// The skin images of the test program's resources, decoded once per test.
class TestSkins {
public:
    TestSkins();
    ~TestSkins();
    // The image of a resource name; null when it does not load.
    Gdiplus::Bitmap* operator[](const std::wstring& name);
    Gdiplus::Bitmap* operator[](const skins::Strip& strip) { return (*this)[strip.name]; }

private:
    std::map<std::wstring, Gdiplus::Bitmap*> images_;
    PngResourceHolder holder_ = {nullptr, nullptr};
};

class PanelRig {
public:
    // A panel as large as the background, in a host window as large.
    explicit PanelRig(Gdiplus::Bitmap* background);
    ~PanelRig();
    PanelRig(const PanelRig&) = delete;
    PanelRig& operator=(const PanelRig&) = delete;

    HWND panel() const { return descriptor.window; }
    PanelModel* model() const { return descriptor.model; }
    // Adds and shows a widget, as if it had been there at the first paint.
    void Add(KWidget& widget) {
        AddWidget(descriptor.model, &widget);
        widget.Invalidate();
    }
    // Everything invalidated and painted now.
    void Repaint();
    // What the panel shows (pending paints done first).
    Capture Shot() { return CaptureWindow(panel()); }
    // The colour the panel shows at x, y of a widget.
    uint32_t ShownAt(KWidget& widget, int x, int y);

    HostWindow host;
    PanelDescriptor descriptor = {};
    std::vector<int> commands; // ids in the order the callback got them
    std::vector<int> timers;
};

// The ids the panel got of one widget id, as a count.
int CountOf(const std::vector<int>& ids, int id);

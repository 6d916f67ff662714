// The panel: one child window per editor or dialog on which the widgets
// live. It paints them into one off-screen 32-bit image per module and routes
// mouse, wheel and key messages to them by rectangle.
//
// Every panel's window class is registered with, and named after, the module
// that holds this code, whatever module the owner passes: two plug-ins in one
// process (or a dialog that passes the host program's handle) never share a
// class, so a window never runs the procedure of a module that was unloaded.
#pragma once

#include "Widget.h"

#include <windows.h>
#include <gdiplus.h>

#include <cstdint>

using PanelCommandCallback = void (*)(int id, void* context);
using PanelTimerCallback = void (*)(int timerId, void* context);

constexpr int kPanelMaxWidgets = 512;
// Ids posted by popup-menu items (KCombo): 2048 of them, never forwarded to
// the command callback.
constexpr int kPopupMenuFirstId = 8507;
constexpr int kPopupMenuLastId = 10554;

struct PanelModel {
    HWND window;
    KWidget* widgets[kPanelMaxWidgets]; // insertion order: painted first, hit last
    int32_t widgetCount;
    int32_t hoverIndex;   // -1: none
    int32_t captureIndex; // -1: none
    Gdiplus::Bitmap* background; // not owned
    uint32_t clearColor;         // ARGB
    bool tileBackground;
};

// Owned by value by each editor or dialog; zeroed before first use.
struct PanelDescriptor {
    PanelModel* model;   // null while no window exists
    HINSTANCE hInstance; // the owner's module (window instance, skin resources)
    HWND parentWindow;
    HWND window;
    wchar_t className[20]; // "Panelkit%08x" of the module holding this code
    PanelCommandCallback commandCallback;
    PanelTimerCallback timerCallback;
    void* callbackContext;
};

// Creates the panel window (a visible child of parent, as large as the
// background) and its model, and gives it the focus. A descriptor that
// already has a panel loses it first. Without a background nothing is made.
void CreatePanelWindow(PanelDescriptor* descriptor, HINSTANCE module, HWND parent, Gdiplus::Bitmap* background);
void RegisterPanelClass(PanelDescriptor* descriptor);
// Destroys the window and the model. The widgets live on with their owner,
// detached from the window: they no longer invalidate or post to it.
void DestroyPanelWindow(PanelDescriptor* descriptor);
// Appends a widget (drawn above, and hit before, the earlier ones); a 513th
// is ignored.
void AddWidget(PanelModel* model, KWidget* widget);

LRESULT CALLBACK PanelWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PaintPanel(HDC dc, PanelModel* model);
void DrawWidgets(Gdiplus::Graphics& graphics, PanelModel* model);

// The module that holds this code (a plug-in library, or a test program).
HINSTANCE PanelCodeModule();
// The back buffer of this module: null before the first paint. For tests.
Gdiplus::Bitmap* PanelBackBuffer();
// Frees the module's own GDI+ objects (the back buffer), which must not
// outlive the GDI+ session that made them: called just before the module's
// session ends, once no panel is left. The next paint makes them anew.
void ReleasePanelGraphics();

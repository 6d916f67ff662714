// The window test rig: real windows under Wine and Xvfb, fed with real input
// (the system's cursor, SendInput), and read back as pixels or saved as PNG
// screenshots.
//
// Input moves the desktop's one cursor and goes to whatever window lies
// under it or has the focus, so tests that use it run alone (RUN_SERIAL).
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <cstdint>
#include <string>
#include <vector>

// GDI+ for the life of a test.
class GdiplusSession {
public:
    GdiplusSession();
    ~GdiplusSession();
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    bool ok() const { return token_ != 0; }

private:
    ULONG_PTR token_ = 0;
};

// A top-level popup window without frame, at a fixed place on the screen,
// that hosts what a test shows (a panel, an editor).
class HostWindow {
public:
    static constexpr int kLeft = 40, kTop = 40;
    HostWindow(int width, int height);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
    HWND hwnd() const { return window_; }

private:
    HWND window_ = nullptr;
};

// Pixels as 0xAARRGGBB, row by row.
struct Capture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    // The colour without alpha at x, y; 0 outside.
    uint32_t Rgb(int x, int y) const;
    // True when every pixel of the rectangle has that colour (alpha ignored).
    bool Filled(const RECT& rect, uint32_t argb) const;
    bool SavePng(const std::wstring& path) const;
};

// What the window's client area shows now (after pending paints).
Capture CaptureWindow(HWND window);
// What it shows once what is invalid is painted, with no other message
// handled (no timer runs, nothing posted is delivered).
Capture CaptureWindowAsIs(HWND window);
// What it shows this moment, without asking its thread to paint (callable
// from another thread: a window whose thread is busy shows so).
Capture CaptureWindowUntouched(HWND window);
// What an image holds.
Capture CaptureBitmap(Gdiplus::Bitmap* image);
// What the screen shows of a top-level window, its frame, caption and menu
// included; the window may belong to another process.
Capture CaptureWholeWindow(HWND window);
// What the screen shows in a rectangle (screen coordinates): windows at
// their places.
Capture CaptureScreen(const RECT& area);

// The build tree's screenshots folder (made on demand), with name.png.
std::wstring ScreenshotPath(const std::wstring& name);
// Saves what the window shows as a screenshot; false when it cannot.
bool SaveScreenshot(HWND window, const std::wstring& name);

// Handles every message that waits, then those that handling them caused,
// until none is left.
void PumpMessages();

// Real input, in client coordinates of `window`; each call pumps messages
// afterwards.
namespace input {
void MoveTo(HWND window, int x, int y);
// A fresh press: never the second of a double click, however soon after
// the last one it comes (see ForgetClicks).
void LeftDown();
void LeftUp();
void RightDown();
void RightUp();
// Down and up at x, y.
void Click(HWND window, int x, int y);
// Two clicks at x, y within the double-click time.
void DoubleClick(HWND window, int x, int y);
void RightDoubleClick(HWND window, int x, int y);
// The system pairs a press with the last one of the same button into a
// double click; a middle-button click in between (which the panels ignore)
// ends the pairing.
void ForgetClicks();
// One wheel event of delta (a notch is 120; down is negative).
void Wheel(int delta);
void Key(WORD virtualKey);
} // namespace input

// A colour without its alpha.
constexpr uint32_t Rgb(uint32_t argb) { return argb & 0x00FFFFFFu; }

// The base of every panel widget. Widgets are not windows: the panel owns a
// list of them, paints them into its back buffer and routes input to them by
// rectangle (Panel.h). A widget reports a user change by posting WM_COMMAND
// with its id to its panel.
//
// Threads: input and painting run on the panel's thread. The meter timer and
// the audio thread may call the setters that only store numbers, Invalidate
// and NotifyOwner: those touch the window only through InvalidateRect and
// PostMessageW, which any thread may call.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <atomic>
#include <cstdint>

class KWidget {
public:
    KWidget() = default;
    KWidget(const KWidget&) = delete;
    KWidget& operator=(const KWidget&) = delete;

    // The virtual operations keep this order in every widget class: owners
    // and widgets are built together, but the order is the interface.
    virtual ~KWidget() = default;
    virtual void Init(int left, int top, int right, int bottom, int id);
    // The graphics is translated so that the widget's top-left is at 0,0.
    // The base draws the learn overlay only.
    virtual void Draw(Gdiplus::Graphics& graphics);
    virtual void Invalidate();
    virtual void MarkFresh();
    virtual void ClearFresh();
    virtual bool IsFresh();
    virtual RECT GetRect();
    virtual void MoveTo(int x, int y);
    virtual HWND GetOwnerWindow();
    virtual bool IsPlaced();
    virtual void SetOwnerWindow(HWND window);
    virtual void SetDefaultValue(float v);
    virtual float GetDefaultValue();
    virtual bool IsMenuOpen();
    virtual void SetMenuOpen(bool open);
    virtual void SetLearnable(bool on);
    virtual bool IsLearnable();
    virtual void SetLearned(bool on);
    virtual bool IsLearned();
    virtual uint8_t GetLearnedStatus();
    virtual void SetLearnedStatus(uint8_t status);
    virtual uint8_t GetLearnedData1();
    virtual void SetLearnedData1(uint8_t data1);
    virtual bool IsVisible();
    virtual void SetVisible(bool on);
    virtual float GetValue();
    virtual void SetValue(float v);
    // Mouse coordinates are widget-local; keys are the message's key flags.
    virtual void OnLButtonDown(int x, int y, int keys);
    virtual void OnLButtonUp(int x, int y, int keys);
    virtual void OnLButtonDblClk(int x, int y, int keys);
    virtual void OnRButtonDown(int x, int y, int keys);
    virtual void OnRButtonUp(int x, int y, int keys);
    virtual void OnRButtonDblClk(int x, int y, int keys);
    virtual void OnMouseEnter();
    virtual void OnMouseLeave();
    virtual void OnMouseMove(int x, int y, int keys);
    virtual void OnKeyDown(int virtualKey);
    virtual void OnKeyUp(int virtualKey);
    // delta is the message's high word as an unsigned number: widgets read
    // it as a signed 16-bit one (a notch is +120 or -120).
    virtual void OnMouseWheel(int x, int y, int keys, int delta);
    virtual void OnMenuCommand(int itemIndex);
    virtual void OnMidi(int status, int channel, int data1, int data2);

    // Posts WM_COMMAND (id, owner window) to the owner window when both are
    // set.
    void NotifyOwner();
    // Window thread only: the owner handles the notification before this
    // returns, while the widget still holds the value it notifies.
    void NotifyOwnerNow();
    // point in panel coordinates.
    bool HitTest(POINT point) const;

protected:
    int Width() const { return rect.right - rect.left; }
    int Height() const { return rect.bottom - rect.top; }
    // The learn matching shared by the widgets that answer a learned
    // controller: learned, not learning, the status equal to the learned one
    // without its channel bits, the same first data byte.
    bool MatchesLearned(int status, int data1) const;

    // Cleared by the panel's destruction on another thread's watch.
    std::atomic<HWND> ownerWindow{nullptr};
    RECT rect = {0, 0, 0, 0};
    std::atomic<bool> fresh{false};
    bool visible = true;
    int32_t id = 0;
    bool placed = false;
    float value = 0.0f;
    float defaultValue = 0.0f;
    bool menuOpen = false;
    bool learned = false;
    uint8_t learnedStatus = 0;
    uint8_t learnedData1 = 0;
    bool learnMode = false;
    bool learnable = false;
};

// The signed wheel delta of OnMouseWheel's unsigned argument.
inline int WheelNotchDelta(int delta) { return static_cast<int16_t>(static_cast<uint16_t>(delta)); }

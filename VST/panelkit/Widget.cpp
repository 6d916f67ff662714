#include "Widget.h"

void KWidget::Init(int left, int top, int right, int bottom, int controlId) {
    rect = {left, top, right, bottom};
    id = controlId;
    placed = true;
}

void KWidget::Draw(Gdiplus::Graphics& graphics) {
    if (learnMode) {
        Gdiplus::SolidBrush shade(Gdiplus::Color(0x640000FF));
        graphics.FillRectangle(&shade, 0, 0, Width(), Height());
    }
    if (learned) {
        Gdiplus::Pen outline(Gdiplus::Color(0xFF39FF00), 1.0f);
        graphics.DrawRectangle(&outline, 0, 0, Width() - 1, Height() - 1);
    }
}

void KWidget::Invalidate() {
    const HWND owner = ownerWindow.load(std::memory_order_acquire);
    if (owner != nullptr) ::InvalidateRect(owner, &rect, FALSE);
}

void KWidget::MarkFresh() { fresh.store(true, std::memory_order_relaxed); }
void KWidget::ClearFresh() { fresh.store(false, std::memory_order_relaxed); }
bool KWidget::IsFresh() { return fresh.load(std::memory_order_relaxed); }
RECT KWidget::GetRect() { return rect; }

void KWidget::MoveTo(int x, int y) {
    const int w = Width(), h = Height();
    rect = {x, y, x + w, y + h};
    Invalidate();
}

HWND KWidget::GetOwnerWindow() { return ownerWindow.load(std::memory_order_acquire); }
bool KWidget::IsPlaced() { return placed; }
void KWidget::SetOwnerWindow(HWND window) { ownerWindow.store(window, std::memory_order_release); }
void KWidget::SetDefaultValue(float v) { defaultValue = v; }
float KWidget::GetDefaultValue() { return defaultValue; }
bool KWidget::IsMenuOpen() { return menuOpen; }
void KWidget::SetMenuOpen(bool open) { menuOpen = open; }
void KWidget::SetLearnable(bool on) { learnable = on; }
bool KWidget::IsLearnable() { return learnable; }
void KWidget::SetLearned(bool on) { learned = on; }
bool KWidget::IsLearned() { return learned; }
uint8_t KWidget::GetLearnedStatus() { return learnedStatus; }
void KWidget::SetLearnedStatus(uint8_t status) { learnedStatus = status; }
uint8_t KWidget::GetLearnedData1() { return learnedData1; }
void KWidget::SetLearnedData1(uint8_t data1) { learnedData1 = data1; }
bool KWidget::IsVisible() { return visible; }

void KWidget::SetVisible(bool on) {
    visible = on;
    Invalidate();
}

float KWidget::GetValue() { return value; }

void KWidget::SetValue(float v) {
    value = v;
    NotifyOwner();
}

void KWidget::OnLButtonDown(int, int, int) {}
void KWidget::OnLButtonUp(int, int, int) {}
void KWidget::OnLButtonDblClk(int, int, int) {}

void KWidget::OnRButtonDown(int, int, int) {
    if (!learnable) return;
    learnMode = true;
    Invalidate();
}

void KWidget::OnRButtonUp(int, int, int) {
    if (!learnable) return;
    learnMode = false;
    Invalidate();
}

void KWidget::OnRButtonDblClk(int, int, int) {
    if (!learnable) return;
    learned = false;
    Invalidate();
}

void KWidget::OnMouseEnter() {}
void KWidget::OnMouseLeave() {}
void KWidget::OnMouseMove(int, int, int) {}
void KWidget::OnKeyDown(int) {}
void KWidget::OnKeyUp(int) {}
void KWidget::OnMouseWheel(int, int, int, int) {}
void KWidget::OnMenuCommand(int) {}

void KWidget::OnMidi(int status, int channel, int data1, int) {
    if (!learnMode || !learnable) return;
    learnedStatus = static_cast<uint8_t>(status + channel);
    learnedData1 = static_cast<uint8_t>(data1);
    learned = true;
}

void KWidget::NotifyOwner() {
    const HWND owner = ownerWindow.load(std::memory_order_acquire);
    if (id != 0 && owner != nullptr)
        ::PostMessageW(owner, WM_COMMAND, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(owner));
}

void KWidget::NotifyOwnerNow() {
    const HWND owner = ownerWindow.load(std::memory_order_acquire);
    if (id != 0 && owner != nullptr)
        ::SendMessageW(owner, WM_COMMAND, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(owner));
}

bool KWidget::HitTest(POINT point) const { return ::PtInRect(&rect, point) != FALSE; }

bool KWidget::MatchesLearned(int status, int data1) const {
    return learned && !learnMode && status == (learnedStatus & 0xF0) && data1 == learnedData1;
}

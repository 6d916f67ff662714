#include "MessageBoxAnswerer.h"

#include "DialogFinder.h"

#include <windows.h>

#include <chrono>

const bool MessageBoxAnswerer::kBoxesShown = true;

namespace {

// The text of a message box: its one static control that has text (the
// icon is a static without).
BOOL CALLBACK FindText(HWND child, LPARAM found) {
    wchar_t className[32] = {};
    ::GetClassNameW(child, className, 32);
    if (lstrcmpiW(className, L"Static") != 0) return TRUE;
    wchar_t text[512] = {};
    if (::GetWindowTextW(child, text, 512) == 0) return TRUE;
    *reinterpret_cast<std::wstring*>(found) = text;
    return FALSE;
}
} // namespace

MessageBoxAnswerer::MessageBoxAnswerer(std::wstring caption, int button, unsigned long process)
    : caption_(std::move(caption)), button_(button), process_(process != 0 ? process : ::GetCurrentProcessId()) {
    thread_ = std::thread(&MessageBoxAnswerer::Watch, this);
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
    stop_ = true;
    thread_.join();
}

void MessageBoxAnswerer::Watch() {
    while (!stop_) {
        HWND box = FindDialog(caption_, process_);
        if (box == nullptr) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        Box seen;
        ::EnumChildWindows(box, FindText, reinterpret_cast<LPARAM>(&seen.text));
        seen.hasOwner = ::GetWindow(box, GW_OWNER) != nullptr;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            answered_.push_back(seen);
        }
        HWND pressed = ::GetDlgItem(box, button_);
        ::SendMessageW(pressed != nullptr ? pressed : box, BM_CLICK, 0, 0);
        // One answer per box: wait until it is gone.
        while (!stop_ && ::IsWindow(box)) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::vector<MessageBoxAnswerer::Box> MessageBoxAnswerer::Answered() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return answered_;
}

std::vector<std::wstring> MessageBoxAnswerer::Texts() const {
    std::vector<std::wstring> texts;
    for (const Box& box : Answered()) texts.push_back(box.text);
    return texts;
}

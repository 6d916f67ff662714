#include "InputBoxAnswerer.h"

#include "DialogFinder.h"

#include <chrono>

namespace {
constexpr int kPromptId = 1000, kEditId = 1001;
}

InputBoxAnswerer::InputBoxAnswerer(int button, std::wstring text, bool keepText)
    : button_(button), text_(std::move(text)), keepText_(keepText) {
    thread_ = std::thread(&InputBoxAnswerer::Watch, this);
}

InputBoxAnswerer::~InputBoxAnswerer() {
    stop_ = true;
    thread_.join();
}

void InputBoxAnswerer::Watch() {
    while (!stop_) {
        HWND box = FindDialog(L"Tellurand Panelkit2");
        if (box == nullptr) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        Question seen;
        seen.prompt = WindowText(::GetDlgItem(box, kPromptId));
        seen.initial = WindowText(::GetDlgItem(box, kEditId));
        seen.owner = ::GetWindow(box, GW_OWNER);
        seen.ownerDisabled = seen.owner != nullptr && !::IsWindowEnabled(seen.owner);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            questions_.push_back(seen);
        }
        if (!keepText_) ::SendMessageW(::GetDlgItem(box, kEditId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text_.c_str()));
        ::SendMessageW(::GetDlgItem(box, button_), BM_CLICK, 0, 0);
        // One answer per box: wait until it is gone.
        while (!stop_ && ::IsWindow(box)) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::vector<InputBoxAnswerer::Question> InputBoxAnswerer::Questions() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return questions_;
}

std::vector<std::wstring> InputBoxAnswerer::Prompts() const {
    std::vector<std::wstring> prompts;
    for (const Question& q : Questions()) prompts.push_back(q.prompt);
    return prompts;
}

std::vector<std::wstring> InputBoxAnswerer::Initials() const {
    std::vector<std::wstring> initials;
    for (const Question& q : Questions()) initials.push_back(q.initial);
    return initials;
}

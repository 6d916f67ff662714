// Stands in for the user at the input box while it lives: from a thread of
// its own it finds each box, notes what it asks and its starting text, types
// the answer into the edit and presses OK or CANCEL, so the code under test
// goes on.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class InputBoxAnswerer {
public:
    // button: IDOK or IDCANCEL. keepText: press it on the box's own text, as
    // a user who only confirms.
    InputBoxAnswerer(int button, std::wstring text, bool keepText = false);
    ~InputBoxAnswerer();
    InputBoxAnswerer(const InputBoxAnswerer&) = delete;
    InputBoxAnswerer& operator=(const InputBoxAnswerer&) = delete;

    struct Question {
        std::wstring prompt;
        std::wstring initial; // the edit's text when the box opened
        HWND owner;
        bool ownerDisabled;
    };
    std::vector<Question> Questions() const;
    std::vector<std::wstring> Prompts() const;
    std::vector<std::wstring> Initials() const;

private:
    void Watch();

    int button_;
    std::wstring text_;
    bool keepText_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<Question> questions_;
    std::thread thread_;
};

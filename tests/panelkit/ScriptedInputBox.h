// Stands in for the user at the input box while it lives: answers every
// question with one result and text, and keeps what it was asked.
#pragma once

#include "InputBox.h"

#include <algorithm>
#include <string>
#include <vector>

class ScriptedInputBox {
public:
    // keepText: answer with the box's initial text, as a user who only
    // presses OK.
    ScriptedInputBox(int result, std::wstring text, bool keepText = false)
        : result_(result), text_(std::move(text)), keepText_(keepText) {
        previous_ = SetInputBoxHandler(Answer, this);
    }
    ~ScriptedInputBox() { SetInputBoxHandler(previous_, nullptr); }
    ScriptedInputBox(const ScriptedInputBox&) = delete;
    ScriptedInputBox& operator=(const ScriptedInputBox&) = delete;

    std::vector<std::wstring> prompts;  // one per question
    std::vector<std::wstring> initials; // the box's text when it opened

private:
    static int Answer(const wchar_t* prompt, wchar_t* buffer, void* context) {
        auto* self = static_cast<ScriptedInputBox*>(context);
        self->prompts.push_back(prompt);
        self->initials.push_back(buffer);
        if (!self->keepText_) {
            const size_t n = std::min(self->text_.size(), kInputBoxChars - 1);
            std::copy(self->text_.begin(), self->text_.begin() + static_cast<std::ptrdiff_t>(n), buffer);
            buffer[n] = 0;
        }
        return self->result_;
    }

    int result_;
    std::wstring text_;
    bool keepText_;
    InputBoxHandler previous_ = nullptr;
};

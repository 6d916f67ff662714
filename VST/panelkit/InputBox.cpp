#include "InputBox.h"

namespace {
InputBoxHandler gHandler = nullptr;
void* gContext = nullptr;
} // namespace

int InputBox(const wchar_t* prompt, wchar_t* buffer) {
    if (buffer == nullptr || gHandler == nullptr) return 0;
    const int result = gHandler(prompt, buffer, gContext);
    buffer[kInputBoxChars - 1] = 0;
    return result;
}

InputBoxHandler SetInputBoxHandler(InputBoxHandler handler, void* context) {
    const InputBoxHandler previous = gHandler;
    gHandler = handler;
    gContext = context;
    return previous;
}

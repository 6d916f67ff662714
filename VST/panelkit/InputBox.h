// The one-line text prompt the widgets ask the user with. The dialog itself
// is not built yet: until it is, InputBox hands the question to the handler
// installed here and, without one, answers that no dialog could be shown.
#pragma once

#include <cstddef>

constexpr size_t kInputBoxChars = 260;

// Asks for a text. buffer holds kInputBoxChars characters; its contents are
// the initial text and, after OK, the answer (always terminated). Returns 1
// for OK, 2 for CANCEL, 0 or -1 when no dialog could be shown.
int InputBox(const wchar_t* prompt, wchar_t* buffer);

using InputBoxHandler = int (*)(const wchar_t* prompt, wchar_t* buffer, void* context);
// Installs the handler InputBox calls (null: none); returns the previous one.
InputBoxHandler SetInputBoxHandler(InputBoxHandler handler, void* context);

// Puts a function of the test's own in place of a system function that a
// loaded module imports by name: the module's import slot is rewritten, so
// the module's calls reach the replacement and nothing else changes. The
// slot gets its function back when the hook goes. For tests that count what
// a library asks of the system (timers, window calls) from outside it.
#pragma once

#include <windows.h>

class ImportHook {
public:
    // dll: the imported library's name ("winmm.dll"), any case.
    ImportHook(HMODULE module, const char* dll, const char* function, const void* replacement);
    ~ImportHook();
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;

    // False when the module does not import the function by that name.
    bool installed() const { return slot_ != nullptr; }
    // The system's function, for the replacement to call.
    template <class F>
    F original() const {
        return reinterpret_cast<F>(original_);
    }

private:
    void** slot_ = nullptr;
    void* original_ = nullptr;
};

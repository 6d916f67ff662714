// What a plug-in library asks of the system, counted from outside it: its
// imports of the multimedia timer and of the window calls are pointed at
// counting stand-ins (ImportHook) for the life of one of these. One of each
// at a time.
#pragma once

#include "ImportHook.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <vector>

// The library that holds a function of it (an effect's dispatcher).
HMODULE ModuleOf(const void* code);

// Multimedia timers the library started and did not kill, and timer
// resolution requests it did not release.
class TimerCalls {
public:
    explicit TimerCalls(HMODULE library);
    ~TimerCalls();
    bool installed() const;
    int Running() const;
    int PeriodsHeld() const;
    // Kills what is left, so that no timer outlives the test's library.
    void KillLeftovers();

private:
    std::vector<std::unique_ptr<ImportHook>> hooks_;
};

// Window-system calls of the library made on one thread.
class WindowCalls {
public:
    explicit WindowCalls(HMODULE library);
    ~WindowCalls();
    bool installed() const;
    // From now on, the calls made on this thread are counted.
    void CountOnThisThread();
    int Count() const;

private:
    std::vector<std::unique_ptr<ImportHook>> hooks_;
};

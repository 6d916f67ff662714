#include "SystemCalls.h"

#include <mmsystem.h>

#include <mutex>
#include <set>

HMODULE ModuleOf(const void* code) {
    HMODULE module = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         static_cast<LPCWSTR>(code), &module);
    return module;
}

namespace {

// The multimedia timer.
using SetEventFn = MMRESULT(WINAPI*)(UINT, UINT, LPTIMECALLBACK, DWORD_PTR, UINT);
using KillEventFn = MMRESULT(WINAPI*)(UINT);
using PeriodFn = MMRESULT(WINAPI*)(UINT);

std::mutex gTimerMutex;
std::set<UINT> gRunning;
int gPeriods = 0;
SetEventFn gSetEvent = nullptr;
KillEventFn gKillEvent = nullptr;
PeriodFn gBeginPeriod = nullptr, gEndPeriod = nullptr;

MMRESULT WINAPI CountedSetEvent(UINT delay, UINT resolution, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags) {
    const MMRESULT id = gSetEvent(delay, resolution, callback, user, flags);
    std::lock_guard<std::mutex> lock(gTimerMutex);
    if (id != 0) gRunning.insert(id);
    return id;
}

MMRESULT WINAPI CountedKillEvent(UINT id) {
    const MMRESULT result = gKillEvent(id);
    std::lock_guard<std::mutex> lock(gTimerMutex);
    if (result == TIMERR_NOERROR) gRunning.erase(id);
    return result;
}

MMRESULT WINAPI CountedBeginPeriod(UINT period) {
    const MMRESULT result = gBeginPeriod(period);
    std::lock_guard<std::mutex> lock(gTimerMutex);
    if (result == TIMERR_NOERROR) ++gPeriods;
    return result;
}

MMRESULT WINAPI CountedEndPeriod(UINT period) {
    const MMRESULT result = gEndPeriod(period);
    std::lock_guard<std::mutex> lock(gTimerMutex);
    if (result == TIMERR_NOERROR) --gPeriods;
    return result;
}

// The window calls through which a widget repaints, posts or times.
std::atomic<DWORD> gCountedThread{0};
std::atomic<int> gWindowCalls{0};
void CountCall() {
    if (::GetCurrentThreadId() == gCountedThread.load()) ++gWindowCalls;
}

using PostFn = BOOL(WINAPI*)(HWND, UINT, WPARAM, LPARAM);
using SendFn = LRESULT(WINAPI*)(HWND, UINT, WPARAM, LPARAM);
using InvalidateFn = BOOL(WINAPI*)(HWND, const RECT*, BOOL);
using RedrawFn = BOOL(WINAPI*)(HWND, const RECT*, HRGN, UINT);
using SetTimerFn = UINT_PTR(WINAPI*)(HWND, UINT_PTR, UINT, TIMERPROC);
using KillTimerFn = BOOL(WINAPI*)(HWND, UINT_PTR);
PostFn gPost = nullptr;
SendFn gSend = nullptr;
InvalidateFn gInvalidate = nullptr;
RedrawFn gRedraw = nullptr;
SetTimerFn gSetTimer = nullptr;
KillTimerFn gKillTimer = nullptr;

BOOL WINAPI CountedPost(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    CountCall();
    return gPost(w, m, wp, lp);
}
LRESULT WINAPI CountedSend(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    CountCall();
    return gSend(w, m, wp, lp);
}
BOOL WINAPI CountedInvalidate(HWND w, const RECT* r, BOOL erase) {
    CountCall();
    return gInvalidate(w, r, erase);
}
BOOL WINAPI CountedRedraw(HWND w, const RECT* r, HRGN region, UINT flags) {
    CountCall();
    return gRedraw(w, r, region, flags);
}
UINT_PTR WINAPI CountedSetTimer(HWND w, UINT_PTR id, UINT ms, TIMERPROC proc) {
    CountCall();
    return gSetTimer(w, id, ms, proc);
}
BOOL WINAPI CountedKillTimer(HWND w, UINT_PTR id) {
    CountCall();
    return gKillTimer(w, id);
}

template <class F>
void Hook(std::vector<std::unique_ptr<ImportHook>>& hooks, HMODULE library, const char* dll, const char* name,
          F replacement, F& original) {
    hooks.push_back(std::make_unique<ImportHook>(library, dll, name, reinterpret_cast<const void*>(replacement)));
    if (hooks.back()->installed()) original = hooks.back()->original<F>();
}

template <class F>
void HookIfImported(std::vector<std::unique_ptr<ImportHook>>& hooks, HMODULE library, const char* dll,
                    const char* name, F replacement, F& original) {
    Hook(hooks, library, dll, name, replacement, original);
    if (!hooks.back()->installed()) hooks.pop_back();
}

bool AllInstalled(const std::vector<std::unique_ptr<ImportHook>>& hooks) {
    for (const auto& hook : hooks)
        if (!hook->installed()) return false;
    return !hooks.empty();
}

} // namespace

TimerCalls::TimerCalls(HMODULE library) {
    {
        std::lock_guard<std::mutex> lock(gTimerMutex);
        gRunning.clear();
        gPeriods = 0;
    }
    Hook(hooks_, library, "winmm.dll", "timeSetEvent", &CountedSetEvent, gSetEvent);
    Hook(hooks_, library, "winmm.dll", "timeKillEvent", &CountedKillEvent, gKillEvent);
    Hook(hooks_, library, "winmm.dll", "timeBeginPeriod", &CountedBeginPeriod, gBeginPeriod);
    Hook(hooks_, library, "winmm.dll", "timeEndPeriod", &CountedEndPeriod, gEndPeriod);
}

TimerCalls::~TimerCalls() { hooks_.clear(); }

bool TimerCalls::installed() const { return AllInstalled(hooks_); }

int TimerCalls::Running() const {
    std::lock_guard<std::mutex> lock(gTimerMutex);
    return static_cast<int>(gRunning.size());
}

int TimerCalls::PeriodsHeld() const {
    std::lock_guard<std::mutex> lock(gTimerMutex);
    return gPeriods;
}

void TimerCalls::KillLeftovers() {
    std::set<UINT> left;
    {
        std::lock_guard<std::mutex> lock(gTimerMutex);
        left.swap(gRunning);
    }
    for (UINT id : left) gKillEvent(id);
}

WindowCalls::WindowCalls(HMODULE library) {
    gCountedThread = 0;
    gWindowCalls = 0;
    Hook(hooks_, library, "user32.dll", "PostMessageW", &CountedPost, gPost);
    Hook(hooks_, library, "user32.dll", "InvalidateRect", &CountedInvalidate, gInvalidate);
    Hook(hooks_, library, "user32.dll", "SetTimer", &CountedSetTimer, gSetTimer);
    Hook(hooks_, library, "user32.dll", "KillTimer", &CountedKillTimer, gKillTimer);
    // Not every library calls these: counted when they are imported.
    HookIfImported(hooks_, library, "user32.dll", "SendMessageW", &CountedSend, gSend);
    HookIfImported(hooks_, library, "user32.dll", "RedrawWindow", &CountedRedraw, gRedraw);
}

WindowCalls::~WindowCalls() {
    gCountedThread = 0;
    hooks_.clear();
}

bool WindowCalls::installed() const { return AllInstalled(hooks_); }

void WindowCalls::CountOnThisThread() {
    gWindowCalls = 0;
    gCountedThread = ::GetCurrentThreadId();
}

int WindowCalls::Count() const { return gWindowCalls.load(); }

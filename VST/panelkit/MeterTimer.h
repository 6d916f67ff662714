// The 70 ms multimedia timer that lets an editor's level meters fall back
// after a peak and repaints a few widgets on every tick. Its callback runs
// on the timer's own thread.
#pragma once

#include "LevelMeter.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

constexpr uint32_t kMeterGroupCapacity = 255;
constexpr UINT kMeterTickMs = 70;

// Owned by value by each editor, which fills the lists before starting the
// timer and never grows them past 255.
struct MeterTimerGroup {
    KLevelMeterH* meters[kMeterGroupCapacity];
    KWidget* repaintWidgets[kMeterGroupCapacity];
    uint32_t meterCount;
    uint32_t repaintCount;
    uint32_t timerId; // 0: not running
    // While stopping, a tick that has begun is waited for and a late one
    // touches nothing.
    std::atomic<bool> stopping;
    std::atomic<int> ticksRunning;
};

// timeBeginPeriod (70), then a periodic 70 ms timer on the group. False when
// the system gives no timer; a group whose timer runs keeps it (true).
bool StartMeterTimer(MeterTimerGroup* group);
// Ends the timer and the period request. When it returns no tick runs, and
// none will touch the group's widgets again.
void StopMeterTimer(MeterTimerGroup* group);
// One tick (the timer's callback; user = the group).
void CALLBACK MeterTimerProc(UINT timerId, UINT message, DWORD_PTR user, DWORD_PTR, DWORD_PTR);

#include "MeterTimer.h"

#include <mmsystem.h>

#include <thread>

namespace {

void DecayMeter(KLevelMeterH* meter) {
    const float level = meter->levelDb.load(std::memory_order_relaxed);
    if (meter->floorDb < level) {
        if (meter->IsFresh()) {
            // A new peak is held for one tick.
            meter->ClearFresh();
        } else {
            // Unless a peak came in meanwhile: that one stays, fresh.
            float seen = level;
            meter->levelDb.compare_exchange_strong(seen, level - meter->decayDb, std::memory_order_relaxed);
        }
        meter->Invalidate();
    } else {
        // At or below the floor, or not a number.
        meter->levelDb.store(meter->floorDb, std::memory_order_relaxed);
    }
}

} // namespace

void CALLBACK MeterTimerProc(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    auto* group = reinterpret_cast<MeterTimerGroup*>(user);
    group->ticksRunning.fetch_add(1);
    if (!group->stopping.load()) {
        for (uint32_t i = 0; i < group->meterCount && i < kMeterGroupCapacity; ++i) DecayMeter(group->meters[i]);
        for (uint32_t i = 0; i < group->repaintCount && i < kMeterGroupCapacity; ++i)
            group->repaintWidgets[i]->Invalidate();
    }
    group->ticksRunning.fetch_sub(1);
}

bool StartMeterTimer(MeterTimerGroup* group) {
    // A second timer on the group would outlive the stop, which ends one.
    if (group->timerId != 0) return true;
    group->stopping.store(false);
    ::timeBeginPeriod(kMeterTickMs);
    group->timerId = ::timeSetEvent(kMeterTickMs, 10, MeterTimerProc, reinterpret_cast<DWORD_PTR>(group),
                                    TIME_PERIODIC | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS);
    if (group->timerId != 0) return true;
    ::timeEndPeriod(kMeterTickMs);
    return false;
}

void StopMeterTimer(MeterTimerGroup* group) {
    if (group->timerId == 0) return;
    // A tick counts itself before it looks at the flag: once the flag is
    // set and the count has drained, no tick touches a widget again.
    group->stopping.store(true);
    ::timeKillEvent(group->timerId);
    while (group->ticksRunning.load() != 0) std::this_thread::yield();
    ::timeEndPeriod(kMeterTickMs);
    group->timerId = 0;
}

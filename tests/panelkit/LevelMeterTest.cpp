// The level meter and its timer: only rising levels taken, a fresh peak held
// one tick, 3 dB per tick down to the floor, whole segments, and a timer
// that stops for good while other threads keep feeding the meters.
#include "LevelMeter.h"
#include "MeterTimer.h"
#include "PanelTest.h"

#include <gtest/gtest.h>

#include <mmsystem.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <thread>

namespace {

void Tick(MeterTimerGroup& group) { MeterTimerProc(0, 0, reinterpret_cast<DWORD_PTR>(&group), 0, 0); }

TEST(LevelMeter, TakesOnlyRisingLevelsBetweenTheFloorAndZero) {
    KLevelMeterH meter;
    meter.floorDb = -30.0f;
    meter.levelDb = -30.0f;
    const struct {
        float offered, shown;
    } steps[] = {
        {-5.0f, -5.0f},    // rises
        {-10.0f, -5.0f},   // lower than shown: ignored
        {0.5f, -5.0f},     // above 0 dB: ignored
        {-3.0f, -3.0f},    // rises again
        {0.0f, 0.0f},      // full scale is taken
        {-31.0f, 0.0f},    // below the floor: ignored
    };
    for (const auto& s : steps) {
        meter.SetLevel(s.offered);
        EXPECT_EQ(meter.levelDb.load(), s.shown) << s.offered;
    }
    meter.levelDb = -40.0f;
    meter.SetLevel(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(meter.levelDb.load(), -40.0f) << "not a number is no level";
}

TEST(LevelMeter, ABlocksPeakIsTakenAsItsLevelInDecibels) {
    const struct {
        float peak, shown;
    } peaks[] = {
        {0.1f, -20.0f},
        {1.0f, 0.0f},
        {0.0f, -60.0f},  // silence: nothing
        {1.5f, -60.0f},  // clipped beyond full scale: nothing
        {-0.5f, -60.0f}, // no peak
        {std::numeric_limits<float>::quiet_NaN(), -60.0f},
        {0.0005f, -60.0f}, // below the floor
    };
    for (const auto& p : peaks) {
        KLevelMeterH meter;
        meter.floorDb = -60.0f;
        meter.levelDb = -60.0f;
        meter.TakePeak(p.peak);
        EXPECT_NEAR(meter.levelDb.load(), p.shown, 1e-4f) << p.peak;
    }
}

TEST(LevelMeter, AFreshPeakIsHeldOneTickThenFalls3dBPerTickAndSnapsToTheFloor) {
    KLevelMeterH meter;
    MeterTimerGroup group = {};
    group.meters[0] = &meter;
    group.meterCount = 1;
    meter.levelDb = -5.0f;
    meter.SetLevel(-10.0f);
    EXPECT_EQ(meter.levelDb.load(), -5.0f);
    meter.levelDb = -30.0f;
    meter.SetLevel(-20.0f);
    EXPECT_TRUE(meter.IsFresh());
    Tick(group);
    EXPECT_EQ(meter.levelDb.load(), -20.0f) << "held";
    EXPECT_FALSE(meter.IsFresh());
    const float expected[] = {-23.0f, -26.0f, -29.0f, -32.0f, -30.0f, -30.0f};
    for (float level : expected) {
        Tick(group);
        EXPECT_EQ(meter.levelDb.load(), level);
    }
    meter.levelDb = std::numeric_limits<float>::quiet_NaN();
    Tick(group);
    EXPECT_EQ(meter.levelDb.load(), -30.0f) << "not a number snaps to the floor";
    // The owner may move the floor (the export's progress bar runs from -100).
    meter.floorDb = -100.0f;
    meter.levelDb = -100.0f;
    meter.SetLevel(-90.0f);
    Tick(group);
    Tick(group);
    EXPECT_EQ(meter.levelDb.load(), -93.0f);
}

TEST(LevelMeter, TheUnlitLengthFollowsTheLevelInWholeSegments) {
    KLevelMeterH meter;
    meter.frameWidth = 116;
    const struct {
        float level;
        uint32_t segments;
        int unlit;
    } cases[] = {
        {0.0f, 0, 0},       {-15.0f, 0, 58},   {-30.0f, 0, 116}, {-45.0f, 0, 116}, {-120.0f, 0, 116},
        {-10.0f, 4, 29},    {-12.0f, 4, 29},   {-15.0f, 4, 58},  {-29.0f, 4, 87},  {-1.0f, 4, 0},
    };
    for (const auto& c : cases) {
        meter.segments = c.segments;
        meter.levelDb = c.level;
        EXPECT_EQ(meter.UnlitWidth(), c.unlit) << c.level << " dB, " << c.segments << " segments";
    }
}

class MeterOnAPanel : public PanelTest {
protected:
    void SetUp() override {
        PanelTest::SetUp();
        ASSERT_TRUE(KLevelMeterH::Create(skins[skins::kMeter], &meter, 20, 30));
    }

    KLevelMeterH meter;
};

TEST_F(MeterOnAPanel, DrawsTheLitPartFromTheLeft) {
    const uint32_t unlit = Rgb(skins::kMeterColours[0]), lit = Rgb(skins::kMeterColours[1]);
    const struct {
        float level;
        uint32_t segments;
        int litWidth;
    } cases[] = {{-30.0f, 0, 0}, {-15.0f, 0, 58}, {0.0f, 0, 116}, {-12.0f, 4, 87}};
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(meter);
    for (const auto& c : cases) {
        meter.levelDb = c.level;
        meter.segments = c.segments;
        rig.Repaint();
        const Capture shot = rig.Shot();
        if (c.litWidth > 0) {
            EXPECT_EQ(shot.Rgb(20 + c.litWidth - 1, 34), lit) << c.level;
        }
        if (c.litWidth < 116) {
            EXPECT_EQ(shot.Rgb(20 + c.litWidth, 34), unlit) << c.level;
        }
    }
}

TEST_F(MeterOnAPanel, TheTimerLetsTheMeterFallWhileRunningAndTouchesNothingOnceStopped) {
    MeterTimerGroup group = {};
    group.meters[0] = &meter;
    group.meterCount = 1;
    meter.levelDb = -30.0f;
    ASSERT_TRUE(StartMeterTimer(&group));
    EXPECT_NE(group.timerId, 0u);
    meter.SetLevel(0.0f);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (meter.levelDb.load() > -9.0f && std::chrono::steady_clock::now() < deadline) PumpMessages();
    EXPECT_LE(meter.levelDb.load(), -9.0f) << "it falls";
    StopMeterTimer(&group);
    EXPECT_EQ(group.timerId, 0u);
    meter.levelDb = -12.0f;
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    EXPECT_EQ(meter.levelDb.load(), -12.0f) << "no tick after the stop";
    StopMeterTimer(&group); // a second stop does nothing
}

// An owner that starts the timer again while it runs (a host that opens an
// editor twice) keeps one timer: the one stop ends it, and no timer is left
// to tick into the group once its owner is gone.
TEST(MeterTimer, StartingItWhileItRunsKeepsOneTimerThatTheStopEnds) {
    MeterTimerGroup group = {};
    ASSERT_TRUE(StartMeterTimer(&group));
    const UINT first = group.timerId;
    EXPECT_TRUE(StartMeterTimer(&group)) << "it runs";
    StopMeterTimer(&group);
    EXPECT_EQ(group.timerId, 0u);
    // Killing a timer that still runs succeeds: none may be left.
    EXPECT_NE(::timeKillEvent(first), static_cast<MMRESULT>(TIMERR_NOERROR)) << "the first timer still ran";
}

// A widget whose repaint takes a while, so that a stop falls inside a tick.
class SlowRepaint : public KWidget {
public:
    void Invalidate() override {
        inTick = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(15));
        ++ticks;
        inTick = false;
    }
    std::atomic<bool> inTick{false};
    std::atomic<int> ticks{0};
};

TEST(MeterTimer, StoppingWaitsForATickUnderWayAndNoTickFollows) {
    SlowRepaint slow;
    MeterTimerGroup group = {};
    group.repaintWidgets[0] = &slow;
    group.repaintCount = 1;
    for (int round = 0; round < 5; ++round) {
        ASSERT_TRUE(StartMeterTimer(&group));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!slow.inTick.load() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
        ASSERT_TRUE(slow.inTick.load()) << "the timer ticks";
        StopMeterTimer(&group);
        EXPECT_FALSE(slow.inTick.load()) << "round " << round << ": the tick under way ended first";
        const int ticks = slow.ticks.load();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(slow.ticks.load(), ticks) << "round " << round;
    }
}

TEST_F(MeterOnAPanel, APanelDestroyedWhileAnotherThreadFeedsItsMetersIsLeftAlone) {
    MeterTimerGroup group = {};
    group.meters[0] = &meter;
    group.meterCount = 1;
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(meter);
    ASSERT_TRUE(StartMeterTimer(&group));
    std::atomic<bool> stop{false};
    std::atomic<int> fed{0};
    // The audio thread: peaks, and the value setters and repaints it may call.
    std::thread audio([&] {
        for (int i = 0; !stop.load(); ++i) {
            meter.SetLevel(-static_cast<float>(i % 30));
            meter.Invalidate();
            meter.NotifyOwner();
            ++fed;
            std::this_thread::yield();
        }
    });
    while (fed.load() < 1000) PumpMessages();
    const HWND window = rig.panel();
    DestroyPanelWindow(&rig.descriptor);
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(meter.GetOwnerWindow(), nullptr) << "nothing reaches the destroyed window";
    // The thread and the timer go on against the detached meter.
    const int before = fed.load();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (fed.load() < before + 1000 && std::chrono::steady_clock::now() < deadline) PumpMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(150)); // two ticks
    StopMeterTimer(&group);
    stop = true;
    audio.join();
    EXPECT_GE(fed.load(), before + 1000);
    // A new window may now take the old handle's place: the meter never
    // invalidates or posts to it.
    EXPECT_EQ(meter.GetOwnerWindow(), nullptr);
}

} // namespace

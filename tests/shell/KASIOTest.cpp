#include "KASIO.h"
#include "TestAsioRig.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr float kPattern[4] = {1.0f, -1.0f, 0.5f, 0.0f};

// What the render callback saw; read once the driver has stopped.
struct RenderLog {
    int calls = 0;
    int32_t positions[64] = {};
    int32_t numInputs = -1;
    int32_t numOutputs = -1;
    int32_t frames = -1;
    float inputs[2][4] = {};
};

int32_t Render(float** inputs, float** outputs, int32_t numInputs, int32_t numOutputs, int32_t frames,
               int32_t position, void* user) {
    auto* log = static_cast<RenderLog*>(user);
    if (log->calls < 64) log->positions[log->calls] = position;
    ++log->calls;
    log->numInputs = numInputs;
    log->numOutputs = numOutputs;
    log->frames = frames;
    for (int32_t i = 0; i < numInputs && i < 2; ++i)
        for (int32_t n = 0; n < 4 && n < frames; ++n) log->inputs[i][n] = inputs[i][n];
    for (int32_t o = 0; o < numOutputs; ++o)
        for (int32_t n = 0; n < frames; ++n) outputs[o][n] = kPattern[n % 4];
    return 1;
}

class KASIOTest : public testing::Test {
protected:
    int32_t DriverIndex(const char* name) const {
        for (int32_t i = 0; i < asio.nameCount; ++i)
            if (std::strcmp(asio.GetDriverName(i), name) == 0) return i;
        ADD_FAILURE() << name << " is not listed";
        return -1;
    }
    bool InitTestDriver() { return asio.InitDriver(DriverIndex(kTestDriverShownName), &log); }

    TestAsioRig rig;   // resets the driver before the host lists it
    RenderLog log;
    CKASIO asio{Render};
};

TEST_F(KASIOTest, NamesTheListedDriversAndNothingBeyond) {
    EXPECT_EQ(asio.nameCount, asio.drivers.count);
    EXPECT_NE(DriverIndex(kTestDriverShownName), -1);
    EXPECT_STREQ(asio.GetDriverName(asio.nameCount), "No ASIO Drivers");
    EXPECT_STREQ(asio.GetDriverName(-1), "No ASIO Drivers");
    EXPECT_FALSE(asio.InitDriver(asio.nameCount, &log));
}

TEST_F(KASIOTest, InitDriverCreatesBuffersForEveryChannelInputsFirst) {
    TestAsioSetup& setup = rig.Setup();
    setup.inputs = 2;
    setup.outputs = 3;
    setup.inputTypes[1] = ASIOSTInt24LSB;
    setup.outputTypes[2] = ASIOSTFloat32LSB;
    ASSERT_TRUE(InitTestDriver()) << rig.Log();

    const TestAsioRecord& record = rig.Record();
    EXPECT_EQ(record.createdChannels, 5);
    EXPECT_EQ(record.createdSize, 64);
    const int32_t isInput[5] = {1, 1, 0, 0, 0};
    const int32_t channel[5] = {0, 1, 0, 1, 2};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(record.createdIsInput[i], isInput[i]) << "record " << i;
        EXPECT_EQ(record.createdChannelNum[i], channel[i]) << "record " << i;
        EXPECT_EQ(asio.channelInfos[i].isInput, isInput[i]);
        EXPECT_EQ(asio.channelInfos[i].channel, channel[i]);
    }
    EXPECT_EQ(asio.channelInfos[1].type, ASIOSTInt24LSB);
    EXPECT_EQ(asio.channelInfos[4].type, ASIOSTFloat32LSB);
    EXPECT_STREQ(asio.channelInfos[4].name, "Korvo Out 3");
    EXPECT_EQ(asio.numInputs, 2);
    EXPECT_EQ(asio.numOutputs, 3);
    EXPECT_EQ(asio.preferredSize, 64);
    EXPECT_EQ(asio.inputLatency, 64);
    EXPECT_TRUE(asio.buffersCreated);
    EXPECT_TRUE(asio.floatsAllocated);
    EXPECT_TRUE(asio.postOutput);
    EXPECT_STREQ(asio.driverInfo.name, "Korvo Test");
    EXPECT_FALSE(asio.running);
}

struct RateCase {
    double reported;
    double after;
    bool setByHost;
};

TEST_F(KASIOTest, ARateAbove96kHzOrBelowOneIsSetTo44100BeforeTheBuffers) {
    const std::vector<RateCase> cases = {
        {192000.0, 44100.0, true},
        {0.0, 44100.0, true},
        {96000.0, 96000.0, false},
        {48000.0, 48000.0, false},
    };
    for (const RateCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "driver at " << c.reported);
        TestAsioRig fresh;
        fresh.Setup().rate = c.reported;
        ASSERT_TRUE(InitTestDriver()) << fresh.Log();
        const int set = fresh.LogIndex("setSampleRate");
        if (c.setByHost) {
            EXPECT_EQ(fresh.LogIndex("setSampleRate 44100"), set);
            EXPECT_NE(set, -1);
            EXPECT_LT(set, fresh.LogIndex("createBuffers")) << fresh.Log();
        } else {
            EXPECT_EQ(set, -1) << fresh.Log();
        }
        EXPECT_EQ(fresh.Record().rate, c.after);
        EXPECT_EQ(asio.sampleRate, c.after);
        EXPECT_TRUE(asio.Stop());
    }
}

struct SizeCase {
    int32_t inputs;
    int32_t outputs;
    int32_t preferredSize;
    bool accepted;
};

TEST_F(KASIOTest, DriversBeyondTheFixedTablesAreRefused) {
    const std::vector<SizeCase> cases = {
        {33, 2, 64, false},
        {2, 33, 64, false},
        {2, 2, 4097, false},
        {2, 2, 0, false},
        {32, 32, 4096, true},
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.inputs << " in, " << c.outputs << " out, " << c.preferredSize
                                        << " frames");
        TestAsioRig fresh;
        fresh.Setup().inputs = c.inputs;
        fresh.Setup().outputs = c.outputs;
        fresh.Setup().preferredSize = c.preferredSize;
        fresh.Setup().maxSize = 8192;
        EXPECT_EQ(InitTestDriver(), c.accepted);
        EXPECT_EQ(fresh.LogIndex("createBuffers") != -1, c.accepted) << fresh.Log();
        EXPECT_EQ(asio.buffersCreated, c.accepted);
        if (c.accepted) {
            EXPECT_EQ(fresh.Record().createdChannels, c.inputs + c.outputs);
        }
        EXPECT_TRUE(asio.Stop());
        EXPECT_EQ(fresh.Record().buffersLive, 0);
    }
}

TEST_F(KASIOTest, ADriverWhoseInitFailsIsNotSetUp) {
    rig.Setup().initSucceeds = 0;
    EXPECT_FALSE(InitTestDriver());
    EXPECT_STREQ(asio.driverInfo.errorMessage, "Korvo test driver refused init");
    EXPECT_EQ(rig.LogIndex("createBuffers"), -1);
    EXPECT_FALSE(asio.Start());
}

TEST_F(KASIOTest, SetSampleRateNeedsADriverThatCanTakeTheRate) {
    EXPECT_FALSE(asio.SetSampleRate(48000.0f)) << "no driver yet";
    ASSERT_TRUE(InitTestDriver());
    EXPECT_TRUE(asio.SetSampleRate(48000.0f));
    EXPECT_EQ(rig.Record().rate, 48000.0);
    EXPECT_EQ(asio.sampleRate, 48000.0);
    EXPECT_FALSE(asio.SetSampleRate(22050.0f));
    EXPECT_EQ(rig.LogIndex("setSampleRate 22050"), -1) << "asked with canSampleRate first";
    EXPECT_EQ(asio.sampleRate, 48000.0);
}

// Per output type, the bytes of the four pattern frames 1.0, -1.0, 0.5, 0.0.
struct OutputChannel {
    int32_t type;
    int bytesPerFrame;   // 0: left untouched
    std::vector<uint8_t> frames;
};

std::vector<uint8_t> PatternFloats() {
    std::vector<uint8_t> bytes(16);
    std::memcpy(bytes.data(), kPattern, 16);
    return bytes;
}

TEST_F(KASIOTest, EachSwitchRendersAndConvertsBothWays) {
    const std::vector<OutputChannel> outputs = {
        {ASIOSTInt16LSB, 2, {0xFF, 0x7F, 0x01, 0x80, 0xFF, 0x3F, 0x00, 0x00}},
        {ASIOSTInt24LSB, 3, {0xFF, 0xFF, 0x7F, 0x01, 0x00, 0x80, 0xFF, 0xFF, 0x3F, 0x00, 0x00, 0x00}},
        {ASIOSTInt32LSB, 4, {0xFF, 0xFF, 0xFF, 0x7F, 0x01, 0x00, 0x00, 0x80, 0xFF, 0xFF, 0xFF, 0x3F, 0, 0, 0, 0}},
        {ASIOSTFloat32LSB, 4, PatternFloats()},
        {ASIOSTInt32MSB, 4, std::vector<uint8_t>(16, 0)},
        {6, 0, {}},
    };
    const uint8_t int24Frames[4][3] = {{0x00, 0x00, 0x80}, {0xFF, 0xFF, 0x7F}, {0x00, 0x00, 0x40}, {0, 0, 0}};
    const float int24Floats[4] = {-1.0f, 8388607.0f / 8388608.0f, 0.5f, 0.0f};

    for (int32_t timeInfo = 0; timeInfo < 2; ++timeInfo) {
        SCOPED_TRACE(timeInfo ? "bufferSwitchTimeInfo" : "bufferSwitch");
        TestAsioRig fresh;
        TestAsioSetup& setup = fresh.Setup();
        setup.useTimeInfo = timeInfo;
        setup.inputs = 2;
        setup.inputTypes[0] = ASIOSTInt24LSB;
        setup.inputTypes[1] = ASIOSTInt32MSB;   // not converted: silence
        for (int n = 0; n < 4; ++n) {
            std::memcpy(setup.inputFrames[0][n], int24Frames[n], 3);
            std::memcpy(setup.inputFrames[1][n], "\x12\x34\x56\x78", 4);
        }
        setup.outputs = static_cast<int32_t>(outputs.size());
        for (size_t o = 0; o < outputs.size(); ++o) setup.outputTypes[o] = outputs[o].type;
        log = RenderLog{};

        ASSERT_TRUE(InitTestDriver()) << fresh.Log();
        ASSERT_TRUE(asio.Start());
        EXPECT_TRUE(fresh.WaitForSwitches(4));
        ASSERT_TRUE(asio.Stop());

        ASSERT_GE(log.calls, 4);
        EXPECT_EQ(log.numInputs, 2);
        EXPECT_EQ(log.numOutputs, 6);
        EXPECT_EQ(log.frames, 64);
        for (int k = 0; k < 4; ++k) EXPECT_EQ(log.positions[k], -64 + 64 * k) << "call " << k;
        for (int n = 0; n < 4; ++n) {
            EXPECT_EQ(log.inputs[0][n], int24Floats[n]) << "Int24LSB input frame " << n;
            EXPECT_EQ(log.inputs[1][n], 0.0f) << "Int32MSB input frame " << n;
        }
        for (size_t o = 0; o < outputs.size(); ++o) {
            SCOPED_TRACE(testing::Message() << "output " << o << ", type " << outputs[o].type);
            const uint8_t* out = fresh.Record().output[o];
            const int written = 64 * outputs[o].bytesPerFrame;
            for (int i = 0; i < written; ++i)
                ASSERT_EQ(out[i], outputs[o].frames[i % outputs[o].frames.size()]) << "byte " << i;
            for (int i = written; i < 64 * kTestAsioBytes; ++i)
                ASSERT_EQ(out[i], kTestAsioUnwritten) << "byte " << i << " is beyond the samples";
        }
    }
}

TEST_F(KASIOTest, StopEndsTheDriverAndDisposesItsBuffers) {
    EXPECT_FALSE(asio.Start()) << "no buffers yet";
    ASSERT_TRUE(InitTestDriver());
    ASSERT_TRUE(asio.Start());
    EXPECT_TRUE(asio.running);
    EXPECT_TRUE(rig.WaitForSwitches(2));
    EXPECT_TRUE(asio.Stop());

    const TestAsioRecord& record = rig.Record();
    const int stop = rig.LogIndex("stop");
    EXPECT_NE(stop, -1);
    EXPECT_GT(rig.LogIndex("disposeBuffers"), stop) << rig.Log();
    EXPECT_EQ(rig.LogIndex("disposeBuffers while running"), -1);
    EXPECT_EQ(record.buffersLive, 0);
    EXPECT_EQ(record.running, 0);
    EXPECT_FALSE(asio.running);
    EXPECT_FALSE(asio.buffersCreated);

    const int switches = record.switches.load();
    const int lines = record.logLines;
    ::Sleep(20);
    EXPECT_EQ(record.switches.load(), switches);
    EXPECT_TRUE(asio.Stop()) << "stopping a stopped host is fine";
    EXPECT_EQ(record.logLines, lines) << "and calls nothing";
    EXPECT_EQ(record.objectsAlive, 1) << "the driver stays created";
}

TEST_F(KASIOTest, ANewSetupStopsTheRunningDriverFirst) {
    ASSERT_TRUE(InitTestDriver());
    ASSERT_TRUE(asio.Start());
    EXPECT_TRUE(rig.WaitForSwitches(1));
    ASSERT_TRUE(InitTestDriver());

    const int stop = rig.LogIndex("stop");
    const int dispose = rig.LogIndex("disposeBuffers");
    EXPECT_NE(stop, -1);
    EXPECT_GT(dispose, stop) << rig.Log();
    EXPECT_EQ(rig.LogIndex("disposeBuffers while running"), -1);
    EXPECT_EQ(rig.Record().objectsCreated, 2);
    EXPECT_EQ(rig.Record().objectsAlive, 1) << "the first driver is released";
    EXPECT_FALSE(asio.running);
}

constexpr UINT kResetMessage = WM_APP + 7;

TEST_F(KASIOTest, AResetRequestStopsTheDriverFromTheUserInterfaceThread) {
    HWND window = ::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    asio.SetResetNotify(window, kResetMessage);
    rig.Setup().resetRequestAtSwitch = 3;
    ASSERT_TRUE(InitTestDriver());
    ASSERT_TRUE(asio.Start());

    MSG message = {};
    bool posted = false;
    for (int waited = 0; waited < 20000 && !posted; ++waited) {
        posted = ::PeekMessageA(&message, window, kResetMessage, kResetMessage, PM_REMOVE) != 0;
        if (!posted) ::Sleep(1);
    }
    ASSERT_TRUE(posted) << "the request reaches the window";
    EXPECT_TRUE(asio.ResetRequested());
    EXPECT_EQ(rig.Record().resetAnswer, 1);
    EXPECT_TRUE(asio.running) << "nothing is stopped inside the driver's callback";

    EXPECT_TRUE(asio.HandleResetRequest());
    EXPECT_FALSE(asio.running);
    EXPECT_FALSE(asio.ResetRequested());
    EXPECT_EQ(rig.Record().running, 0);
    EXPECT_EQ(rig.Record().stopsFromOwnThread, 0);
    EXPECT_EQ(rig.Record().buffersLive, 1) << "the buffers stay until a new setup";
    EXPECT_FALSE(asio.HandleResetRequest()) << "one request, one stop";

    const int switches = rig.Record().switches.load();
    ::Sleep(20);
    EXPECT_EQ(rig.Record().switches.load(), switches) << "stays stopped";
    EXPECT_TRUE(asio.Stop());
    EXPECT_EQ(rig.Record().buffersLive, 0);
    ::DestroyWindow(window);
}

} // namespace

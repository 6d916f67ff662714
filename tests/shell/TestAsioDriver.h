// The controls of the tests' own ASIO driver, shared by the driver library and
// the tests that load it: what the driver reports, and what it saw the host do.
#pragma once

#include <atomic>
#include <cstdint>

constexpr int32_t kTestAsioChannels = 40;     // more than a host's 32, to test refusals
constexpr int32_t kTestAsioFrames = 4096;     // largest buffer whose output is captured
constexpr int32_t kTestAsioBytes = 8;         // largest sample, and the size of every slot
constexpr int32_t kTestAsioLogLines = 64;
constexpr uint8_t kTestAsioUnwritten = 0xAB;  // fills each output half before a switch
constexpr int32_t kTestAsioStreamFrames = 4 * 44100;   // outputs 0 and 1 kept from the first switch on
// The environment variable naming the shared section that holds the setup
// and the record: a test names one for itself and the programs it starts
// (they inherit it), so that test processes running side by side keep apart.
// Without it, a process has a section of its own.
constexpr const char* kTestAsioSectionVariable = "KORVO_TEST_ASIO_SECTION";

struct TestAsioSetup {
    int32_t inputs;
    int32_t outputs;
    int32_t minSize;
    int32_t maxSize;
    int32_t preferredSize;
    int32_t granularity;
    double rate;                     // reported until the host sets another
    int32_t initSucceeds;
    int32_t useTimeInfo;             // switches through bufferSwitchTimeInfo
    int32_t resetRequestAtSwitch;    // asks for a reset before that switch; -1 never
    int32_t periodMs;                // between switches
    int32_t inputTypes[kTestAsioChannels];
    int32_t outputTypes[kTestAsioChannels];
    // Input frame n of channel c carries inputFrames[c][n % 4], sample bytes first.
    uint8_t inputFrames[kTestAsioChannels][4][kTestAsioBytes];
};

struct TestAsioRecord {
    int32_t objectsCreated;
    int32_t objectsAlive;
    double rate;                     // the rate of the driver last initialised
    int32_t logLines;
    char log[kTestAsioLogLines][48]; // the host's setup calls, in order
    int32_t createdChannels;
    int32_t createdSize;
    int32_t createdIsInput[kTestAsioChannels * 2];
    int32_t createdChannelNum[kTestAsioChannels * 2];
    int32_t buffersLive;
    int32_t running;
    int32_t stopsFromOwnThread;      // a real driver would deadlock there
    int32_t resetAnswer;
    std::atomic<int32_t> switches;
    // The last switch's output halves as the host left them.
    uint8_t output[kTestAsioChannels][kTestAsioFrames * kTestAsioBytes];
    // Outputs 0 and 1 as floats, every switch in order, until full.
    std::atomic<int32_t> streamFrames;
    float stream[2][kTestAsioStreamFrames];
};

// Exported by the driver library.
typedef TestAsioSetup* (*TestAsioSetupFunction)();
typedef TestAsioRecord* (*TestAsioRecordFunction)();
typedef void (*TestAsioResetFunction)();   // default setup, empty record

// The ASIO driver interface as the host sees it: the records passed across
// it, the error codes, the sample types, the host callbacks and the driver's
// COM interface.
// Installed drivers are built with the C++ member-call convention (thiscall
// in the 32-bit build), not with COM's stdcall, so the interface is a plain
// C++ abstract class after IUnknown; its operations must keep their order,
// because drivers are reached through their vtable slots.
#pragma once

#include <cstddef>
#include <cstdint>

#include <windows.h>
#include <unknwn.h>

typedef int32_t ASIOBool;
typedef int32_t ASIOError;
typedef double ASIOSampleRate;

enum : ASIOError {
    ASE_OK = 0,
    ASE_SUCCESS = 0x3F4847A0,   // the answer of `future` to a known selector
    ASE_NotPresent = -1000,
    ASE_HWMalfunction = -999,
    ASE_InvalidParameter = -998,
    ASE_InvalidMode = -997,
    ASE_SPNotAdvancing = -996,
    ASE_NoClock = -995,
    ASE_NoMemory = -994,
};

inline bool AsioSucceeded(ASIOError result) { return result == ASE_OK || result == ASE_SUCCESS; }

// Sample types of a channel's buffers; the gaps are types this host never
// converts.
enum : int32_t {
    ASIOSTInt16MSB = 0,
    ASIOSTInt24MSB = 1,
    ASIOSTInt32MSB = 2,
    ASIOSTFloat32MSB = 3,
    ASIOSTFloat64MSB = 4,
    ASIOSTInt32MSB16 = 8,
    ASIOSTInt32MSB18 = 9,
    ASIOSTInt32MSB20 = 10,
    ASIOSTInt32MSB24 = 11,
    ASIOSTInt16LSB = 16,
    ASIOSTInt24LSB = 17,
    ASIOSTInt32LSB = 18,
    ASIOSTFloat32LSB = 19,
    ASIOSTFloat64LSB = 20,
    ASIOSTInt32LSB16 = 24,
    ASIOSTInt32LSB18 = 25,
    ASIOSTInt32LSB20 = 26,
    ASIOSTInt32LSB24 = 27,
};

// Selectors of the host's message callback.
enum : int32_t {
    kAsioSelectorSupported = 1,
    kAsioEngineVersion = 2,
    kAsioResetRequest = 3,
    kAsioBufferSizeChange = 4,
    kAsioResyncRequest = 5,
    kAsioLatenciesChanged = 6,
    kAsioSupportsTimeInfo = 7,
};

// 64-bit positions and time stamps travel as two 32-bit halves.
struct ASIOSamples {
    uint32_t hi;
    uint32_t lo;
};
typedef ASIOSamples ASIOTimeStamp;

struct ASIODriverInfo {
    int32_t asioVersion;
    int32_t driverVersion;
    char name[32];
    char errorMessage[124];
    void* sysRef;
};

struct ASIOClockSource {
    int32_t index;
    int32_t associatedChannel;
    int32_t associatedGroup;
    ASIOBool isCurrentSource;
    char name[32];
};

struct ASIOChannelInfo {
    int32_t channel;
    ASIOBool isInput;
    ASIOBool isActive;
    int32_t channelGroup;
    int32_t type;
    char name[32];
};

struct ASIOBufferInfo {
    ASIOBool isInput;
    int32_t channelNum;
    void* buffers[2];   // the two halves the driver switches between
};

// The host reads nothing of the time information; it only passes it back.
struct ASIOTime;

// The host's callbacks are plain C functions.
struct ASIOCallbacks {
    void (*bufferSwitch)(int32_t index, ASIOBool processNow);
    void (*sampleRateDidChange)(ASIOSampleRate rate);
    int32_t (*asioMessage)(int32_t selector, int32_t value, void* message, double* opt);
    ASIOTime* (*bufferSwitchTimeInfo)(ASIOTime* timeInfo, int32_t index, ASIOBool processNow);
};

class IASIO : public IUnknown {
public:
    virtual ASIOBool init(void* sysHandle) = 0;
    virtual void getDriverName(char* name) = 0;           // up to 32 bytes
    virtual int32_t getDriverVersion() = 0;
    virtual void getErrorMessage(char* text) = 0;          // up to 124 bytes
    virtual ASIOError start() = 0;
    virtual ASIOError stop() = 0;
    virtual ASIOError getChannels(int32_t* numInputs, int32_t* numOutputs) = 0;
    virtual ASIOError getLatencies(int32_t* inputLatency, int32_t* outputLatency) = 0;
    virtual ASIOError getBufferSize(int32_t* minSize, int32_t* maxSize, int32_t* preferredSize,
                                    int32_t* granularity) = 0;
    virtual ASIOError canSampleRate(ASIOSampleRate rate) = 0;
    virtual ASIOError getSampleRate(ASIOSampleRate* rate) = 0;
    virtual ASIOError setSampleRate(ASIOSampleRate rate) = 0;
    virtual ASIOError getClockSources(ASIOClockSource* clocks, int32_t* numSources) = 0;
    virtual ASIOError setClockSource(int32_t reference) = 0;
    virtual ASIOError getSamplePosition(ASIOSamples* position, ASIOTimeStamp* timeStamp) = 0;
    virtual ASIOError getChannelInfo(ASIOChannelInfo* info) = 0;
    virtual ASIOError createBuffers(ASIOBufferInfo* bufferInfos, int32_t numChannels, int32_t bufferSize,
                                    ASIOCallbacks* callbacks) = 0;
    virtual ASIOError disposeBuffers() = 0;
    virtual ASIOError controlPanel() = 0;
    virtual ASIOError future(int32_t selector, void* opt) = 0;
    virtual ASIOError outputReady() = 0;
};

// Drivers exchange these records by layout with code built by other compilers.
// The driver's `long` fields are 32 bits in both Windows builds; only the
// pointers grow in the 64-bit one.
static_assert(sizeof(ASIOSamples) == 8, "ASIOSamples");
static_assert(sizeof(ASIOClockSource) == 48, "ASIOClockSource");
static_assert(sizeof(ASIOChannelInfo) == 52, "ASIOChannelInfo");
static_assert(offsetof(ASIOBufferInfo, buffers) == 8, "ASIOBufferInfo");
#if INTPTR_MAX == INT32_MAX
// The 32-bit driver interface, as installed drivers are built.
static_assert(sizeof(ASIODriverInfo) == 168 && offsetof(ASIODriverInfo, sysRef) == 164, "ASIODriverInfo");
static_assert(sizeof(ASIOBufferInfo) == 16, "ASIOBufferInfo");
#else
static_assert(sizeof(ASIODriverInfo) == 176 && offsetof(ASIODriverInfo, sysRef) == 168, "ASIODriverInfo");
static_assert(sizeof(ASIOBufferInfo) == 24, "ASIOBufferInfo");
#endif

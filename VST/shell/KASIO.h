// The shell's ASIO host: one driver from the installed list, its buffers for
// all of its channels, and on every buffer switch the conversion of the
// driver's samples to float32, the shell's render callback, and the
// conversion back.
#pragma once

#include "AsioDriverList.h"
#include "AsioInterface.h"
#include "CriticalSection.h"

#include <atomic>
#include <cstdint>

// The shell's render function: input and output float buffers, their counts,
// the frame count, the running sample position and the user pointer given to
// InitDriver.
typedef int32_t (*AsioRenderCallback)(float** inputs, float** outputs, int32_t numInputs,
                                      int32_t numOutputs, int32_t frames, int32_t samplePosition,
                                      void* user);

// One instance per process: the driver's callbacks find it through a
// process-wide pointer.
class CKASIO {
public:
    static constexpr int32_t kMaxDrivers = 32;
    static constexpr int32_t kMaxChannels = 32;        // inputs, and as many outputs
    static constexpr int32_t kMaxBufferFrames = 4096;  // the shell's render buffers
    static constexpr int32_t kNameSize = 255;

    explicit CKASIO(AsioRenderCallback render = nullptr);
    ~CKASIO();
    CKASIO(const CKASIO&) = delete;
    CKASIO& operator=(const CKASIO&) = delete;

    // Name of a listed driver, or "No ASIO Drivers" outside the list.
    const char* GetDriverName(int32_t index) const;

    // Creates listed driver index and its buffers for all of its channels
    // (user is handed to the render callback). A driver with more than 32
    // inputs or outputs, or a preferred buffer size above 4096 frames, is
    // refused. User-interface thread, driver stopped.
    bool InitDriver(int32_t index, void* user);
    bool SetSampleRate(float rate);
    // Starts the driver: the sample position restarts at minus the buffer
    // size.
    bool Start();
    // Stops the driver if it runs and disposes its buffers (the driver stays
    // created): false when the disposal fails.
    bool Stop();

    // Driver thread: one buffer switch, buffer half 0 or 1.
    void ProcessBlock(int32_t index);

    // A driver asks for a reset from inside its own callback, where stopping
    // it could deadlock: there the request is only recorded and, when a
    // window was named, posted to it as message; HandleResetRequest then
    // stops the driver from the user-interface thread. It stays stopped until
    // a new setup.
    void SetResetNotify(HWND window, UINT message);
    bool ResetRequested() const { return resetRequested_.load(); }
    // True when a request was pending and the driver is now stopped.
    bool HandleResetRequest();

    AsioDriverList drivers;
    ASIODriverInfo driverInfo = {};
    ASIOCallbacks callbacks = {};
    ASIOChannelInfo channelInfos[2 * kMaxChannels] = {};   // inputs first, then outputs
    ASIOBufferInfo bufferInfos[2 * kMaxChannels] = {};     // same order
    int32_t nameCount = 0;
    char driverNames[kMaxDrivers][kNameSize] = {};
    std::atomic<bool> running{false};
    bool buffersCreated = false;
    CCriticalSection lock;   // held by ProcessBlock for the whole block
    int32_t maxSize = 0;
    int32_t minSize = 0;
    int32_t preferredSize = 0;
    int32_t granularity = 0;
    int32_t numInputs = 0;
    int32_t numOutputs = 0;
    int32_t inputLatency = 0;
    int32_t outputLatency = 0;
    double sampleRate = 0.0;
    bool postOutput = false;
    float* inputFloats[kMaxChannels] = {};
    float* outputFloats[kMaxChannels] = {};
    int32_t samplePosition = 0;
    AsioRenderCallback renderCallback = nullptr;
    void* renderUser = nullptr;
    bool floatsAllocated = false;

private:
    friend int32_t AsioMessage(int32_t selector, int32_t value, void* message, double* opt);
    void NoteResetRequest();
    void FreeFloats();
    bool DisposeAfterFailure();

    AsioRenderCallback render_;
    std::atomic<bool> resetRequested_{false};
    std::atomic<HWND> resetWindow_{nullptr};
    std::atomic<UINT> resetMessage_{0};
};

// The host callbacks given to the driver.
void AsioBufferSwitch(int32_t index, ASIOBool directProcess);
ASIOTime* AsioBufferSwitchTimeInfo(ASIOTime* timeInfo, int32_t index, ASIOBool directProcess);
void AsioSampleRateChanged(ASIOSampleRate rate);
int32_t AsioMessage(int32_t selector, int32_t value, void* message, double* opt);

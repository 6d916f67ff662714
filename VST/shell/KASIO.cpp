#include "KASIO.h"

#include "AsioConvert.h"

#include <cstring>
#include <new>

namespace {
CKASIO* theAsio = nullptr;
}

CKASIO::CKASIO(AsioRenderCallback render) : render_(render) {
    theAsio = this;
    nameCount = drivers.count < kMaxDrivers ? drivers.count : kMaxDrivers;
    for (int32_t i = 0; i < nameCount; ++i) drivers.GetName(i, driverNames[i]);
}

CKASIO::~CKASIO() {
    Stop();
    FreeFloats();
    if (theAsio == this) theAsio = nullptr;
    // The driver list, the last member to go, releases the drivers and ends COM.
}

const char* CKASIO::GetDriverName(int32_t index) const {
    if (index < 0 || index >= nameCount) return "No ASIO Drivers";
    return driverNames[index];
}

void CKASIO::FreeFloats() {
    for (int32_t i = 0; i < kMaxChannels; ++i) {
        delete[] inputFloats[i];
        inputFloats[i] = nullptr;
        delete[] outputFloats[i];
        outputFloats[i] = nullptr;
    }
    floatsAllocated = false;
}

// A setup that fails after createBuffers leaves no buffers behind.
bool CKASIO::DisposeAfterFailure() {
    if (theAsioDriver != nullptr) theAsioDriver->disposeBuffers();
    return false;
}

bool CKASIO::InitDriver(int32_t index, void* user) {
    if (index < 0 || index >= nameCount) return false;
    // Never rebuild under a running driver, nor leave its buffers behind. The
    // old driver is released below, so from here on it counts as stopped.
    Stop();
    running = false;
    {
        CSingleLock hold(lock);
        FreeFloats();
        numInputs = numOutputs = 0;
    }
    if (!drivers.LoadDriver(driverNames[index])) return false;
    AsioInit(&driverInfo);   // a failed init leaves no driver, and the next step fails
    IASIO* driver = theAsioDriver;
    if (driver == nullptr) return false;

    int32_t sizes[4] = {};   // min, max, preferred, granularity
    int32_t inputs = 0;
    int32_t outputs = 0;
    if (!AsioSucceeded(driver->getBufferSize(&sizes[0], &sizes[1], &sizes[2], &sizes[3]))) return false;
    if (!AsioSucceeded(driver->getChannels(&inputs, &outputs))) return false;
    // The channel tables and the shell's render buffers are fixed.
    if (inputs < 0 || inputs > kMaxChannels || outputs < 0 || outputs > kMaxChannels || sizes[2] < 1 ||
        sizes[2] > kMaxBufferFrames)
        return false;
    minSize = sizes[0];
    maxSize = sizes[1];
    preferredSize = sizes[2];
    granularity = sizes[3];

    ASIOSampleRate rate = 0.0;
    if (AsioSucceeded(driver->getSampleRate(&rate))) {
        if (rate <= 0.0 || rate > 96000.0) {
            if (!AsioSucceeded(driver->setSampleRate(44100.0)) || !AsioSucceeded(driver->getSampleRate(&rate)))
                return false;
        }
        sampleRate = rate;
    }
    postOutput = AsioSucceeded(driver->outputReady());

    const int32_t channels = inputs + outputs;
    for (int32_t i = 0; i < channels; ++i) {
        const bool isInput = i < inputs;
        bufferInfos[i].isInput = isInput ? 1 : 0;
        bufferInfos[i].channelNum = isInput ? i : i - inputs;
        bufferInfos[i].buffers[0] = bufferInfos[i].buffers[1] = nullptr;
    }
    callbacks.bufferSwitch = AsioBufferSwitch;
    callbacks.sampleRateDidChange = AsioSampleRateChanged;
    callbacks.asioMessage = AsioMessage;
    callbacks.bufferSwitchTimeInfo = AsioBufferSwitchTimeInfo;
    if (!AsioSucceeded(driver->createBuffers(bufferInfos, channels, preferredSize, &callbacks))) return false;

    for (int32_t i = 0; i < channels; ++i) {
        channelInfos[i] = ASIOChannelInfo{};
        channelInfos[i].channel = bufferInfos[i].channelNum;
        channelInfos[i].isInput = bufferInfos[i].isInput;
        if (!AsioSucceeded(driver->getChannelInfo(&channelInfos[i]))) return DisposeAfterFailure();
    }
    if (!AsioSucceeded(driver->getLatencies(&inputLatency, &outputLatency))) return DisposeAfterFailure();

    float* in[kMaxChannels] = {};
    float* out[kMaxChannels] = {};
    bool allocated = true;
    for (int32_t i = 0; i < inputs && allocated; ++i)
        allocated = (in[i] = new (std::nothrow) float[preferredSize]()) != nullptr;
    for (int32_t i = 0; i < outputs && allocated; ++i)
        allocated = (out[i] = new (std::nothrow) float[preferredSize]()) != nullptr;

    CSingleLock hold(lock);
    std::memcpy(inputFloats, in, sizeof in);
    std::memcpy(outputFloats, out, sizeof out);
    if (!allocated) {
        FreeFloats();
        return DisposeAfterFailure();
    }
    numInputs = inputs;
    numOutputs = outputs;
    floatsAllocated = true;
    renderCallback = render_;
    renderUser = user;
    buffersCreated = true;
    resetRequested_ = false;   // a new setup answers any earlier request
    return true;
}

bool CKASIO::SetSampleRate(float rate) {
    IASIO* driver = theAsioDriver;
    if (driver == nullptr) return false;
    if (!AsioSucceeded(driver->canSampleRate(rate)) || !AsioSucceeded(driver->setSampleRate(rate))) return false;
    ASIOSampleRate actual = 0.0;
    if (!AsioSucceeded(driver->getSampleRate(&actual))) return false;
    sampleRate = actual;
    return true;
}

bool CKASIO::Start() {
    IASIO* driver = theAsioDriver;
    if (driver == nullptr || !buffersCreated) return false;
    if (running) return true;
    samplePosition = -preferredSize;
    // Marked first, so that a switch arriving while start returns is rendered.
    running = true;
    if (!AsioSucceeded(driver->start())) {
        running = false;
        return false;
    }
    return true;
}

bool CKASIO::Stop() {
    IASIO* driver = theAsioDriver;
    if (running && driver != nullptr && AsioSucceeded(driver->stop())) running = false;
    resetRequested_ = false;
    if (!buffersCreated) return true;
    {
        // Should the driver still be switching, it finds no buffers to fill.
        CSingleLock hold(lock);
        buffersCreated = false;
    }
    return driver != nullptr && AsioSucceeded(driver->disposeBuffers());
}

void CKASIO::ProcessBlock(int32_t index) {
    if (!running || (index != 0 && index != 1)) return;
    CSingleLock hold(lock);
    if (!buffersCreated || !floatsAllocated) return;
    const int32_t frames = preferredSize;
    for (int32_t i = 0; i < numInputs; ++i) {
        const int32_t type = channelInfos[i].type;
        const int32_t kind = type >= ASIOSTInt16LSB && type <= ASIOSTFloat32LSB ? type - ASIOSTInt16LSB : -1;
        ConvertInputToFloat(bufferInfos[i].buffers[index], inputFloats[i], frames, kind);
    }
    if (renderCallback != nullptr) {
        renderCallback(inputFloats, outputFloats, numInputs, numOutputs, frames, samplePosition, renderUser);
    } else {
        for (int32_t i = 0; i < numOutputs; ++i) std::memset(outputFloats[i], 0, sizeof(float) * frames);
    }
    for (int32_t i = 0; i < numOutputs; ++i) {
        const int32_t type = channelInfos[numInputs + i].type;
        if (type >= 0 && type <= ASIOSTInt32LSB24)
            ConvertFloatToOutput(bufferInfos[numInputs + i].buffers[index], outputFloats[i], frames, type);
    }
    if (theAsioDriver != nullptr) theAsioDriver->outputReady();
    // Wraps after about 13 hours at 44.1 kHz, without signed overflow.
    samplePosition = static_cast<int32_t>(static_cast<uint32_t>(samplePosition) + static_cast<uint32_t>(frames));
}

void CKASIO::SetResetNotify(HWND window, UINT message) {
    resetMessage_ = message;
    resetWindow_ = window;
}

void CKASIO::NoteResetRequest() {
    resetRequested_ = true;
    const HWND window = resetWindow_.load();
    if (window != nullptr) ::PostMessageA(window, resetMessage_.load(), 0, 0);
}

bool CKASIO::HandleResetRequest() {
    if (!resetRequested_.exchange(false)) return false;
    IASIO* driver = theAsioDriver;
    if (running && driver != nullptr && AsioSucceeded(driver->stop())) running = false;
    return !running;
}

void AsioBufferSwitch(int32_t index, ASIOBool) {
    if (theAsio != nullptr) theAsio->ProcessBlock(index);
}

ASIOTime* AsioBufferSwitchTimeInfo(ASIOTime*, int32_t index, ASIOBool) {
    if (theAsio != nullptr) theAsio->ProcessBlock(index);
    return nullptr;
}

void AsioSampleRateChanged(ASIOSampleRate) {}

int32_t AsioMessage(int32_t selector, int32_t value, void*, double*) {
    switch (selector) {
    case kAsioSelectorSupported:
        return value == kAsioEngineVersion || value == kAsioResetRequest || value == kAsioResyncRequest ||
                       value == kAsioLatenciesChanged || value == kAsioSupportsTimeInfo
                   ? 1
                   : 0;
    case kAsioEngineVersion:
        return 2;
    case kAsioResetRequest:
        if (theAsio != nullptr) theAsio->NoteResetRequest();
        return 1;
    case kAsioResyncRequest:
    case kAsioLatenciesChanged:
    case kAsioSupportsTimeInfo:
        return 1;
    default:
        return 0;
    }
}

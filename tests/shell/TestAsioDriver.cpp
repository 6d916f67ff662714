// The tests' ASIO driver: an in-process COM server whose buffer-switch thread
// calls the host every few milliseconds, fills the inputs with a set pattern
// and records what the host wrote to the outputs. It serves two registered
// classes and refuses any other, so that a registered driver can fail to be
// created. Its setup and record live in a named shared section, so that a
// test reaches the driver that a program it started has created.
#include "AsioInterface.h"
#include "TestAsioDriver.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

void DefaultSetup(TestAsioSetup& setup);

struct Shared {
    TestAsioSetup setup;
    TestAsioRecord record;
};

// The first process to load the driver makes the section (zeroed) and
// gives it the default setup; later ones see what is there.
Shared& MapShared() {
    char name[128] = {};
    const DWORD length = ::GetEnvironmentVariableA(kTestAsioSectionVariable, name, sizeof name);
    if (length == 0 || length >= sizeof name)
        std::snprintf(name, sizeof name, "Local\\KorvoTestAsio-%lu", static_cast<unsigned long>(::GetCurrentProcessId()));
    HANDLE section = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(Shared), name);
    const bool made = ::GetLastError() != ERROR_ALREADY_EXISTS;
    void* view = section != nullptr ? ::MapViewOfFile(section, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Shared)) : nullptr;
    // Without the section the driver still serves this process alone.
    static Shared local;
    Shared* shared = view != nullptr ? static_cast<Shared*>(view) : &local;
    if (made || view == nullptr) DefaultSetup(shared->setup);
    return *shared;   // mapped for the life of the process
}

Shared& theShared = MapShared();
TestAsioSetup& theSetup = theShared.setup;
TestAsioRecord& theRecord = theShared.record;

// The host's setup calls and the driver's own thread both log.
struct LogLock {
    LogLock() { ::InitializeCriticalSection(&section); }
    ~LogLock() { ::DeleteCriticalSection(&section); }
    CRITICAL_SECTION section;
} theLogLock;

void Log(const char* format, ...) {
    ::EnterCriticalSection(&theLogLock.section);
    if (theRecord.logLines < kTestAsioLogLines) {
        va_list args;
        va_start(args, format);
        std::vsnprintf(theRecord.log[theRecord.logLines], sizeof theRecord.log[0], format, args);
        va_end(args);
        ++theRecord.logLines;
    }
    ::LeaveCriticalSection(&theLogLock.section);
}

void DefaultSetup(TestAsioSetup& setup) {
    std::memset(&setup, 0, sizeof setup);
    setup.inputs = 2;
    setup.outputs = 2;
    setup.minSize = 32;
    setup.maxSize = 2048;
    setup.preferredSize = 64;
    setup.granularity = 32;
    setup.rate = 44100.0;
    setup.initSucceeds = 1;
    setup.resetRequestAtSwitch = -1;
    setup.periodMs = 2;
    for (int32_t i = 0; i < kTestAsioChannels; ++i) {
        setup.inputTypes[i] = ASIOSTInt16LSB;
        setup.outputTypes[i] = ASIOSTInt16LSB;
    }
}


int32_t BytesPerSample(int32_t type) {
    switch (type) {
    case ASIOSTInt16MSB:
    case ASIOSTInt16LSB:
        return 2;
    case ASIOSTInt24MSB:
    case ASIOSTInt24LSB:
        return 3;
    case ASIOSTFloat64MSB:
    case ASIOSTFloat64LSB:
        return 8;
    default:
        return 4;
    }
}

bool IsServed(REFCLSID clsid) {
    wchar_t wide[64];
    if (::StringFromGUID2(clsid, wide, 64) == 0) return false;
    char text[64];
    ::WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return _stricmp(text, KORVO_TEST_ASIO_SERVED) == 0 || _stricmp(text, KORVO_TEST_ASIO_PLAIN) == 0;
}

// IUnknown for an object of one interface. The destructor's slot comes after
// the interface's own, which keep their places.
template <typename Interface>
class ComObject : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, iid_)) {
            *object = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = ::InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

protected:
    explicit ComObject(REFIID iid) : iid_(iid) {}
    virtual ~ComObject() = default;

private:
    IID iid_;
    LONG refs_ = 1;
};

// Hosts ask for the driver's own class identifier as the interface.
class TestDriver final : public ComObject<IASIO> {
public:
    explicit TestDriver(REFCLSID clsid) : ComObject<IASIO>(clsid) {
        ++theRecord.objectsCreated;
        ++theRecord.objectsAlive;
    }

    ASIOBool init(void*) override {
        Log("init");
        theRecord.rate = theSetup.rate;
        return theSetup.initSucceeds;
    }
    void getDriverName(char* name) override { std::strcpy(name, "Korvo Test"); }
    int32_t getDriverVersion() override { return 7; }
    void getErrorMessage(char* text) override { std::strcpy(text, "Korvo test driver refused init"); }

    ASIOError start() override {
        if (buffers_ == nullptr) return ASE_InvalidMode;
        if (thread_ != nullptr) return ASE_OK;
        Log("start");
        quit_ = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread_ = ::CreateThread(nullptr, 0, &TestDriver::SwitchThread, this, 0, &threadId_);
        theRecord.running = 1;
        return ASE_OK;
    }

    ASIOError stop() override {
        if (thread_ != nullptr && ::GetCurrentThreadId() == threadId_) {
            // Waiting here for the switch thread to end would wait for ourselves.
            ++theRecord.stopsFromOwnThread;
            Log("stop from the switch thread");
            return ASE_InvalidMode;
        }
        Log("stop");
        EndThread();
        return ASE_OK;
    }

    ASIOError getChannels(int32_t* inputs, int32_t* outputs) override {
        *inputs = theSetup.inputs;
        *outputs = theSetup.outputs;
        return ASE_OK;
    }
    ASIOError getLatencies(int32_t* input, int32_t* output) override {
        *input = *output = theSetup.preferredSize;
        return ASE_OK;
    }
    ASIOError getBufferSize(int32_t* minSize, int32_t* maxSize, int32_t* preferredSize,
                            int32_t* granularity) override {
        *minSize = theSetup.minSize;
        *maxSize = theSetup.maxSize;
        *preferredSize = theSetup.preferredSize;
        *granularity = theSetup.granularity;
        return ASE_OK;
    }
    ASIOError canSampleRate(ASIOSampleRate rate) override {
        return rate == 44100.0 || rate == 48000.0 || rate == 96000.0 || rate == 192000.0 ? ASE_OK : ASE_NoClock;
    }
    ASIOError getSampleRate(ASIOSampleRate* rate) override {
        Log("getSampleRate");
        *rate = theRecord.rate;
        return ASE_OK;
    }
    ASIOError setSampleRate(ASIOSampleRate rate) override {
        Log("setSampleRate %.0f", rate);
        if (canSampleRate(rate) != ASE_OK) return ASE_NoClock;
        theRecord.rate = rate;
        return ASE_OK;
    }
    ASIOError getClockSources(ASIOClockSource* clocks, int32_t* count) override {
        std::memset(clocks, 0, sizeof *clocks);
        clocks->isCurrentSource = 1;
        std::strcpy(clocks->name, "Internal");
        *count = 1;
        return ASE_OK;
    }
    ASIOError setClockSource(int32_t) override { return ASE_OK; }
    ASIOError getSamplePosition(ASIOSamples* position, ASIOTimeStamp* stamp) override {
        const uint64_t frames = static_cast<uint64_t>(theRecord.switches.load()) * bufferSize_;
        position->hi = static_cast<uint32_t>(frames >> 32);
        position->lo = static_cast<uint32_t>(frames);
        stamp->hi = stamp->lo = 0;
        return ASE_OK;
    }
    ASIOError getChannelInfo(ASIOChannelInfo* info) override {
        const int32_t count = info->isInput ? theSetup.inputs : theSetup.outputs;
        if (info->channel < 0 || info->channel >= count) return ASE_InvalidParameter;
        info->type = info->isInput ? theSetup.inputTypes[info->channel] : theSetup.outputTypes[info->channel];
        info->isActive = buffers_ != nullptr;
        info->channelGroup = 0;
        std::snprintf(info->name, sizeof info->name, "Korvo %s %d", info->isInput ? "In" : "Out",
                      static_cast<int>(info->channel + 1));
        return ASE_OK;
    }

    ASIOError createBuffers(ASIOBufferInfo* infos, int32_t count, int32_t size, ASIOCallbacks* callbacks) override {
        Log("createBuffers %d %d", static_cast<int>(count), static_cast<int>(size));
        if (buffers_ != nullptr) return ASE_InvalidMode;
        if (count < 1 || count > theSetup.inputs + theSetup.outputs || size < 1) return ASE_InvalidParameter;
        for (int32_t i = 0; i < count; ++i) {
            const int32_t limit = infos[i].isInput ? theSetup.inputs : theSetup.outputs;
            if (infos[i].channelNum < 0 || infos[i].channelNum >= limit) return ASE_InvalidParameter;
        }
        halfBytes_ = static_cast<size_t>(size) * kTestAsioBytes;
        buffers_ = new (std::nothrow) uint8_t[halfBytes_ * 2 * static_cast<size_t>(count)]();
        if (buffers_ == nullptr) return ASE_NoMemory;
        for (int32_t i = 0; i < count; ++i) {
            infos[i].buffers[0] = buffers_ + halfBytes_ * 2 * static_cast<size_t>(i);
            infos[i].buffers[1] = buffers_ + halfBytes_ * (2 * static_cast<size_t>(i) + 1);
            channels_[i] = infos[i];
            theRecord.createdIsInput[i] = infos[i].isInput;
            theRecord.createdChannelNum[i] = infos[i].channelNum;
        }
        channelCount_ = count;
        bufferSize_ = size;
        callbacks_ = callbacks;
        theRecord.createdChannels = count;
        theRecord.createdSize = size;
        theRecord.buffersLive = 1;
        return ASE_OK;
    }

    ASIOError disposeBuffers() override {
        Log("disposeBuffers");
        if (buffers_ == nullptr) return ASE_InvalidMode;
        if (thread_ != nullptr) {
            Log("disposeBuffers while running");
            EndThread();
        }
        FreeBuffers();
        return ASE_OK;
    }

    ASIOError controlPanel() override { return ASE_NotPresent; }
    ASIOError future(int32_t, void*) override { return ASE_InvalidParameter; }
    ASIOError outputReady() override { return ASE_OK; }

private:
    ~TestDriver() override {
        EndThread();
        FreeBuffers();
        --theRecord.objectsAlive;
    }

    void FreeBuffers() {
        delete[] buffers_;
        buffers_ = nullptr;
        channelCount_ = 0;
        theRecord.buffersLive = 0;
    }

    void EndThread() {
        if (thread_ == nullptr) return;
        ::SetEvent(quit_);
        ::WaitForSingleObject(thread_, INFINITE);
        ::CloseHandle(thread_);
        ::CloseHandle(quit_);
        thread_ = quit_ = nullptr;
        threadId_ = 0;
        theRecord.running = 0;
    }

    void FillHalves(int32_t half) {
        for (int32_t i = 0; i < channelCount_; ++i) {
            auto* data = static_cast<uint8_t*>(channels_[i].buffers[half]);
            if (!channels_[i].isInput) {
                std::memset(data, kTestAsioUnwritten, halfBytes_);
                continue;
            }
            const int32_t channel = channels_[i].channelNum;
            const int32_t bytes = BytesPerSample(theSetup.inputTypes[channel]);
            for (int32_t n = 0; n < bufferSize_; ++n)
                std::memcpy(data + n * bytes, theSetup.inputFrames[channel][n % 4], bytes);
        }
    }

    void CaptureOutputs(int32_t half) {
        const size_t bytes = halfBytes_ < sizeof theRecord.output[0] ? halfBytes_ : sizeof theRecord.output[0];
        for (int32_t i = 0; i < channelCount_; ++i) {
            if (channels_[i].isInput) continue;
            std::memcpy(theRecord.output[channels_[i].channelNum], channels_[i].buffers[half], bytes);
        }
        StreamOutputs(half);
    }

    // Outputs 0 and 1 as floats, switch after switch, until the stream is full.
    void StreamOutputs(int32_t half) {
        const int32_t start = theRecord.streamFrames.load();
        const int32_t frames =
            bufferSize_ < kTestAsioStreamFrames - start ? bufferSize_ : kTestAsioStreamFrames - start;
        if (frames <= 0) return;
        for (int32_t i = 0; i < channelCount_; ++i) {
            const int32_t channel = channels_[i].channelNum;
            if (channels_[i].isInput || channel > 1) continue;
            const uint8_t* data = static_cast<const uint8_t*>(channels_[i].buffers[half]);
            float* stream = theRecord.stream[channel] + start;
            for (int32_t n = 0; n < frames; ++n) stream[n] = SampleAsFloat(data, n, theSetup.outputTypes[channel]);
        }
        theRecord.streamFrames.store(start + frames);
    }

    static float SampleAsFloat(const uint8_t* data, int32_t n, int32_t type) {
        switch (type) {
        case ASIOSTInt16LSB: {
            int16_t v;
            std::memcpy(&v, data + n * 2, 2);
            return static_cast<float>(v) / 32768.0f;
        }
        case ASIOSTInt32LSB: {
            int32_t v;
            std::memcpy(&v, data + n * 4, 4);
            return static_cast<float>(static_cast<double>(v) / 2147483648.0);
        }
        case ASIOSTFloat32LSB: {
            float v;
            std::memcpy(&v, data + n * 4, 4);
            return v;
        }
        default:
            return 0.0f;   // the streamed tests use the types above
        }
    }

    static DWORD WINAPI SwitchThread(LPVOID self) {
        static_cast<TestDriver*>(self)->Switching();
        return 0;
    }

    void Switching() {
        alignas(8) uint8_t timeInfo[256] = {};   // the host only hands it back
        while (::WaitForSingleObject(quit_, static_cast<DWORD>(theSetup.periodMs)) == WAIT_TIMEOUT) {
            const int32_t count = theRecord.switches.load();
            const int32_t half = count & 1;
            FillHalves(half);
            if (count == theSetup.resetRequestAtSwitch)
                theRecord.resetAnswer = callbacks_->asioMessage(kAsioResetRequest, 0, nullptr, nullptr);
            if (theSetup.useTimeInfo)
                callbacks_->bufferSwitchTimeInfo(reinterpret_cast<ASIOTime*>(timeInfo), half, 1);
            else
                callbacks_->bufferSwitch(half, 1);
            CaptureOutputs(half);
            theRecord.switches.store(count + 1);
        }
    }

    uint8_t* buffers_ = nullptr;
    size_t halfBytes_ = 0;
    ASIOBufferInfo channels_[kTestAsioChannels * 2] = {};
    int32_t channelCount_ = 0;
    int32_t bufferSize_ = 0;
    ASIOCallbacks* callbacks_ = nullptr;
    HANDLE thread_ = nullptr;
    HANDLE quit_ = nullptr;
    DWORD threadId_ = 0;
};

class Factory final : public ComObject<IClassFactory> {
public:
    explicit Factory(REFCLSID clsid) : ComObject<IClassFactory>(IID_IClassFactory), clsid_(clsid) {}

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        auto* driver = new (std::nothrow) TestDriver(clsid_);
        if (driver == nullptr) return E_OUTOFMEMORY;
        const HRESULT result = driver->QueryInterface(riid, object);
        driver->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    CLSID clsid_;
};

} // namespace

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!IsServed(clsid)) return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new (std::nothrow) Factory(clsid);
    if (factory == nullptr) return E_OUTOFMEMORY;
    const HRESULT result = factory->QueryInterface(riid, object);
    factory->Release();
    return result;
}

// The record outlives every driver object: the library stays loaded.
extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return S_FALSE;
}

extern "C" TestAsioSetup* KorvoTestAsioSetup() {
    return &theSetup;
}

extern "C" TestAsioRecord* KorvoTestAsioRecord() {
    return &theRecord;
}

extern "C" void KorvoTestAsioReset() {
    DefaultSetup(theSetup);
    const int32_t alive = theRecord.objectsAlive;
    std::memset(static_cast<void*>(&theRecord), 0, sizeof theRecord);
    theRecord.switches.store(0);
    theRecord.streamFrames.store(0);
    theRecord.objectsAlive = alive;
}

// The audio engine: one per plug-in object. Owns the library information of
// the loaded project, 16 instrument slots, the MIDI events of the current
// block, the pitch-bend table, the shared read buffer and the disk thread
// that refills the voices' rings.
#pragma once

#include "FileJob.h"
#include "Instrument.h"
#include "MidiQueue.h"
#include "Platform.h"
#include "ReadBuffer.h"
#include "StreamWait.h"
#include "StructureGate.h"
#include "WideText.h"

#include <atomic>
#include <cstdint>
#include <thread>

// An editor notification: (user, argument).
using KEngineCallback = void (*)(void* user, int arg);

class KSamplerEngine {
public:
    static constexpr int kInstruments = 16;
    static constexpr int kPitchTableSize = 2401;

    KSamplerEngine();
    ~KSamplerEngine();
    // Owner, before it frees what the disk callbacks reach: the disk thread
    // ends (between passes); nothing streams afterwards.
    void StopDiskThread();
    KSamplerEngine(const KSamplerEngine&) = delete;
    KSamplerEngine& operator=(const KSamplerEngine&) = delete;

    // Any thread; the first call builds them.
    static void BuildTables();
    // Disk thread: its whole life.
    void DiskThreadLoop();

    // Audio thread: renders one block, adding into 8 output buffers (pairs
    // 0..3 are outputs 0/1 .. 6/7), dispatching `events` at their frames.
    // Returns false, having rendered nothing and kept the events, while a
    // hold is on (a load, a new project, a sample-rate change).
    bool Process(float** outputs, int frames);
    // Audio thread.
    void DispatchEvents(int frame, bool all);

    // Editor or host: the rate of the engine, its instruments and their
    // voices; sounding voices go on at their pitch at the new rate. Holds
    // rendering while it changes. A rate below 1 Hz is refused.
    void SetSampleRate(int rate);
    // Editor. The first empty slot gets a new instrument; -1 when all are
    // taken. Rendering goes on.
    int AddInstrument(uint8_t midiChannel, uint8_t outputPair);
    // Editor. Waits for a block or refill that may still read the
    // instrument; rendering goes on.
    bool DeleteInstrument(int slot);
    // Audio thread. Iteration over the instruments listening to a channel
    // (0..15).
    KInstrument* NextInstrumentForChannel(uint8_t channel);
    // Editor (the voice count and the status line).
    int CountActiveVoices() const;
    int CountZones() const;
    // Editor: every instrument's gains and every zone's coefficients.
    void UpdateGains();
    // Editor (its panic button): every sounding voice goes into its release
    // and no sustain pedal holds any more.
    void Panic();
    // Editor. The library's details back to a new library's (the defaults
    // are KLibraryInfo's); the relative-path choice stays.
    void ResetInfo();
    // Editor. The library's details from a project file's record and into one.
    void ApplyInfo(const KLibraryInfo& info);
    void CaptureInfo(KLibraryInfo& info) const;

    // Editor. instrumentIndex -1 writes a project (or a bank, with
    // embedWaves), 0..15 an instrument file of that slot. keepPaths stores
    // every sample path as it stands (the state chunk). The file is replaced only once the new one
    // is complete: a failed save leaves the previous file as it was.
    bool SaveFile(const wchar_t* path, KFileJob& job, bool embedWaves, bool keepPaths, int instrumentIndex);
    // The two builds of the reader. The sampler's takes versions 1300 and
    // 1000 and builds the zones' waveform overviews for its editor; the bank
    // player's reads a file of any version with the version-1300 records and
    // builds no overviews (it shows none).
    enum class Reader { Sampler, Player };
    // Editor. Adds the file's instruments to the engine. pathsAsStored opens
    // every sample at its stored path (the state chunk).
    bool LoadFile(const wchar_t* path, KFileJob& job, bool pathsAsStored, Reader reader = Reader::Sampler);
    // Any thread. The file opens and has a version LoadFile reads.
    static bool IsLoadableFile(const wchar_t* path);

    // Structural edits of the engine and the threads that read the
    // structure meet here (see KStructureGate).
    KStructureGate structure;
    // Audio thread, once per block before Process: an offline render waits
    // for the disk instead of playing silence.
    void SetOffline(bool offline) { streamWait.SetOffline(offline); }
    KStreamWait streamWait;

    // The library's details; the constructor sets KLibraryInfo's defaults.
    wchar_t projectPath[kPathLength];
    wchar_t libraryName[kPathLength];
    wchar_t vendorName[kPathLength];
    wchar_t logoPicture[kPathLength];
    wchar_t backgroundPicture[kPathLength];
    char uniqueId[8];
    int32_t uiStyle;
    wchar_t sampleFolder[kPathLength];
    wchar_t exportFolder[kPathLength];
    int32_t instrumentCount = 0;
    float peakLeft = 1e-6f;
    float peakRight = 1e-6f;
    uint8_t samplesInRelativePath = 0;
    KInstrument* instruments[kInstruments] = {};
    KMidiQueue events = {};
    int32_t eventCursor = 0;
    int32_t sampleRate = 44100;
    double pitchTable[kPitchTableSize];
    std::thread diskThread;
    std::atomic<uint8_t> quitRequested{0};
    KEvent diskEvent;
    KEngineCallback diskBeginCallback = nullptr;
    KEngineCallback diskEndCallback = nullptr;
    KEngineCallback midiMonitorCallback = nullptr;
    void* callbackUser = nullptr;
    KReadBuffer readBuffer;
    int32_t lastController100 = 0;

private:
    void Dispatch(const KMidiEvent& event);
    void HandleController(KInstrument& instrument, int controller, int value);

    int channelCursor_ = 0;
};

void DiskThreadProc(KSamplerEngine* engine);

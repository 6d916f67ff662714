// The records of project (kss), instrument (kis) and bank (ksb) files:
// fixed-size, little-endian, every field at its own offset whatever the
// compiler's struct layout, so both builds write byte-identical files.
// Version 1300 is the current format; version 1000 (written by the
// SoundFont converter) has shorter instrument and zone records.
#pragma once

#include "WideText.h"

#include <cstddef>
#include <cstdint>

constexpr int32_t kFileVersion = 1300;
constexpr int32_t kConverterFileVersion = 1000;

// What a zone does with its loop and its note-off (files store the number).
enum KLoopMode : int32_t {
    kPlayToEnd = 0,
    kOneShot = 1, // the note-off is ignored
    kLoop = 2,
    kLoopUntilRelease = 3,
};

struct KFileHeader {
    static constexpr size_t kSize = 20;
    char magic[4] = {'K', 'R', 'V', 'O'};
    int32_t version = kFileVersion;
    uint8_t samplesEmbedded = 0;
    int32_t singleInstrument = 0;
    int32_t reserved = 0;
};

struct KLibraryInfo {
    static constexpr size_t kSize = 3668;
    wchar_t projectPath[kPathLength] = {};
    wchar_t libraryName[kPathLength] = L"mySound";
    wchar_t vendorName[kPathLength] = L"Tellurand";
    wchar_t logoPicture[kPathLength] = {};
    wchar_t backgroundPicture[kPathLength] = {};
    char uniqueId[8] = "Krvs";
    int32_t uiStyle = 0;
    int32_t instrumentCount = 0;
    uint8_t samplesInRelativePath = 0;
    wchar_t sampleFolder[kPathLength] = L"c:\\";
    wchar_t exportFolder[kPathLength] = L"c:\\";
};

// Defaults are the instrument's own: a version-1000 record lacks some fields.
struct KInstrumentRecord {
    static constexpr size_t kSize = 6824;
    static constexpr size_t kSize1000 = 624;
    wchar_t name[kPathLength] = L"Blank";
    int32_t zoneCount = 0;
    uint8_t midiChannel = 0;
    uint8_t outputPair = 0;
    uint8_t pitchBendOn = 1;
    uint8_t bendRange = 2;
    int32_t currentLayer = 1;
    uint8_t modWheelSelectsLayer = 0;
    uint8_t keySwitchOn = 0;
    uint8_t sustainPedalOn = 0;
    float reverbSize = 0.6f;
    float reverbDamp = 1.0f;
    double reverbSend = 0.0;
    double volume = 1.0;
    double pan = 50.0;
    uint8_t reverbOn = 0;
    uint8_t playAllLayers = 0;
    uint8_t midiControllersOn = 1;
    int32_t samplesInRelativePath = 0;
    wchar_t layerNames[12][kPathLength] = {};
};

// A zone's stored settings, shared by the zone itself and its file record.
// Defaults are the zone's own (the filter values are absent in version 1000).
struct KZoneSettings {
    int64_t startFrame = 0;
    int64_t endFrame = 0;
    int64_t loopStart = 0;
    int64_t loopEnd = 0;
    int32_t loopMode = kPlayToEnd;
    int32_t keyLow = 0;
    int32_t velocityHigh = 0;
    int32_t keyHigh = 0;
    int32_t velocityLow = 0;
    float volumeDb = 0.0f;
    float pan = 50.0f;
    float ampAttack = 0.0f;
    float ampDecay = 0.0f;
    float ampSustain = 0.0f;
    float ampRelease = 300.0f;
    float cutoff = 100.0f;
    float resonance = 1.0f;
    float keyToCutoff = 0.0f;
    float velocityToCutoff = 0.0f;
    int32_t coarseTune = 0;
    int32_t fineTune = 0;
    uint8_t rootKey = 60;
    uint8_t keyTracking = 1;
    int32_t layer = 1;
    int32_t exclusiveGroup = 0;
    uint8_t releaseTrigger = 0;
};

struct KZoneRecord : KZoneSettings {
    static constexpr size_t kSize = 680;
    static constexpr size_t kSize1000 = 648;
    wchar_t samplePath[kPathLength] = {};
    int64_t embeddedOffset = 0; // file position right after the record
    int64_t embeddedSize = 0;   // the WAV from its first byte to the end of its data
};

// Encoders fill a zeroed buffer of the record's size; decoders start from the
// record as given (its defaults) and keep a default for any float field that
// is not finite in the file. Text without a terminator is cut at 259 units.
void EncodeHeader(const KFileHeader& record, uint8_t* bytes);
void DecodeHeader(const uint8_t* bytes, KFileHeader& record);
void EncodeInfo(const KLibraryInfo& record, uint8_t* bytes);
void DecodeInfo(const uint8_t* bytes, KLibraryInfo& record);
// version 1300 or 1000
size_t InstrumentRecordSize(int32_t version);
size_t ZoneRecordSize(int32_t version);
void EncodeInstrument(const KInstrumentRecord& record, uint8_t* bytes, int32_t version = kFileVersion);
void DecodeInstrument(const uint8_t* bytes, KInstrumentRecord& record, int32_t version = kFileVersion);
void EncodeZone(const KZoneRecord& record, uint8_t* bytes, int32_t version = kFileVersion);
void DecodeZone(const uint8_t* bytes, KZoneRecord& record, int32_t version = kFileVersion);

// Builds SoundFont 2 banks for tests: mono and stereo-linked samples,
// instruments with global zones and any generators, ROM samples with and
// without "irom", 24-bit banks ("sm24"), missing chunks, odd and false chunk
// sizes, and record lists edited by hand before the bank is written.
#pragma once

#include "WavWriter.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct SfGen {
    uint16_t oper;
    int16_t amount;
};
// A range generator (keyRange 43, velRange 44): low end in the low byte.
SfGen SfRange(uint16_t oper, uint8_t low, uint8_t high);

// Raw records, as the bank stores them.
struct SfSampleRecord {
    std::string name;
    uint32_t start = 0, end = 0, startLoop = 0, endLoop = 0;
    uint32_t sampleRate = 44100;
    uint8_t originalPitch = 60;
    int8_t pitchCorrection = 0;
    uint16_t sampleLink = 0;
    uint16_t sampleType = 1;
};
struct SfInstRecord {
    std::string name;
    uint16_t bagIndex = 0;
};
struct SfBagRecord {
    uint16_t genIndex = 0;
    uint16_t modIndex = 0;
};

class SoundFontWriter {
public:
    SoundFontWriter();

    // Appends a sample's frames to "smpl" (with the 46 zero frames the
    // standard puts after each) and its header; loop points are frames from
    // the sample's start. Returns its sample index.
    int AddSample(const std::string& name, const std::vector<int16_t>& frames, uint8_t originalPitch = 60,
                  uint32_t loopStart = 0, uint32_t loopEnd = 0, uint32_t rate = 44100, uint16_t type = 1,
                  uint16_t link = 0);
    // A left and a right sample linked to each other; returns the left one's
    // index (the right one follows it).
    int AddStereoPair(const std::string& name, const std::vector<int16_t>& left, const std::vector<int16_t>& right,
                      uint8_t originalPitch = 60, uint32_t rate = 44100);
    // An instrument of zones, each a list of generators (a zone ends with its
    // sampleID 53; a leading zone without one is the global zone). Returns
    // its instrument index.
    int AddInstrument(const std::string& name, const std::vector<std::vector<SfGen>>& zones);

    // INFO: version (default 2.1), name (no "INAM" when empty), "irom".
    SoundFontWriter& Version(uint16_t major, uint16_t minor);
    SoundFontWriter& Name(const std::string& name);
    SoundFontWriter& Rom(const std::string& name);
    SoundFontWriter& FormType(const std::string& type);     // default "sfbk"
    SoundFontWriter& Sm24();                                 // a "sm24" chunk after "smpl"
    SoundFontWriter& Omit(const std::string& code);          // leave a chunk (or list) out
    // Replaces a chunk's body (for "smpl", after the samples are laid out).
    SoundFontWriter& Body(const std::string& code, Bytes body);
    SoundFontWriter& Trailing(const std::string& code, Bytes extra); // bytes after a chunk's records
    SoundFontWriter& DeclaredSize(const std::string& code, uint32_t size); // a false size field
    // An INFO text written with its exact (possibly odd) length and no pad byte.
    SoundFontWriter& RawInfo(const std::string& code, const std::string& text);
    // A pad byte after every odd-sized chunk, as RIFF writers often add.
    SoundFontWriter& PadOddChunks();
    SoundFontWriter& NoTerminals(); // leave the terminal records out

    Bytes Build() const;

    // The record lists, editable before Build; the terminal records are
    // added by Build.
    std::vector<int16_t> smpl;
    std::vector<SfSampleRecord> shdr;
    std::vector<SfInstRecord> inst;
    std::vector<SfBagRecord> ibag;
    std::vector<SfGen> igen;

private:
    Bytes Chunk(const std::string& code, const Bytes& body) const;
    Bytes List(const std::string& type, const std::vector<Bytes>& chunks) const;
    bool Omitted(const std::string& code) const;

    uint16_t major_ = 2, minor_ = 1;
    std::string name_ = "Test Bank";
    std::string rom_;
    bool romSet_ = false;
    std::string form_ = "sfbk";
    bool sm24_ = false;
    bool pad_ = false;
    bool terminals_ = true;
    std::vector<std::string> omitted_;
    std::map<std::string, Bytes> bodies_;
    std::map<std::string, Bytes> trailing_;
    std::map<std::string, uint32_t> declared_;
    std::vector<std::pair<std::string, std::string>> rawInfo_;
};

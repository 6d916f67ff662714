// Finds the chunks of a RIFF file by their four-character code, at any depth.
#pragma once

#include "Platform.h"

#include <cstdint>

// Builds a chunk code as the file stores it: the first character in the
// lowest byte of the little-endian 32-bit value.
constexpr uint32_t FourCc(const char (&code)[5]) {
    return static_cast<uint32_t>(static_cast<uint8_t>(code[0])) |
           static_cast<uint32_t>(static_cast<uint8_t>(code[1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(code[2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(code[3])) << 24;
}

// Entries of the walker's code table; callers name a chunk by its entry.
enum RiffCode : int {
    kRiffRiff, kRiffSfbk, kRiffList, kRiffInfo,
    kRiffIfil, kRiffIsng, kRiffIrom, kRiffIver, kRiffInam, kRiffIprd, kRiffIcop, kRiffIcrd, kRiffIeng, kRiffIcmt,
    kRiffSdta, kRiffSnam, kRiffSmpl,
    kRiffPdta, kRiffPhdr, kRiffPbag, kRiffPmod, kRiffPgen, kRiffInst, kRiffIbag, kRiffImod, kRiffIgen, kRiffShdr,
    kRiffCodeCount
};
// The INFO sub-chunks are the entries from "ifil" to "ICMT".
constexpr int kFirstInfoCode = kRiffIfil;
constexpr int kLastInfoCode = kRiffIcmt;

class RiffWalker {
public:
    // Results of Open, Close, ReadChunkHeader and FindChunk.
    enum : uint16_t {
        kOk = 0,
        kNotRiff = 1,
        kCloseFailed = 2,
        kNotFound = 3,
        kCannotOpen = 4,
        kBadHeader = 5,
    };

    RiffWalker();
    ~RiffWalker();
    RiffWalker(const RiffWalker&) = delete;
    RiffWalker& operator=(const RiffWalker&) = delete;

    uint16_t Open(const wchar_t* path);
    uint16_t Close();
    // Reads the chunk header at the current position and moves past it.
    uint16_t ReadChunkHeader();
    // Depth-first from the start of the file, first match wins; a list is
    // matched by its list type. On success the position is the chunk's data.
    uint16_t FindChunk(uint32_t code);
    uint16_t FindChunk(RiffCode entry) { return FindChunk(codes[entry]); }
    // Goes back to the file's first header.
    void Rewind() { position_ = 0; }
    bool IsOpen() const { return file.IsOpen(); }
    // The open file's size in bytes, -1 when closed.
    int64_t FileSize() const { return file.Size(); }
    // Reads at an absolute position without moving the walker; the byte count read.
    int64_t ReadAt(int64_t offset, void* destination, int64_t bytes) const {
        return file.ReadAt(offset, destination, bytes);
    }

    uint16_t status = kOk;
    KFile file;
    // 64-bit so that a size field near 4 GB never wraps the sum with it.
    int64_t dataPos = 0;
    uint32_t id = 0;
    uint32_t size = 0;
    uint32_t listType = 0;
    uint32_t riffSize = 0;
    uint32_t codes[kRiffCodeCount];
    uint16_t lastErrno = 0;

private:
    int64_t position_ = 0;
};

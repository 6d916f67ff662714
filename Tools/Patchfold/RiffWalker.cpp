#include "RiffWalker.h"

#include <cerrno>

namespace {
uint32_t Le32(const uint8_t* b) {
    return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
           static_cast<uint32_t>(b[3]) << 24;
}

constexpr char kCodeTable[kRiffCodeCount][5] = {
    "RIFF", "sfbk", "LIST", "INFO", "ifil", "isng", "irom", "iver", "INAM", "IPRD", "ICOP", "ICRD", "IENG", "ICMT",
    "sdta", "snam", "smpl", "pdta", "phdr", "pbag", "pmod", "pgen", "inst", "ibag", "imod", "igen", "shdr",
};
} // namespace

RiffWalker::RiffWalker() {
    for (int i = 0; i < kRiffCodeCount; ++i) codes[i] = FourCc(kCodeTable[i]);
}

RiffWalker::~RiffWalker() { file.Close(); }

uint16_t RiffWalker::Open(const wchar_t* path) {
    file.Close();
    position_ = 0;
    errno = 0;
    if (!file.OpenRead(path)) {
        // The Win32 layer leaves errno alone: a failed open then reads as "no such file".
        lastErrno = static_cast<uint16_t>(errno != 0 ? errno : ENOENT);
        return status = kCannotOpen;
    }
    if (ReadChunkHeader() != kOk) return status = kCannotOpen;
    if (id != codes[kRiffRiff]) return status = kNotRiff;
    riffSize = size;
    return status = kOk;
}

uint16_t RiffWalker::Close() {
    // As with the runtime library's fclose, there is nothing to close on a
    // walker that holds no file.
    if (!file.IsOpen()) return status = kCloseFailed;
    file.Close();
    return status = kOk;
}

uint16_t RiffWalker::ReadChunkHeader() {
    uint8_t header[8];
    if (file.ReadAt(position_, header, 8) != 8) return kBadHeader;
    id = Le32(header);
    size = Le32(header + 4);
    position_ += 8;
    listType = 0;
    if (id == codes[kRiffRiff] || id == codes[kRiffList]) {
        uint8_t type[4];
        if (file.ReadAt(position_, type, 4) != 4) return kBadHeader;
        listType = Le32(type);
        position_ += 4;
    }
    dataPos = position_;
    return kOk;
}

uint16_t RiffWalker::FindChunk(uint32_t code) {
    position_ = 0;
    if (ReadChunkHeader() != kOk || ReadChunkHeader() != kOk) return kNotFound;
    // Every step moves at least one header on, so the scan ends at the end
    // of the file or of the RIFF size, whatever the sizes say.
    while (id != code && listType != code) {
        if (id == codes[kRiffRiff] || id == codes[kRiffList]) {
            if (ReadChunkHeader() != kOk) return kNotFound;
            continue;
        }
        const int64_t next = dataPos + static_cast<int64_t>(size);
        if (next > static_cast<int64_t>(riffSize)) return kNotFound;
        position_ = next;
        if (ReadChunkHeader() != kOk) return kNotFound;
    }
    return kOk;
}

#include "PeImage.h"

#include "Platform.h"

#include <cstdint>
#include <cstring>

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t U32(const Bytes& b, size_t at) {
    if (at + 4 > b.size()) return 0;
    return static_cast<uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16) | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint16_t U16(const Bytes& b, size_t at) { return at + 2 > b.size() ? 0 : static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

struct Section {
    uint32_t virtualAddress, virtualSize, rawOffset, rawSize;
};

// File offset of a relative virtual address, or 0 when no section holds it.
size_t FileOffset(const std::vector<Section>& sections, uint32_t rva) {
    for (const Section& s : sections) {
        const uint32_t span = s.virtualSize > s.rawSize ? s.virtualSize : s.rawSize;
        if (rva >= s.virtualAddress && rva < s.virtualAddress + span) return s.rawOffset + (rva - s.virtualAddress);
    }
    return 0;
}

std::string TextAt(const Bytes& b, size_t at) {
    std::string s;
    while (at != 0 && at < b.size() && b[at] != 0 && s.size() < 512) s.push_back(static_cast<char>(b[at++]));
    return s;
}

} // namespace

PeImage ReadPeImage(const std::wstring& path) {
    PeImage image;
    KFile file;
    if (!file.OpenRead(path.c_str())) return image;
    Bytes b(static_cast<size_t>(file.Size()));
    if (file.ReadAt(0, b.data(), static_cast<int64_t>(b.size())) != static_cast<int64_t>(b.size())) return image;
    if (b.size() < 0x40 || b[0] != 'M' || b[1] != 'Z') return image;
    const size_t pe = U32(b, 0x3C);
    if (U32(b, pe) != 0x00004550) return image; // "PE\0\0"
    image.machine = U16(b, pe + 4);
    const uint16_t sectionCount = U16(b, pe + 6);
    const uint16_t optionalSize = U16(b, pe + 20);
    const size_t optional = pe + 24;
    // PE32 (32-bit) and PE32+ (64-bit) differ in the optional header's
    // 64-bit fields, which move the data directories.
    size_t directories;
    switch (U16(b, optional)) {
    case 0x10B: directories = optional + 96; break;
    case 0x20B: directories = optional + 112; image.pe32Plus = true; break;
    default: return image;
    }
    std::vector<Section> sections;
    for (size_t i = 0, at = optional + optionalSize; i < sectionCount; ++i, at += 40)
        sections.push_back({U32(b, at + 12), U32(b, at + 8), U32(b, at + 20), U32(b, at + 16)});

    if (const uint32_t exportRva = U32(b, directories); exportRva != 0) {
        const size_t dir = FileOffset(sections, exportRva);
        const uint32_t count = U32(b, dir + 24);
        const size_t names = FileOffset(sections, U32(b, dir + 32));
        for (uint32_t i = 0; names != 0 && i < count && i < 4096; ++i)
            image.exports.push_back(TextAt(b, FileOffset(sections, U32(b, names + 4 * i))));
    }
    if (const uint32_t importRva = U32(b, directories + 8); importRva != 0) {
        for (size_t at = FileOffset(sections, importRva); at != 0 && at + 20 <= b.size(); at += 20) {
            const uint32_t name = U32(b, at + 12);
            if (name == 0) break;
            image.imports.push_back(TextAt(b, FileOffset(sections, name)));
        }
    }
    image.valid = true;
    return image;
}

#include "ProjectWriter.h"

#include "ByteText.h"
#include "FileRecords.h"
#include "Platform.h"
#include "ZoneMapping.h"

#include <cstring>

namespace {

void PutDouble(uint8_t* at, double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, 8);
    for (int b = 0; b < 8; ++b) at[b] = static_cast<uint8_t>(bits >> (8 * b));
}

void EncodeConvertedInstrument(const SfInstrumentHeader& source, int index, int32_t zoneCount, uint8_t* bytes) {
    KInstrumentRecord r;
    // instName need not end in a zero byte.
    char name[sizeof source.instName + 1] = {};
    std::memcpy(name, source.instName, sizeof source.instName);
    CopyWide(r.name, WidenBytes(name).c_str());
    r.zoneCount = zoneCount;
    r.midiChannel = static_cast<uint8_t>(index + 1);
    r.outputPair = 0;
    r.pitchBendOn = 1;
    r.bendRange = 2;
    r.currentLayer = 1;
    r.modWheelSelectsLayer = r.keySwitchOn = r.sustainPedalOn = 0;
    r.reverbSend = 0.0;
    r.volume = 1.0;
    r.pan = 50.0;
    r.reverbOn = 0;
    EncodeInstrument(r, bytes, kConverterFileVersion);
    // Fields of the version-1000 record that no reader defines, written as
    // the converter always has.
    PutDouble(bytes + 592, 6000.0);
    PutDouble(bytes + 600, 3000.0);
    bytes[608] = 1;
    bytes[609] = 1;
}

} // namespace

bool WriteConvertedProject(const std::wstring& path, const Hydra& bank, const std::vector<uint8_t>& usable) {
    KFile out;
    if (!out.Create(path.c_str())) return false;

    KFileHeader header;
    header.version = kConverterFileVersion;
    uint8_t head[KFileHeader::kSize];
    EncodeHeader(header, head);
    out.Write(head, sizeof head);

    const int instruments = ConvertedInstrumentCount(bank);
    KLibraryInfo info;
    // The caller keeps the path within the 255 characters that are stored.
    CopyWide(info.projectPath, path.c_str());
    CopyWide(info.libraryName, L"SoundFont");
    info.vendorName[0] = 0;
    info.sampleFolder[0] = 0;
    info.exportFolder[0] = 0;
    std::memset(info.uniqueId, 0, sizeof info.uniqueId);
    std::memcpy(info.uniqueId, "krvo", 4);
    info.uiStyle = 0;
    info.instrumentCount = instruments;
    info.samplesInRelativePath = 1;
    std::vector<uint8_t> infoBytes(KLibraryInfo::kSize);
    EncodeInfo(info, infoBytes.data());
    out.Write(infoBytes.data(), static_cast<int64_t>(infoBytes.size()));

    std::vector<uint8_t> instrumentBytes(KInstrumentRecord::kSize1000), zoneBytes(KZoneRecord::kSize1000);
    for (int i = 0; i < instruments; ++i) {
        const std::vector<KZoneRecord> zones = MapInstrumentZones(bank, i, usable);
        EncodeConvertedInstrument(bank.inst[i], i, static_cast<int32_t>(zones.size()), instrumentBytes.data());
        out.Write(instrumentBytes.data(), static_cast<int64_t>(instrumentBytes.size()));
        for (const KZoneRecord& zone : zones) {
            EncodeZone(zone, zoneBytes.data(), kConverterFileVersion);
            out.Write(zoneBytes.data(), static_cast<int64_t>(zoneBytes.size()));
        }
    }
    return true;
}

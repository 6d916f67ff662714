#include "FileRecords.h"

#include <cmath>
#include <cstring>

namespace {

// One list of fields per record serves both directions: a writer puts each
// field at its offset, a reader takes it from there.
class Writer {
public:
    explicit Writer(uint8_t* bytes) : b_(bytes) {}
    void U8(size_t at, const uint8_t& v) { b_[at] = v; }
    void I32(size_t at, const int32_t& v) { Put(at, static_cast<uint32_t>(v), 4); }
    void I64(size_t at, const int64_t& v) { Put(at, static_cast<uint64_t>(v), 8); }
    void F32(size_t at, const float& v) {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        Put(at, bits, 4);
    }
    void F64(size_t at, const double& v) {
        uint64_t bits;
        std::memcpy(&bits, &v, 8);
        Put(at, bits, 8);
    }
    void Wide(size_t at, const wchar_t (&text)[kPathLength]) { WideToUtf16Le(text, b_ + at, kPathLength); }
    void Bytes(size_t at, const char* v, size_t n) { std::memcpy(b_ + at, v, n); }

private:
    void Put(size_t at, uint64_t v, int n) {
        for (int i = 0; i < n; ++i) b_[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
    uint8_t* b_;
};

class Reader {
public:
    explicit Reader(const uint8_t* bytes) : b_(bytes) {}
    void U8(size_t at, uint8_t& v) { v = b_[at]; }
    void I32(size_t at, int32_t& v) { v = static_cast<int32_t>(static_cast<uint32_t>(Get(at, 4))); }
    void I64(size_t at, int64_t& v) { v = static_cast<int64_t>(Get(at, 8)); }
    void F32(size_t at, float& v) {
        const uint32_t bits = static_cast<uint32_t>(Get(at, 4));
        float x;
        std::memcpy(&x, &bits, 4);
        if (std::isfinite(x)) v = x;
    }
    void F64(size_t at, double& v) {
        const uint64_t bits = Get(at, 8);
        double x;
        std::memcpy(&x, &bits, 8);
        if (std::isfinite(x)) v = x;
    }
    void Wide(size_t at, wchar_t (&text)[kPathLength]) { Utf16LeToWide(b_ + at, kPathLength, text, kPathLength); }
    void Bytes(size_t at, char* v, size_t n) { std::memcpy(v, b_ + at, n); }

private:
    uint64_t Get(size_t at, int n) const {
        uint64_t v = 0;
        for (int i = 0; i < n; ++i) v |= static_cast<uint64_t>(b_[at + i]) << (8 * i);
        return v;
    }
    const uint8_t* b_;
};

template <class Io, class Header>
void HeaderFields(Io& io, Header& r) {
    io.Bytes(0, r.magic, 4);
    io.I32(4, r.version);
    io.U8(8, r.samplesEmbedded);
    io.I32(12, r.singleInstrument);
    io.I32(16, r.reserved);
}

template <class Io, class Info>
void InfoFields(Io& io, Info& r) {
    io.Wide(0, r.projectPath);
    io.Wide(520, r.libraryName);
    io.Wide(1040, r.vendorName);
    io.Wide(1560, r.logoPicture);
    io.Wide(2080, r.backgroundPicture);
    io.Bytes(2600, r.uniqueId, 8);
    io.I32(2608, r.uiStyle);
    io.I32(2612, r.instrumentCount);
    io.U8(2616, r.samplesInRelativePath);
    io.Wide(2618, r.sampleFolder);
    io.Wide(3138, r.exportFolder);
}

template <class Io, class Instrument>
void InstrumentFields(Io& io, Instrument& r, int32_t version) {
    io.Wide(0, r.name);
    io.I32(520, r.zoneCount);
    io.U8(524, r.midiChannel);
    io.U8(525, r.outputPair);
    io.U8(526, r.pitchBendOn);
    io.U8(527, r.bendRange);
    io.I32(528, r.currentLayer);
    io.U8(532, r.modWheelSelectsLayer);
    io.U8(533, r.keySwitchOn);
    io.U8(534, r.sustainPedalOn);
    io.F64(544, r.reverbSend);
    io.F64(552, r.volume);
    io.F64(560, r.pan);
    io.U8(568, r.reverbOn);
    if (version == kConverterFileVersion) return;
    io.F32(536, r.reverbSize);
    io.F32(540, r.reverbDamp);
    io.U8(569, r.playAllLayers);
    io.U8(570, r.midiControllersOn);
    io.I32(572, r.samplesInRelativePath);
    for (size_t layer = 0; layer < 12; ++layer) io.Wide(576 + 520 * layer, r.layerNames[layer]);
}

template <class Io, class Zone>
void ZoneFields(Io& io, Zone& r, int32_t version) {
    io.Wide(0, r.samplePath);
    io.I64(520, r.embeddedOffset);
    io.I64(528, r.embeddedSize);
    io.I64(536, r.startFrame);
    io.I64(544, r.endFrame);
    io.I64(552, r.loopStart);
    io.I64(560, r.loopEnd);
    io.I32(568, r.loopMode);
    io.I32(572, r.keyLow);
    io.I32(576, r.velocityHigh);
    io.I32(580, r.keyHigh);
    io.I32(584, r.velocityLow);
    io.F32(588, r.volumeDb);
    io.F32(592, r.pan);
    io.F32(596, r.ampAttack);
    io.F32(600, r.ampDecay);
    io.F32(604, r.ampSustain);
    io.F32(608, r.ampRelease);
    // Version 1300 inserts 16 reserved bytes and the four filter values here.
    const size_t shift = version == kConverterFileVersion ? 0 : 32;
    if (shift != 0) {
        io.F32(628, r.cutoff);
        io.F32(632, r.resonance);
        io.F32(636, r.keyToCutoff);
        io.F32(640, r.velocityToCutoff);
    }
    io.I32(612 + shift, r.coarseTune);
    io.I32(616 + shift, r.fineTune);
    io.U8(620 + shift, r.rootKey);
    io.U8(621 + shift, r.keyTracking);
    io.I32(624 + shift, r.layer);
    io.I32(628 + shift, r.exclusiveGroup);
    io.U8(632 + shift, r.releaseTrigger);
}

} // namespace

void EncodeHeader(const KFileHeader& record, uint8_t* bytes) {
    std::memset(bytes, 0, KFileHeader::kSize);
    Writer w(bytes);
    HeaderFields(w, record);
}

void DecodeHeader(const uint8_t* bytes, KFileHeader& record) {
    Reader r(bytes);
    HeaderFields(r, record);
}

void EncodeInfo(const KLibraryInfo& record, uint8_t* bytes) {
    std::memset(bytes, 0, KLibraryInfo::kSize);
    Writer w(bytes);
    InfoFields(w, record);
}

void DecodeInfo(const uint8_t* bytes, KLibraryInfo& record) {
    Reader r(bytes);
    InfoFields(r, record);
    record.uniqueId[7] = 0;
}

size_t InstrumentRecordSize(int32_t version) {
    return version == kConverterFileVersion ? KInstrumentRecord::kSize1000 : KInstrumentRecord::kSize;
}

size_t ZoneRecordSize(int32_t version) {
    return version == kConverterFileVersion ? KZoneRecord::kSize1000 : KZoneRecord::kSize;
}

void EncodeInstrument(const KInstrumentRecord& record, uint8_t* bytes, int32_t version) {
    std::memset(bytes, 0, InstrumentRecordSize(version));
    Writer w(bytes);
    InstrumentFields(w, record, version);
}

void DecodeInstrument(const uint8_t* bytes, KInstrumentRecord& record, int32_t version) {
    Reader r(bytes);
    InstrumentFields(r, record, version);
}

void EncodeZone(const KZoneRecord& record, uint8_t* bytes, int32_t version) {
    std::memset(bytes, 0, ZoneRecordSize(version));
    Writer w(bytes);
    ZoneFields(w, record, version);
}

void DecodeZone(const uint8_t* bytes, KZoneRecord& record, int32_t version) {
    Reader r(bytes);
    ZoneFields(r, record, version);
}

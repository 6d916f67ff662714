#include "WavWriter.h"

#include "ByteFields.h"
#include "Platform.h"

namespace {
void PutChunk(Bytes& b, const std::string& id, const Bytes& body, bool pad, int64_t declared = -1) {
    PutId(b, id);
    Put32(b, declared >= 0 ? static_cast<uint32_t>(declared) : static_cast<uint32_t>(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    if (pad && (body.size() & 1)) b.push_back(0);
}
} // namespace

WavWriter::WavWriter(int channels, int bitsPerSample, int sampleRate)
    : channels_(channels), bits_(bitsPerSample), rate_(sampleRate) {}

WavWriter& WavWriter::Samples(std::vector<int32_t> samples) {
    samples_ = std::move(samples);
    return *this;
}
WavWriter& WavWriter::FormatTag(uint16_t tag) {
    tag_ = tag;
    return *this;
}
WavWriter& WavWriter::Extensible(uint16_t subFormat) {
    subFormat_ = subFormat;
    return *this;
}
WavWriter& WavWriter::FmtSize(uint32_t declared) {
    fmtSize_ = declared;
    return *this;
}
WavWriter& WavWriter::Chunk(const std::string& id, Bytes body, bool beforeFmt, bool pad) {
    (beforeFmt ? before_ : after_).push_back({id, std::move(body), pad});
    return *this;
}
WavWriter& WavWriter::Smpl(uint32_t unityNote, std::vector<SmplLoop> loops, int64_t declaredCount) {
    Bytes body;
    Put32(body, 0);          // manufacturer
    Put32(body, 0);          // product
    Put32(body, 22676);      // sample period
    Put32(body, unityNote);
    Put32(body, 0);          // pitch fraction
    Put32(body, 0);          // SMPTE format
    Put32(body, 0);          // SMPTE offset
    Put32(body, declaredCount >= 0 ? static_cast<uint32_t>(declaredCount) : static_cast<uint32_t>(loops.size()));
    Put32(body, 0);          // sampler data
    for (size_t i = 0; i < loops.size(); ++i) {
        Put32(body, static_cast<uint32_t>(i));
        Put32(body, 0);
        Put32(body, loops[i].start);
        Put32(body, loops[i].end);
        Put32(body, 0);
        Put32(body, 0);
    }
    return Chunk("smpl", std::move(body));
}
WavWriter& WavWriter::DataSize(uint32_t declared) {
    dataSize_ = declared;
    return *this;
}
WavWriter& WavWriter::Trailer(Bytes after) {
    trailer_ = std::move(after);
    return *this;
}
WavWriter& WavWriter::NoData() {
    data_ = false;
    return *this;
}

Bytes WavWriter::Build() const {
    Bytes fmt;
    const int blockAlign = channels_ * bits_ / 8;
    Put16(fmt, subFormat_ >= 0 ? 0xFFFE : tag_);
    Put16(fmt, static_cast<uint32_t>(channels_));
    Put32(fmt, static_cast<uint32_t>(rate_));
    Put32(fmt, static_cast<uint32_t>(rate_ * blockAlign));
    Put16(fmt, static_cast<uint32_t>(blockAlign));
    Put16(fmt, static_cast<uint32_t>(bits_));
    if (subFormat_ >= 0) {
        Put16(fmt, 22);
        Put16(fmt, static_cast<uint32_t>(bits_)); // valid bits
        Put32(fmt, channels_ == 2 ? 3 : 4);      // channel mask
        static const uint8_t tail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                         0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        Put16(fmt, static_cast<uint32_t>(subFormat_));
        fmt.insert(fmt.end(), tail, tail + 14);
    }

    Bytes data;
    for (int32_t s : samples_) {
        const uint32_t v = static_cast<uint32_t>(s);
        if (bits_ == 8) data.push_back(static_cast<uint8_t>(v));
        else if (bits_ == 16) Put16(data, v & 0xFFFF);
        else if (bits_ == 24) {
            data.push_back(static_cast<uint8_t>(v));
            data.push_back(static_cast<uint8_t>(v >> 8));
            data.push_back(static_cast<uint8_t>(v >> 16));
        } else if (bits_ == 32) Put32(data, v);
    }

    Bytes body;
    PutId(body, "WAVE");
    for (const Piece& p : before_) PutChunk(body, p.id, p.body, p.pad);
    PutChunk(body, "fmt ", fmt, true, fmtSize_);
    for (const Piece& p : after_) PutChunk(body, p.id, p.body, p.pad);
    if (data_) PutChunk(body, "data", data, false, dataSize_);
    body.insert(body.end(), trailer_.begin(), trailer_.end());

    Bytes out;
    PutId(out, "RIFF");
    Put32(out, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

bool WriteBytes(const std::wstring& path, const Bytes& bytes, int64_t offset, const Bytes& tail) {
    KFile f;
    if (!f.Create(path.c_str())) return false;
    if (offset > 0) {
        const Bytes filler(static_cast<size_t>(offset), 0xEE);
        if (!f.Write(filler.data(), offset)) return false;
    }
    if (!f.Write(bytes.data(), static_cast<int64_t>(bytes.size()))) return false;
    if (!tail.empty() && !f.Write(tail.data(), static_cast<int64_t>(tail.size()))) return false;
    return true;
}

Bytes ReadBytes(const std::wstring& path) {
    KFile f;
    Bytes b;
    if (!f.OpenRead(path.c_str())) return b;
    b.resize(static_cast<size_t>(f.Size()));
    if (f.ReadAt(0, b.data(), static_cast<int64_t>(b.size())) != static_cast<int64_t>(b.size())) b.clear();
    return b;
}

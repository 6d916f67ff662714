#include "SoundFontWriter.h"

#include "ByteFields.h"

#include <algorithm>

namespace {
void PutName(Bytes& b, const std::string& name) {
    for (size_t i = 0; i < 20; ++i) b.push_back(static_cast<uint8_t>(i < name.size() ? name[i] : 0));
}
void Append(Bytes& to, const Bytes& from) { to.insert(to.end(), from.begin(), from.end()); }
} // namespace

SfGen SfRange(uint16_t oper, uint8_t low, uint8_t high) {
    return SfGen{oper, static_cast<int16_t>(static_cast<uint16_t>(low | high << 8))};
}

SoundFontWriter::SoundFontWriter() = default;

int SoundFontWriter::AddSample(const std::string& name, const std::vector<int16_t>& frames, uint8_t originalPitch,
                               uint32_t loopStart, uint32_t loopEnd, uint32_t rate, uint16_t type, uint16_t link) {
    SfSampleRecord s;
    s.name = name;
    s.start = static_cast<uint32_t>(smpl.size());
    s.end = s.start + static_cast<uint32_t>(frames.size());
    s.startLoop = s.start + loopStart;
    s.endLoop = s.start + loopEnd;
    s.sampleRate = rate;
    s.originalPitch = originalPitch;
    s.sampleType = type;
    s.sampleLink = link;
    smpl.insert(smpl.end(), frames.begin(), frames.end());
    smpl.insert(smpl.end(), 46, 0);
    shdr.push_back(s);
    return static_cast<int>(shdr.size()) - 1;
}

int SoundFontWriter::AddStereoPair(const std::string& name, const std::vector<int16_t>& left,
                                   const std::vector<int16_t>& right, uint8_t originalPitch, uint32_t rate) {
    const uint16_t l = static_cast<uint16_t>(shdr.size());
    AddSample(name + "L", left, originalPitch, 0, 0, rate, 4, static_cast<uint16_t>(l + 1));
    AddSample(name + "R", right, originalPitch, 0, 0, rate, 2, l);
    return l;
}

int SoundFontWriter::AddInstrument(const std::string& name, const std::vector<std::vector<SfGen>>& zones) {
    inst.push_back({name, static_cast<uint16_t>(ibag.size())});
    for (const auto& zone : zones) {
        ibag.push_back({static_cast<uint16_t>(igen.size()), 0});
        igen.insert(igen.end(), zone.begin(), zone.end());
    }
    return static_cast<int>(inst.size()) - 1;
}

SoundFontWriter& SoundFontWriter::Version(uint16_t major, uint16_t minor) {
    major_ = major;
    minor_ = minor;
    return *this;
}
SoundFontWriter& SoundFontWriter::Name(const std::string& name) {
    name_ = name;
    return *this;
}
SoundFontWriter& SoundFontWriter::Rom(const std::string& name) {
    rom_ = name;
    romSet_ = true;
    return *this;
}
SoundFontWriter& SoundFontWriter::FormType(const std::string& type) {
    form_ = type;
    return *this;
}
SoundFontWriter& SoundFontWriter::Sm24() {
    sm24_ = true;
    return *this;
}
SoundFontWriter& SoundFontWriter::Omit(const std::string& code) {
    omitted_.push_back(code);
    return *this;
}
SoundFontWriter& SoundFontWriter::Body(const std::string& code, Bytes body) {
    bodies_[code] = std::move(body);
    return *this;
}
SoundFontWriter& SoundFontWriter::Trailing(const std::string& code, Bytes extra) {
    trailing_[code] = std::move(extra);
    return *this;
}
SoundFontWriter& SoundFontWriter::DeclaredSize(const std::string& code, uint32_t size) {
    declared_[code] = size;
    return *this;
}
SoundFontWriter& SoundFontWriter::RawInfo(const std::string& code, const std::string& text) {
    rawInfo_.emplace_back(code, text);
    return *this;
}
SoundFontWriter& SoundFontWriter::PadOddChunks() {
    pad_ = true;
    return *this;
}
SoundFontWriter& SoundFontWriter::NoTerminals() {
    terminals_ = false;
    return *this;
}

bool SoundFontWriter::Omitted(const std::string& code) const {
    return std::find(omitted_.begin(), omitted_.end(), code) != omitted_.end();
}

Bytes SoundFontWriter::Chunk(const std::string& code, const Bytes& records) const {
    Bytes out;
    if (Omitted(code)) return out;
    const auto replaced = bodies_.find(code);
    Bytes body = replaced != bodies_.end() ? replaced->second : records;
    const auto extra = trailing_.find(code);
    if (extra != trailing_.end()) Append(body, extra->second);
    const auto declared = declared_.find(code);
    PutId(out, code);
    Put32(out, declared != declared_.end() ? declared->second : static_cast<uint32_t>(body.size()));
    Append(out, body);
    if (pad_ && (body.size() & 1)) out.push_back(0);
    return out;
}

Bytes SoundFontWriter::List(const std::string& type, const std::vector<Bytes>& chunks) const {
    Bytes out;
    if (Omitted(type)) return out;
    Bytes body;
    PutId(body, type);
    for (const Bytes& c : chunks) Append(body, c);
    PutId(out, "LIST");
    const auto declared = declared_.find(type);
    Put32(out, declared != declared_.end() ? declared->second : static_cast<uint32_t>(body.size()));
    Append(out, body);
    return out;
}

Bytes SoundFontWriter::Build() const {
    // INFO
    std::vector<Bytes> info;
    Bytes ifil;
    Put16(ifil, major_);
    Put16(ifil, minor_);
    info.push_back(Chunk("ifil", ifil));
    if (!name_.empty()) {
        // Zero-terminated and of even length, as the standard asks.
        Bytes text(name_.begin(), name_.end());
        text.push_back(0);
        if (text.size() & 1) text.push_back(0);
        info.push_back(Chunk("INAM", text));
    }
    if (romSet_) {
        Bytes text(rom_.begin(), rom_.end());
        text.push_back(0);
        if (text.size() & 1) text.push_back(0);
        info.push_back(Chunk("irom", text));
    }
    for (const auto& raw : rawInfo_) info.push_back(Chunk(raw.first, Bytes(raw.second.begin(), raw.second.end())));

    // sdta
    Bytes samples;
    for (int16_t v : smpl) Put16(samples, static_cast<uint16_t>(v));
    std::vector<Bytes> sdta{Chunk("smpl", samples)};
    if (sm24_) {
        Bytes low(smpl.size() + (smpl.size() & 1), 0x5A);
        sdta.push_back(Chunk("sm24", low));
    }

    // pdta: one preset over the first instrument (presets are not converted).
    Bytes phdr, pbag, pmod, pgen, instBytes, ibagBytes, imod, igenBytes, shdrBytes;
    PutName(phdr, "Preset");
    Put16(phdr, 0);
    Put16(phdr, 0);
    Put16(phdr, 0);
    Put32(phdr, 0);
    Put32(phdr, 0);
    Put32(phdr, 0);
    Put16(pbag, 0);
    Put16(pbag, 0);
    Put16(pgen, 41);
    Put16(pgen, 0);
    if (terminals_) {
        PutName(phdr, "EOP");
        Put16(phdr, 0);
        Put16(phdr, 0);
        Put16(phdr, 1);
        Put32(phdr, 0);
        Put32(phdr, 0);
        Put32(phdr, 0);
        Put16(pbag, 1);
        Put16(pbag, 0);
        Put32(pgen, 0);
        pmod.insert(pmod.end(), 10, 0);
        imod.insert(imod.end(), 10, 0);
    }
    for (const SfInstRecord& i : inst) {
        PutName(instBytes, i.name);
        Put16(instBytes, i.bagIndex);
    }
    for (const SfBagRecord& b : ibag) {
        Put16(ibagBytes, b.genIndex);
        Put16(ibagBytes, b.modIndex);
    }
    for (const SfGen& g : igen) {
        Put16(igenBytes, g.oper);
        Put16(igenBytes, static_cast<uint16_t>(g.amount));
    }
    auto putSample = [&](const SfSampleRecord& s) {
        PutName(shdrBytes, s.name);
        Put32(shdrBytes, s.start);
        Put32(shdrBytes, s.end);
        Put32(shdrBytes, s.startLoop);
        Put32(shdrBytes, s.endLoop);
        Put32(shdrBytes, s.sampleRate);
        shdrBytes.push_back(s.originalPitch);
        shdrBytes.push_back(static_cast<uint8_t>(s.pitchCorrection));
        Put16(shdrBytes, s.sampleLink);
        Put16(shdrBytes, s.sampleType);
    };
    for (const SfSampleRecord& s : shdr) putSample(s);
    if (terminals_) {
        PutName(instBytes, "EOI");
        Put16(instBytes, static_cast<uint16_t>(ibag.size()));
        Put16(ibagBytes, static_cast<uint16_t>(igen.size()));
        Put16(ibagBytes, 0);
        Put32(igenBytes, 0);
        SfSampleRecord eos;
        eos.name = "EOS";
        eos.sampleRate = 0;
        eos.originalPitch = 0;
        eos.sampleType = 0;
        putSample(eos);
    }

    Bytes body;
    PutId(body, form_);
    Append(body, List("INFO", info));
    Append(body, List("sdta", sdta));
    Append(body, List("pdta", {Chunk("phdr", phdr), Chunk("pbag", pbag), Chunk("pmod", pmod), Chunk("pgen", pgen),
                               Chunk("inst", instBytes), Chunk("ibag", ibagBytes), Chunk("imod", imod),
                               Chunk("igen", igenBytes), Chunk("shdr", shdrBytes)}));
    Bytes out;
    PutId(out, "RIFF");
    const auto declared = declared_.find("RIFF");
    Put32(out, declared != declared_.end() ? declared->second : static_cast<uint32_t>(body.size()));
    Append(out, body);
    return out;
}

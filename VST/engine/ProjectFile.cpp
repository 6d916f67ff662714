// Reading and writing project (kss), instrument (kis) and bank (ksb) files.
#include "Engine.h"

#include "Platform.h"
#include "ProjectReader.h"

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

const wchar_t* FileNameOf(const wchar_t* path) {
    const wchar_t* name = path;
    for (const wchar_t* p = path; *p; ++p)
        if (IsSeparator(*p)) name = p + 1;
    return name;
}

// The part of path before its last separator.
std::wstring FolderOf(const wchar_t* path) {
    const wchar_t* name = FileNameOf(path);
    return name == path ? std::wstring() : std::wstring(path, static_cast<size_t>(name - path - 1));
}

// "%s\%s" into a path buffer; false when it does not fit.
bool Join(wchar_t (&out)[kPathLength], const std::wstring& folder, const wchar_t* name) {
    const std::wstring joined = folder + L"\\" + name;
    if (joined.size() >= kPathLength) return false;
    return CopyWide(out, joined.c_str());
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const wchar_t x = IsSeparator(a[i]) ? L'\\' : static_cast<wchar_t>(std::towlower(a[i]));
        const wchar_t y = IsSeparator(b[i]) ? L'\\' : static_cast<wchar_t>(std::towlower(b[i]));
        if (x != y) return false;
    }
    return true;
}

// The copies of one samples-folder save: each source keeps one name; two
// sources with the same file name get distinct names.
class SampleCopies {
public:
    explicit SampleCopies(std::wstring folder) : folder_(std::move(folder)) {}

    // A sample already in the samples folder keeps its name, and no copy of
    // another sample may take that name (it would overwrite it).
    void KeepIfInside(const wchar_t* source) {
        if (!SamePath(FolderOf(source), folder_)) return;
        for (const auto& entry : placed_)
            if (SamePath(entry.first, source)) return;
        placed_.emplace_back(source, FileNameOf(source));
    }

    // The bare name stored for the zone's sample, after copying it into the
    // samples folder; empty when the copy failed.
    std::wstring Place(const wchar_t* source) {
        for (const auto& entry : placed_)
            if (SamePath(entry.first, source)) return entry.second;
        const std::wstring name = FreeName(FileNameOf(source));
        const std::wstring target = folder_ + L"\\" + name;
        if (target.size() >= kPathLength) return {};
        // A sample that already lies in the samples folder stays where it is.
        if (!SamePath(target, source) && !CopyFileOver(source, target.c_str())) return {};
        placed_.emplace_back(source, name);
        return name;
    }

private:
    std::wstring FreeName(const std::wstring& name) const {
        auto taken = [&](const std::wstring& candidate) {
            for (const auto& entry : placed_)
                if (SamePath(entry.second, candidate)) return true;
            return false;
        };
        if (!taken(name)) return name;
        const size_t dot = name.rfind(L'.');
        const std::wstring stem = dot == std::wstring::npos ? name : name.substr(0, dot);
        const std::wstring extension = dot == std::wstring::npos ? L"" : name.substr(dot);
        for (int n = 2;; ++n) {
            const std::wstring candidate = stem + L"_" + std::to_wstring(n) + extension;
            if (!taken(candidate)) return candidate;
        }
    }

    std::wstring folder_;
    std::vector<std::pair<std::wstring, std::wstring>> placed_; // source, stored name
};

// The WAV of a zone as a bank embeds it: its file from the first byte to the
// end of the sample data that is really there.
int64_t EmbeddedSize(const KSampleZone& zone) { return zone.dataOffset + zone.frameCount * zone.BytesPerFrame(); }

bool WriteEmbeddedWave(KFile& out, const KSampleZone& zone) {
    const int64_t size = EmbeddedSize(zone);
    const int64_t dataBytes = zone.frameCount * zone.BytesPerFrame();
    std::vector<uint8_t> chunk(1 << 20);
    for (int64_t done = 0; done < size;) {
        const int64_t n = std::min<int64_t>(static_cast<int64_t>(chunk.size()), size - done);
        if (zone.file->ReadAt(zone.baseOffset + done, chunk.data(), n) != n) return false;
        // The data chunk announces exactly the bytes that follow.
        const int64_t sizeField = zone.dataOffset - 4;
        if (sizeField >= done && sizeField + 4 <= done + n) {
            for (int i = 0; i < 4; ++i)
                chunk[static_cast<size_t>(sizeField - done + i)] = static_cast<uint8_t>(dataBytes >> (8 * i));
        }
        if (!out.Write(chunk.data(), n)) return false;
        done += n;
    }
    return true;
}

void FillZoneRecord(KZoneRecord& r, const KSampleZone& z) {
    r = KZoneRecord();
    static_cast<KZoneSettings&>(r) = z;
}

void ApplyZoneRecord(KSampleZone& z, const KZoneRecord& r) {
    static_cast<KZoneSettings&>(z) = r;
    // A sustain below 0 dB needs a decay to get there.
    if (z.ampSustain < 0.0f && z.ampDecay == 0.0f) z.ampDecay = 1.0f;
}

int SavedZoneCount(const KInstrument& in) {
    int n = 0;
    for (const KSampleZone* zone : in.zones)
        if (zone != nullptr && !zone->notSaved) ++n;
    return n;
}

void FillInstrumentRecord(KInstrumentRecord& r, const KInstrument& in, uint8_t samplesInRelativePath) {
    r = KInstrumentRecord();
    CopyWide(r.name, in.name);
    r.zoneCount = SavedZoneCount(in);
    r.midiChannel = in.midiChannel;
    r.outputPair = in.outputPair;
    r.pitchBendOn = in.pitchBendOn;
    r.bendRange = in.bendRange;
    r.currentLayer = in.currentLayer;
    r.modWheelSelectsLayer = in.modWheelSelectsLayer;
    r.keySwitchOn = in.keySwitchOn;
    r.sustainPedalOn = in.sustainPedalOn;
    r.reverbSize = in.reverbSize;
    r.reverbDamp = in.reverbDamp;
    r.reverbSend = in.reverbSend;
    r.volume = in.volume;
    r.pan = in.pan;
    r.reverbOn = in.reverbOn;
    r.playAllLayers = in.playAllLayers;
    r.midiControllersOn = in.midiControllersOn;
    r.samplesInRelativePath = samplesInRelativePath ? 1 : 0;
    for (int layer = 0; layer < KInstrument::kLayers; ++layer) CopyWide(r.layerNames[layer], in.layerNames[layer]);
}

void ApplyInstrumentRecord(KInstrument& in, const KInstrumentRecord& r) {
    CopyWide(in.name, r.name);
    for (int layer = 0; layer < KInstrument::kLayers; ++layer) CopyWide(in.layerNames[layer], r.layerNames[layer]);
    in.pitchBendOn = r.pitchBendOn;
    in.bendRange = r.bendRange;
    in.currentLayer = r.currentLayer;
    in.modWheelSelectsLayer = r.modWheelSelectsLayer;
    in.keySwitchOn = r.keySwitchOn;
    in.sustainPedalOn = r.sustainPedalOn;
    in.playAllLayers = r.playAllLayers;
    in.midiControllersOn = r.midiControllersOn;
    // Held to the knobs' range: a size past it makes the reverb run away.
    in.reverbSize = ReverbSettingInRange(r.reverbSize);
    in.reverbDamp = ReverbSettingInRange(r.reverbDamp);
    in.reverbSend = r.reverbSend;
    in.volume = r.volume;
    in.pan = r.pan;
    in.reverbOn = r.reverbOn;
    in.ResetReverb();
}

// Writes to "<path>.tmp" and puts it in place of path only when complete.
class SafeWrite {
public:
    explicit SafeWrite(const wchar_t* path) : target_(path), temporary_(std::wstring(path) + L".tmp") {
        if (target_.size() < kPathLength && temporary_.size() < kPathLength) file.Create(temporary_.c_str());
    }
    ~SafeWrite() {
        if (!committed_) {
            file.Close();
            RemoveFile(temporary_.c_str());
        }
    }
    bool Commit() {
        file.Close();
        committed_ = ReplaceFileWith(temporary_.c_str(), target_.c_str());
        return committed_;
    }

    KFile file;

private:
    std::wstring target_;
    std::wstring temporary_;
    bool committed_ = false;
};

} // namespace

bool KSamplerEngine::SaveFile(const wchar_t* path, KFileJob& job, bool embedWaves, bool keepPaths,
                              int instrumentIndex) {
    if (path == nullptr || instrumentIndex >= kInstruments) return false;
    SafeWrite out(path);
    if (!out.file.IsOpen()) return false;
    job.engine = this;
    job.progress = 0.0;

    job.header = KFileHeader();
    job.header.samplesEmbedded = embedWaves ? 1 : 0;
    job.header.singleInstrument = instrumentIndex >= 0 ? 1 : 0;
    uint8_t head[KFileHeader::kSize];
    EncodeHeader(job.header, head);
    if (!out.file.Write(head, sizeof head)) return false;
    int64_t position = KFileHeader::kSize;

    const bool movesProjectPath = instrumentIndex < 0 && !keepPaths && !embedWaves;
    if (instrumentIndex < 0) {
        KLibraryInfo& info = job.info;
        CaptureInfo(info);
        if (movesProjectPath) CopyWide(info.projectPath, path);
        std::vector<uint8_t> bytes(KLibraryInfo::kSize);
        EncodeInfo(info, bytes.data());
        if (!out.file.Write(bytes.data(), static_cast<int64_t>(bytes.size()))) return false;
        position += KLibraryInfo::kSize;
    }

    const bool relative = samplesInRelativePath && !keepPaths && !embedWaves;
    SampleCopies copies(FolderOf(path) + L"\\samples");
    if (relative && !CreateFolder((FolderOf(path) + L"\\samples").c_str())) return false;

    const int totalZones = CountZones();
    std::vector<uint8_t> instrumentBytes(KInstrumentRecord::kSize), zoneBytes(KZoneRecord::kSize);
    const int first = instrumentIndex < 0 ? 0 : instrumentIndex;
    const int last = instrumentIndex < 0 ? kInstruments - 1 : instrumentIndex;
    if (relative) {
        for (int slot = first; slot <= last; ++slot)
            if (const KInstrument* in = instruments[slot])
                for (const KSampleZone* zone : in->zones)
                    if (zone != nullptr && !zone->notSaved) copies.KeepIfInside(zone->path);
    }
    for (int slot = first; slot <= last; ++slot) {
        const KInstrument* in = instruments[slot];
        if (in == nullptr) continue;
        FillInstrumentRecord(job.instrument, *in, samplesInRelativePath);
        EncodeInstrument(job.instrument, instrumentBytes.data());
        if (!out.file.Write(instrumentBytes.data(), KInstrumentRecord::kSize)) return false;
        position += KInstrumentRecord::kSize;

        for (const KSampleZone* zone : in->zones) {
            if (zone == nullptr || zone->notSaved) continue;
            KZoneRecord& r = job.zone;
            FillZoneRecord(r, *zone);
            if (relative) {
                // A copy that fails fails the save: the name would point nowhere.
                const std::wstring name = copies.Place(zone->path);
                if (name.empty() || !CopyWide(r.samplePath, name.c_str())) return false;
            } else {
                CopyWide(r.samplePath, zone->path);
            }
            r.embeddedOffset = position + static_cast<int64_t>(KZoneRecord::kSize);
            r.embeddedSize = EmbeddedSize(*zone);
            EncodeZone(r, zoneBytes.data());
            if (!out.file.Write(zoneBytes.data(), KZoneRecord::kSize)) return false;
            position += KZoneRecord::kSize;
            if (embedWaves) {
                // The record announces these bytes: without them the bank is not written.
                if (!WriteEmbeddedWave(out.file, *zone)) return false;
                position += r.embeddedSize;
            }
            if (totalZones > 0) job.progress += 1.0 / totalZones;
            if (job.progressCallback != nullptr) job.progressCallback(job.progressUser, 0);
        }
    }
    if (!out.Commit()) return false;
    if (movesProjectPath) CopyWide(projectPath, path);
    return true;
}

bool KSamplerEngine::IsLoadableFile(const wchar_t* path) {
    KFile file;
    uint8_t head[KFileHeader::kSize];
    if (path == nullptr || !file.OpenRead(path) || file.ReadAt(0, head, sizeof head) != static_cast<int64_t>(sizeof head))
        return false;
    KFileHeader header;
    DecodeHeader(head, header);
    return header.version == kFileVersion || header.version == kConverterFileVersion;
}

bool KSamplerEngine::LoadFile(const wchar_t* path, KFileJob& job, bool pathsAsStored, Reader reader) {
    job.engine = this;
    if (path == nullptr || !CopyWide(job.path, path)) return false;
    // Instruments are filled in after they are published: no block renders
    // until the load is done (the sampler is busy over it anyway).
    KRenderHold hold(&structure);
    KSharedStream* stream = KSharedStream::Open(path);
    if (stream == nullptr) return false;
    job.stream = stream;
    auto close = [&] {
        job.stream = nullptr;
        stream->Release();
    };
    KProjectReader records;
    if (!records.Open(*stream, job, reader == Reader::Player)) {
        close();
        return false;
    }
    const bool single = records.SingleInstrument();
    const bool embedded = records.Embedded();
    if (!single) {
        ApplyInfo(job.info);
        samplesInRelativePath = job.info.samplesInRelativePath;
    }

    const std::wstring loadedFolder = FolderOf(path);
    bool folderChosen = false, promptCancelled = false;
    wchar_t chosenFolder[kPathLength] = {};

    while (records.NextInstrument()) {
        const KInstrumentRecord& ir = job.instrument;
        const int slot = AddInstrument(ir.midiChannel, ir.outputPair);
        KInstrument* in = slot >= 0 ? instruments[slot] : nullptr;
        if (in != nullptr) ApplyInstrumentRecord(*in, ir);
        const bool relative = single ? ir.samplesInRelativePath == 1 : job.info.samplesInRelativePath != 0;

        int64_t next;
        while (records.NextZone(next)) {
            const KZoneRecord& r = job.zone;
            // An instrument that found no slot is read past and dropped.
            if (in == nullptr) continue;
            // A zone the instrument refuses (no free slot, an empty key or
            // velocity range) is a failed zone like a missing sample: it is
            // skipped, and it brings the prompt if none has come yet.
            const bool acceptable = in->zoneCount < KInstrument::kZones && r.keyHigh >= r.keyLow &&
                                    r.velocityHigh >= r.velocityLow && r.velocityLow > 0;

            KSampleZone* zone = nullptr;
            if (acceptable && embedded) {
                zone = in->OpenZone(path, stream, r.embeddedOffset >= 0 ? r.embeddedOffset : next);
            } else if (acceptable) {
                wchar_t candidate[kPathLength];
                bool fits = true;
                if (relative && !pathsAsStored) fits = Join(candidate, loadedFolder + L"\\samples", r.samplePath);
                else CopyWide(candidate, r.samplePath);
                if (fits) zone = in->OpenZone(candidate, nullptr, 0);
            }
            bool justAsked = false;
            if (zone == nullptr && !folderChosen) {
                // Once per load: where are the samples?
                folderChosen = justAsked = true;
                const bool chosen = job.folderPrompt != nullptr
                                        ? job.folderPrompt(job.folderPromptUser, L"Can not find samples",
                                                           chosenFolder, kPathLength)
                                        : PromptForFolder(L"Can not find samples", chosenFolder, kPathLength);
                promptCancelled = !chosen || chosenFolder[0] == 0;
            }
            // A plain zone is looked for at its own place first, then in the
            // chosen folder; a bank zone only right after the prompt.
            if (zone == nullptr && acceptable && folderChosen && !promptCancelled && (!embedded || justAsked)) {
                wchar_t retry[kPathLength];
                if (Join(retry, chosenFolder, FileNameOf(r.samplePath))) zone = in->OpenZone(retry, nullptr, 0);
            }
            if (zone == nullptr) continue;

            ApplyZoneRecord(*zone, r);
            zone->UpdateCoefficients(sampleRate);
            if (reader == Reader::Sampler) zone->BuildOverview();
            zone->FillPreload();
            in->InsertZone(zone);
        }
    }

    // A bank's zones read from its stream and keep it open; the job lets go.
    close();
    return true;
}

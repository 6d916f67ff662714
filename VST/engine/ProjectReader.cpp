#include "ProjectReader.h"

#include <algorithm>

bool KProjectReader::Open(KSharedStream& stream, KFileJob& job, bool anyVersion) {
    stream_ = &stream;
    job_ = &job;
    fileSize_ = stream.Size();
    broken_ = false;
    zonesLeft_ = 0;
    uint8_t head[KFileHeader::kSize];
    if (stream.ReadAt(0, head, sizeof head) != static_cast<int64_t>(sizeof head)) return false;
    job.header = KFileHeader();
    DecodeHeader(head, job.header);
    version_ = anyVersion ? kFileVersion : job.header.version;
    if (version_ != kFileVersion && version_ != kConverterFileVersion) return false;
    single_ = job.header.singleInstrument > 0;
    embedded_ = job.header.samplesEmbedded != 0;
    position_ = KFileHeader::kSize;

    instrumentsLeft_ = 1;
    job.info = KLibraryInfo();
    if (!single_) {
        std::vector<uint8_t> bytes(KLibraryInfo::kSize);
        if (stream.ReadAt(position_, bytes.data(), KLibraryInfo::kSize) != static_cast<int64_t>(KLibraryInfo::kSize))
            return false;
        position_ += KLibraryInfo::kSize;
        DecodeInfo(bytes.data(), job.info);
        instrumentsLeft_ = std::max(0, job.info.instrumentCount);
    }
    instrumentBytes_.resize(InstrumentRecordSize(version_));
    zoneBytes_.resize(ZoneRecordSize(version_));
    return true;
}

bool KProjectReader::NextInstrument() {
    // The zones of the instrument before are read past first.
    int64_t skipped;
    while (NextZone(skipped)) {
    }
    if (broken_ || instrumentsLeft_ <= 0) return false;
    const int64_t size = static_cast<int64_t>(instrumentBytes_.size());
    if (stream_->ReadAt(position_, instrumentBytes_.data(), size) != size) return false;
    position_ += size;
    --instrumentsLeft_;
    job_->instrument = KInstrumentRecord();
    DecodeInstrument(instrumentBytes_.data(), job_->instrument, version_);
    zonesLeft_ = std::max(0, job_->instrument.zoneCount);
    return true;
}

bool KProjectReader::NextZone(int64_t& recordEnd) {
    if (broken_ || zonesLeft_ <= 0) return false;
    const int64_t size = static_cast<int64_t>(zoneBytes_.size());
    if (stream_->ReadAt(position_, zoneBytes_.data(), size) != size) {
        broken_ = true;
        return false;
    }
    position_ += size;
    --zonesLeft_;
    job_->zone = KZoneRecord();
    DecodeZone(zoneBytes_.data(), job_->zone, version_);
    recordEnd = position_;
    if (embedded_) {
        const int64_t bytes = job_->zone.embeddedSize;
        if (bytes < 0 || bytes > fileSize_ - position_) {
            broken_ = true;
            return false;
        }
        position_ += bytes;
    }
    return true;
}

// Walks the records of a project, instrument or bank file as they come:
// header, library information, each instrument and its zones. Counts and
// sizes come from the file, so every read is checked: the walk ends at the
// first record that is not all there, and a bank zone's embedded bytes must
// lie inside the file. The records land in the job; what is built from them
// is the caller's.
#pragma once

#include "FileJob.h"

#include <cstdint>
#include <vector>

class KProjectReader {
public:
    // Reads the header and, for a project or bank, the library information.
    // anyVersion reads a file of any version with the current records (the
    // bank player's reader). False: not a file this reader takes.
    bool Open(KSharedStream& stream, KFileJob& job, bool anyVersion);

    bool SingleInstrument() const { return single_; }
    bool Embedded() const { return embedded_; }

    // The next instrument record into job.instrument; false at the end.
    bool NextInstrument();
    // The next zone record of the current instrument into job.zone; false
    // after its last. recordEnd: the file position just past the record,
    // where a bank zone's embedded WAV begins unless the record says where.
    bool NextZone(int64_t& recordEnd);

private:
    KSharedStream* stream_ = nullptr;
    KFileJob* job_ = nullptr;
    int64_t fileSize_ = 0;
    int64_t position_ = 0;
    int32_t version_ = 0;
    bool single_ = false;
    bool embedded_ = false;
    bool broken_ = false; // ended early at a record that was not all there
    int64_t instrumentsLeft_ = 0;
    int32_t zonesLeft_ = 0;
    std::vector<uint8_t> instrumentBytes_, zoneBytes_;
};

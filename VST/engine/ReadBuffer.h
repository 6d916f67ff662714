// The engine's one raw read buffer, shared by every sample reader of every
// zone. The editor, the loader and the disk thread all read through it, so a
// reader holds its lock while the buffer carries its bytes; the audio thread
// never reads files and never takes this lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>

class KReadBuffer {
public:
    static constexpr size_t kSize = 524288;

    KReadBuffer();
    ~KReadBuffer();
    KReadBuffer(const KReadBuffer&) = delete;
    KReadBuffer& operator=(const KReadBuffer&) = delete;

    uint8_t* bytes;
    std::mutex lock;
};

// An open file read by several sample readers at once (the WAVs embedded in
// a bank all read from the bank's one stream). The count says who still
// reads it; the file is closed exactly once, when the last holder lets go.
#pragma once

#include "Platform.h"

#include <atomic>
#include <cstdint>

class KSharedStream {
public:
    // Opens path for reading; null when it cannot be opened. The caller holds
    // the first reference.
    static KSharedStream* Open(const wchar_t* path);

    void AddRef() { refs_.fetch_add(1, std::memory_order_relaxed); }
    void Release();
    int References() const { return refs_.load(std::memory_order_acquire); }

    // Positional reads are safe from several threads at once.
    int64_t ReadAt(int64_t offset, void* destination, int64_t bytes) const {
        return file_.ReadAt(offset, destination, bytes);
    }
    int64_t Size() const { return file_.Size(); }

private:
    KSharedStream() = default;
    ~KSharedStream() = default;

    KFile file_;
    std::atomic<int> refs_{1};
};

#include "SharedStream.h"

#include <new>

KSharedStream* KSharedStream::Open(const wchar_t* path) {
    KSharedStream* stream = new (std::nothrow) KSharedStream();
    if (stream == nullptr) return nullptr;
    if (!stream->file_.OpenRead(path)) {
        delete stream;
        return nullptr;
    }
    return stream;
}

void KSharedStream::Release() {
    if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
}

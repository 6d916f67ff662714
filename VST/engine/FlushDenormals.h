// Sets flush-to-zero and denormals-are-zero for the duration of a render
// call and gives the host back its own MXCSR afterwards.
#pragma once

#include <xmmintrin.h>

class KScopedFlushDenormals {
public:
    KScopedFlushDenormals() : saved_(_mm_getcsr()) { _mm_setcsr(saved_ | kFlushToZero | kDenormalsAreZero); }
    ~KScopedFlushDenormals() { _mm_setcsr(saved_); }
    KScopedFlushDenormals(const KScopedFlushDenormals&) = delete;
    KScopedFlushDenormals& operator=(const KScopedFlushDenormals&) = delete;

private:
    static constexpr unsigned kFlushToZero = 0x8000;
    static constexpr unsigned kDenormalsAreZero = 0x0040;
    unsigned saved_;
};

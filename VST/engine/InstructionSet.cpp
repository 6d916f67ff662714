#include "InstructionSet.h"

#include <atomic>

#include <cpuid.h>

namespace {
// 0 until first asked, then 1 (SSE2) or 2 (AVX).
std::atomic<int> gChoice{0};
} // namespace

bool AvxUsable() {
    unsigned eax, ebx, ecx, edx;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
    // AVX, and XSAVE enabled by the system, which then saves the wide
    // registers: both in XCR0.
    constexpr unsigned kAvx = 1u << 28, kOsXsave = 1u << 27;
    if ((ecx & kAvx) == 0 || (ecx & kOsXsave) == 0) return false;
    unsigned low, high;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return (low & 6u) == 6u;
}

bool UseAvx() {
    int choice = gChoice.load(std::memory_order_relaxed);
    if (choice == 0) {
        choice = AvxUsable() ? 2 : 1;
        gChoice.store(choice, std::memory_order_relaxed);
    }
    return choice == 2;
}

bool PreferSse2(bool sse2Only) {
    const bool avx = !sse2Only && AvxUsable();
    gChoice.store(avx ? 2 : 1, std::memory_order_relaxed);
    return avx;
}

// Fixed-capacity wide strings, as the records keep them (260 units).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr int kPathLength = 260;

// Copies src into dst of capacity units, always terminated; returns false
// (dst then holds the cut text) when src does not fit.
bool CopyWide(wchar_t* dst, size_t capacity, const wchar_t* src);

template <size_t N>
bool CopyWide(wchar_t (&dst)[N], const wchar_t* src) {
    return CopyWide(dst, N, src);
}

// The UTF-8 form of wide text (unpaired surrogates become U+FFFD).
std::string WideToUtf8(const wchar_t* text);

// The UTF-8 form of a wide path with backslashes turned into slashes, for the
// native build's file calls.
std::string NativePath(const wchar_t* path);

// Wide text as files store it: UTF-16 little-endian in a field of `units`
// code units, NUL-terminated and zero-filled, whatever the build's wchar_t.
// Text that does not fit is cut at a character boundary.
void WideToUtf16Le(const wchar_t* src, uint8_t* field, size_t units);
// Reads such a field (up to its first NUL) into dst of capacity units.
void Utf16LeToWide(const uint8_t* field, size_t units, wchar_t* dst, size_t capacity);

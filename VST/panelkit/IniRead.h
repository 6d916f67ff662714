// Reading an INI value of any length: the profile functions only say that a
// value did not fit, so the buffer grows until it does. Doubling keeps a
// value of millions of characters to a few dozen reads of the file.
#pragma once

#include <limits>
#include <memory>
#include <new>

constexpr unsigned long kIniFirstReadChars = 512;

// read(buffer, size) fills buffer (size characters, terminated) and returns
// the length it stored, as GetPrivateProfileString does: size - 1 means the
// value may have been cut. The result holds the whole value; null when
// memory runs out.
template <typename Char, typename Read>
std::unique_ptr<Char[]> ReadWholeIniValue(Read&& read) {
    for (unsigned long size = kIniFirstReadChars;; size *= 2) {
        std::unique_ptr<Char[]> buffer(new (std::nothrow) Char[size + 1]);
        if (!buffer) return nullptr;
        buffer[0] = 0;
        const unsigned long length = read(buffer.get(), size);
        if (length + 1 < size) return buffer;
        if (size > std::numeric_limits<unsigned long>::max() / 4) return nullptr;
    }
}

#include "WideText.h"

bool CopyWide(wchar_t* dst, size_t capacity, const wchar_t* src) {
    if (dst == nullptr || capacity == 0) return false;
    if (src == nullptr) {
        dst[0] = 0;
        return true;
    }
    size_t i = 0;
    for (; i + 1 < capacity && src[i] != 0; ++i) dst[i] = src[i];
    dst[i] = 0;
    return src[i] == 0;
}

namespace {
void AppendUtf8(std::string& out, unsigned long c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}
} // namespace

std::string WideToUtf8(const wchar_t* text) {
    std::string out;
    if (text == nullptr) return out;
    for (size_t i = 0; text[i] != 0; ++i) {
        unsigned long c = static_cast<unsigned long>(text[i]);
        // A 16-bit wchar_t carries UTF-16: join surrogate pairs.
        if (c >= 0xD800 && c <= 0xDBFF && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<unsigned long>(text[i + 1]) - 0xDC00);
            ++i;
        } else if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            c = 0xFFFD;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::string NativePath(const wchar_t* path) {
    std::string out = WideToUtf8(path);
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

void WideToUtf16Le(const wchar_t* src, uint8_t* field, size_t units) {
    size_t at = 0;
    auto put = [&](unsigned long u) {
        field[2 * at] = static_cast<uint8_t>(u);
        field[2 * at + 1] = static_cast<uint8_t>(u >> 8);
        ++at;
    };
    for (size_t i = 0; src != nullptr && src[i] != 0; ++i) {
        unsigned long c = static_cast<unsigned long>(src[i]);
        if (sizeof(wchar_t) == 2 || c < 0x10000) {
            // A 16-bit wchar_t is UTF-16 already: keep a surrogate pair together.
            const bool pair = sizeof(wchar_t) == 2 && c >= 0xD800 && c <= 0xDBFF && src[i + 1] != 0;
            if (at + (pair ? 2 : 1) >= units) break;
            put(c);
            if (pair) put(static_cast<unsigned long>(src[++i]));
        } else {
            if (c > 0x10FFFF) c = 0xFFFD;
            if (at + 2 >= units) break;
            c -= 0x10000;
            put(0xD800 + (c >> 10));
            put(0xDC00 + (c & 0x3FF));
        }
    }
    while (at < units) put(0);
}

void Utf16LeToWide(const uint8_t* field, size_t units, wchar_t* dst, size_t capacity) {
    if (dst == nullptr || capacity == 0) return;
    size_t out = 0;
    for (size_t i = 0; i < units && out + 1 < capacity; ++i) {
        unsigned long u = field[2 * i] | field[2 * i + 1] << 8;
        if (u == 0) break;
        if (sizeof(wchar_t) == 4 && u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            const unsigned long low = field[2 * i + 2] | field[2 * i + 3] << 8;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        dst[out++] = static_cast<wchar_t>(u);
    }
    dst[out] = 0;
}

// The bank's own narrow names (its instrument names) as wide text: each byte
// becomes one UTF-16 unit, so a name is stored under the same characters in
// both builds. The bank does not say which code page its names are in.
#pragma once

#include <string>

inline std::wstring WidenBytes(const char* text) {
    std::wstring wide;
    for (const char* p = text; p != nullptr && *p != 0; ++p) wide += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return wide;
}

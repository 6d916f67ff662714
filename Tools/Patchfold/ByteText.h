// Narrow texts of the converter (its command line and the bank's names) as
// wide text: each byte becomes one UTF-16 unit, so a name is stored and
// opened under the same characters in both builds.
#pragma once

#include <string>

inline std::wstring WidenBytes(const char* text) {
    std::wstring wide;
    for (const char* p = text; p != nullptr && *p != 0; ++p) wide += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return wide;
}

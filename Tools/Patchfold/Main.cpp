// patchfold "<bank.sf2>" ["<output folder>\"]: a console program that prints
// nothing and always ends with 0.
#include "Patchfold.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

// The arguments from the wide command line as the system keeps it: the
// narrow ones pass through the ANSI code page, where a Cyrillic or Chinese
// name (or a western one with an en dash) is lost.
int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argv == nullptr) return 0;
    const int result = Patchfold(argc, argv);
    ::LocalFree(argv);
    return result;
}
#else
#include <string>
#include <vector>

namespace {

// The native build's arguments are UTF-8; a byte that is not is taken as
// the character of its value.
std::wstring FromUtf8(const char* text) {
    std::wstring out;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (*p != 0) {
        const unsigned char lead = *p;
        const int extra = lead < 0xC0 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : lead < 0xF8 ? 3 : 0;
        unsigned long c = extra == 0 ? lead : lead & (0x3Fu >> extra);
        int i = 1;
        for (; i <= extra && (p[i] & 0xC0) == 0x80; ++i) c = c << 6 | (p[i] & 0x3Fu);
        if (i <= extra) {
            c = lead;
            i = 1;
        }
        out += static_cast<wchar_t>(c);
        p += i;
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::wstring> wide;
    for (int i = 0; i < argc; ++i) wide.push_back(FromUtf8(argv[i]));
    std::vector<const wchar_t*> pointers;
    for (const std::wstring& w : wide) pointers.push_back(w.c_str());
    pointers.push_back(nullptr);
    return Patchfold(argc, pointers.data());
}
#endif

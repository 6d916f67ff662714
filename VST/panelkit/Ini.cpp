#include "Ini.h"

#include "IniRead.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <new>
#include <string>

inline namespace KORVO_INI_BUILD {

namespace {

IniString Copy(const IniChar* s) {
    const size_t n = std::char_traits<IniChar>::length(s);
    IniString copy(new (std::nothrow) IniChar[n + 1]);
    if (copy) std::memcpy(copy.get(), s, (n + 1) * sizeof(IniChar));
    return copy;
}

IniString ReadValue(const IniChar* section, const IniChar* key, const IniChar* fallback, const IniChar* file) {
    return ReadWholeIniValue<IniChar>([&](IniChar* buffer, unsigned long size) -> unsigned long {
#ifdef KORVO_INI_NARROW
        return ::GetPrivateProfileStringA(section, key, fallback, buffer, size, file);
#else
        return ::GetPrivateProfileStringW(section, key, fallback, buffer, size, file);
#endif
    });
}

}  // namespace

CIni::~CIni() { delete[] path; }

void CIni::SetPath(const IniChar* file) {
    IniChar* copy = file != nullptr ? Copy(file).release() : nullptr;
    delete[] path;
    path = copy;
}

#ifdef KORVO_INI_NARROW

namespace {

// GetInt and GetBool look at the start of a value only.
constexpr DWORD kNumberChars = 64;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// In the code page the narrow profile functions use.
std::unique_ptr<wchar_t[]> Widen(const char* s) {
    const int n = ::MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0);
    if (n <= 0) return nullptr;
    std::unique_ptr<wchar_t[]> wide(new (std::nothrow) wchar_t[n]);
    if (wide && ::MultiByteToWideChar(CP_ACP, 0, s, -1, wide.get(), n) != n) wide.reset();
    return wide;
}

}  // namespace

IniString CIni::GetString(const char* section, const char* key) {
    if (section == nullptr || key == nullptr) return Copy("");
    return ReadValue(section, key, "", path);
}

int CIni::GetInt(const char* section, const char* key, int fallback) {
    char text[kNumberChars] = "";
    if (section != nullptr && key != nullptr) ::GetPrivateProfileStringA(section, key, "", text, kNumberChars, path);
    if (text[0] == 0) return fallback;
    // Wraps like the unsigned reading it is: "-1" gives -1.
    return static_cast<int>(std::strtoul(text, nullptr, 10));
}

bool CIni::GetBool(const char* section, const char* key) {
    char text[kNumberChars] = "";
    if (section != nullptr && key != nullptr) ::GetPrivateProfileStringA(section, key, "", text, kNumberChars, path);
    if (text[0] == 0) return false;
    if (_stricmp(text, "true") == 0 || _stricmp(text, "yes") == 0) return true;
    return std::strtol(text, nullptr, 10) != 0;
}

int CIni::WriteInt(const char* section, const char* key, int value) {
    if (section == nullptr || key == nullptr) return 0;
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return ::WritePrivateProfileStringA(section, key, text, path);
}

size_t CIni::GetBinary(const char* section, const char* key, size_t capacity, void* output) {
    if (section == nullptr || key == nullptr) return 0;
    const IniString text = ReadValue(section, key, "", path);
    if (!text) return 0;
    const size_t length = std::strlen(text.get());
    if (length < 2) return 0;
    for (size_t i = 0; i < length; ++i)
        if (HexDigit(text[i]) < 0) return 0;
    size_t count = length / 2;
    if (output == nullptr) return count;
    if (count > capacity) count = capacity;
    auto* bytes = static_cast<unsigned char*>(output);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<unsigned char>(HexDigit(text[2 * i]) * 16 + HexDigit(text[2 * i + 1]));
    return count;
}

// Wine's WritePrivateProfileStringA garbles values of 32767 characters and
// more, which a plug-in chunk easily reaches. Hex digits are ASCII, so the
// wide call writes the same text.
int CIni::WriteBinary(const char* section, const char* key, size_t length, const void* bytes) {
    if (section == nullptr || key == nullptr || bytes == nullptr) return 0;
    const std::unique_ptr<wchar_t[]> wideSection = Widen(section), wideKey = Widen(key);
    const std::unique_ptr<wchar_t[]> widePath = path != nullptr ? Widen(path) : nullptr;
    const std::unique_ptr<wchar_t[]> text(new (std::nothrow) wchar_t[2 * length + 1]);
    if (!wideSection || !wideKey || (path != nullptr && !widePath) || !text) return 0;
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    const auto* in = static_cast<const unsigned char*>(bytes);
    for (size_t i = 0; i < length; ++i) {
        text[2 * i] = kDigits[in[i] >> 4];
        text[2 * i + 1] = kDigits[in[i] & 15];
    }
    text[2 * length] = 0;
    return ::WritePrivateProfileStringW(wideSection.get(), wideKey.get(), text.get(), widePath.get());
}

#else

IniString CIni::GetString(const wchar_t* section, const wchar_t* key, const wchar_t* fallback) {
    if (fallback == nullptr) fallback = L"";
    if (section == nullptr || key == nullptr) return Copy(fallback);
    return ReadValue(section, key, fallback, path);
}

int CIni::ReadString(const wchar_t* section, const wchar_t* key, const wchar_t* fallback, wchar_t* output) {
    if (output != nullptr) output[0] = 0;
    const IniString value = GetString(section, key, fallback);
    if (!value) return 0;
    const size_t length = std::wcslen(value.get());
    const size_t kept = length < kIniReadChars - 1 ? length : kIniReadChars - 1;
    if (output != nullptr) {
        std::wmemcpy(output, value.get(), kept);
        output[kept] = 0;
    }
    return length > kIniReadChars - 1 ? static_cast<int>(kIniReadChars) : static_cast<int>(length);
}

namespace {

// A file that the profile functions create themselves is ANSI text, in which
// characters outside the code page turn into '?'. Begun with a UTF-16 byte
// order mark, it stays UTF-16. An existing file keeps its encoding.
void BeginUnicodeFile(const wchar_t* file) {
    if (file == nullptr || file[0] == 0) return;
    std::wstring where = file;
    // The profile functions put a bare file name in the Windows folder.
    const bool bare = std::wcschr(file, L'\\') == nullptr && std::wcschr(file, L'/') == nullptr && file[1] != L':';
    if (bare) {
        wchar_t folder[MAX_PATH];
        const UINT n = ::GetWindowsDirectoryW(folder, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return;
        where = std::wstring(folder) + L"\\" + file;
    }
    const HANDLE handle =
        ::CreateFileW(where.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return;
    static const unsigned char kByteOrderMark[] = {0xFF, 0xFE};
    DWORD written = 0;
    ::WriteFile(handle, kByteOrderMark, sizeof kByteOrderMark, &written, nullptr);
    ::CloseHandle(handle);
}

}  // namespace

int CIni::WriteString(const wchar_t* value, const wchar_t* section, const wchar_t* key) {
    if (section == nullptr || key == nullptr) return 0;
    BeginUnicodeFile(path);
    return ::WritePrivateProfileStringW(section, key, value != nullptr ? value : L"", path);
}

#endif

}  // inline namespace KORVO_INI_BUILD

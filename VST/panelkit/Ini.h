// CIni: one INI file and the private-profile calls around it. One class,
// built twice: wide for the plug-ins (string values), and with
// KORVO_INI_NARROW narrow for the standalone host, which also stores
// integers, switches and byte blocks (its plug-in chunk) as hex text.
//
// A relative or bare file name goes where the profile functions put it (the
// Windows folder for a bare name). Without a path, the calls pass a null
// file name, which the system reads as win.ini. The wide build begins a new
// file as UTF-16, so that names and texts outside the ANSI code page survive.
//
// Strings come back owned (IniString, released with delete[]): null only
// when memory runs out.
//
// Threads: any thread; one object is not for two threads at once.
#pragma once

#include <cstddef>
#include <memory>

#ifdef KORVO_INI_NARROW
#define KORVO_INI_BUILD ini_narrow
using IniChar = char;
#else
#define KORVO_INI_BUILD ini_wide
using IniChar = wchar_t;
#endif

// ReadString's output holds this many characters, the terminator included.
constexpr size_t kIniReadChars = 260;

// The two builds get different linker names, so a file compiled for one
// build does not link against the other's library by mistake.
inline namespace KORVO_INI_BUILD {

using IniString = std::unique_ptr<IniChar[]>;

class CIni {
public:
    CIni() = default;
    CIni(const CIni&) = delete;
    CIni& operator=(const CIni&) = delete;
    virtual ~CIni();

    // Keeps a copy of file (null: none) in place of the old path.
    void SetPath(const IniChar* file);
    const IniChar* GetPath() const { return path; }

#ifdef KORVO_INI_NARROW
    // The value, or an empty string when it, the section or the key is
    // missing.
    IniString GetString(const char* section, const char* key);
    // The value's first 63 characters as an unsigned decimal number (strtoul:
    // leading blanks and a sign allowed, 0 without digits); fallback when
    // the value is empty or missing.
    int GetInt(const char* section, const char* key, int fallback);
    // True for "true" or "yes" in any case, or a nonzero decimal number;
    // false otherwise, and when empty or missing.
    bool GetBool(const char* section, const char* key);
    // Written as "%d". 0 without section or key, else the profile call's
    // result.
    int WriteInt(const char* section, const char* key, int value);
    // A hex block: two hex digits a byte, an odd last digit ignored. Stores
    // at most capacity bytes into output and returns how many; with a null
    // output, returns the block's full size. 0 when the value is missing,
    // shorter than two characters or holds anything but hex digits.
    size_t GetBinary(const char* section, const char* key, size_t capacity, void* output);
    // Writes the bytes as upper-case hex digits (an empty block as an empty
    // value). 0 when bytes, section or key are null.
    int WriteBinary(const char* section, const char* key, size_t length, const void* bytes);
#else
    // The value, of any length, or fallback (empty when null) when it is
    // missing. Without section or key: a copy of fallback.
    IniString GetString(const wchar_t* section, const wchar_t* key, const wchar_t* fallback);
    // GetString into output (kIniReadChars characters, may be null), cut to
    // 259 characters and terminated. Returns the value's length, or
    // kIniReadChars when it did not fit. The output is emptied first, so a
    // failed read leaves it empty.
    int ReadString(const wchar_t* section, const wchar_t* key, const wchar_t* fallback, wchar_t* output);
    // A null value writes an empty one. 0 without section or key, else the
    // profile call's result.
    int WriteString(const wchar_t* value, const wchar_t* section, const wchar_t* key);
#endif

private:
    IniChar* path = nullptr;
};

}  // inline namespace KORVO_INI_BUILD

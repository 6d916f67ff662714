#include "PluginPlatform.h"

#include "WideText.h"

#include <cstring>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace {
void* gModule = nullptr;
} // namespace

void SetPluginModule(void* module) { gModule = module; }
void* PluginModule() { return gModule; }

std::wstring PluginFilePath() {
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::wstring() : program.wstring();
}

std::wstring PluginFolder() {
    const std::wstring program = PluginFilePath();
    if (program.empty()) return L"/";
    return std::filesystem::path(program).parent_path().wstring() + L"/";
}

std::wstring UserTemporaryFolder() {
    std::error_code ec;
    const std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
    return (ec ? std::wstring(L"/tmp") : temp.wstring()) + L"/";
}

uint32_t ProcessId() { return static_cast<uint32_t>(::getpid()); }

void RaiseOpenStreamLimit(int) {}

uintptr_t StartGraphics() { return 0; }
void StopGraphics(uintptr_t) {}

void WideToAnsi(const wchar_t* text, char* out, size_t capacity) {
    if (out == nullptr || capacity == 0) return;
    const std::string utf8 = WideToUtf8(text);
    size_t n = utf8.size() < capacity - 1 ? utf8.size() : capacity - 1;
    // Never end inside a character: step back over continuation bytes.
    if (n < utf8.size())
        while (n > 0 && (static_cast<unsigned char>(utf8[n]) & 0xC0) == 0x80) --n;
    std::memcpy(out, utf8.data(), n);
    out[n] = 0;
}

void ShowErrorMessage(const wchar_t*, const wchar_t*) {}

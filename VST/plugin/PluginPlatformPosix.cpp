#include "PluginPlatform.h"

#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace {
void* gModule = nullptr;
} // namespace

void SetPluginModule(void* module) { gModule = module; }
void* PluginModule() { return gModule; }

std::wstring PluginFolder() {
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return L"/";
    return program.parent_path().wstring() + L"/";
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

#include "TempFolder.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

TempFolder::TempFolder() {
    static std::atomic<int> serial{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0;; ++attempt) {
        fs::path p = fs::temp_directory_path() /
                     ("korvo-test-" + std::to_string(stamp) + "-" + std::to_string(serial++) + "-" +
                      std::to_string(attempt));
        std::error_code ec;
        if (fs::create_directory(p, ec)) {
            path_ = p.wstring();
            return;
        }
    }
}

TempFolder::~TempFolder() {
    std::error_code ec;
    fs::remove_all(fs::path(path_), ec);
}

std::wstring TempFolder::File(const std::wstring& name) const {
    return (fs::path(path_) / name).wstring();
}

// The work folder of a fuzz target: KORVO_FUZZ_DIR when it is set (the test
// run gives each target its own), else one of the target's name in the
// system's temporary folder. Created when missing.
#pragma once

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

inline fs::path FuzzWorkFolder(const char* targetName) {
    const char* work = std::getenv("KORVO_FUZZ_DIR");
    const fs::path folder = work != nullptr ? fs::path(work) : fs::temp_directory_path() / targetName;
    fs::create_directories(folder);
    return folder;
}

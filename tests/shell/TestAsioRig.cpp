#include "TestAsioRig.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>

namespace {

std::string RegisteredLibrary() {
    char path[512] = {};
    LONG size = sizeof path;
    const std::string key = std::string("CLSID\\") + KORVO_TEST_ASIO_SERVED + "\\InprocServer32";
    if (::RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), path, &size) != ERROR_SUCCESS) return {};
    return path;
}

template <typename Function>
Function Export(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

} // namespace

TestAsioRig::TestAsioRig() {
    // This process's section, shared with the programs it starts.
    char name[64];
    std::snprintf(name, sizeof name, "Local\\KorvoTestAsio-%lu", static_cast<unsigned long>(::GetCurrentProcessId()));
    ::SetEnvironmentVariableA(kTestAsioSectionVariable, name);
    const std::string library = RegisteredLibrary();
    // The module stays loaded for the whole run: its record outlives drivers.
    HMODULE module = library.empty() ? nullptr : ::LoadLibraryA(library.c_str());
    if (module == nullptr) {
        ADD_FAILURE() << "the test ASIO driver is not registered (" << library << ")";
        static TestAsioSetup noSetup;
        static TestAsioRecord noRecord;
        setup_ = &noSetup;
        record_ = &noRecord;
        return;
    }
    Export<TestAsioResetFunction>(module, "KorvoTestAsioReset")();
    setup_ = Export<TestAsioSetupFunction>(module, "KorvoTestAsioSetup")();
    record_ = Export<TestAsioRecordFunction>(module, "KorvoTestAsioRecord")();
}

int TestAsioRig::LogIndex(const std::string& text) const {
    for (int i = 0; i < record_->logLines; ++i)
        if (std::string(record_->log[i]).compare(0, text.size(), text) == 0) return i;
    return -1;
}

std::string TestAsioRig::Log() const {
    std::string all;
    for (int i = 0; i < record_->logLines; ++i) all += std::string(record_->log[i]) + "\n";
    return all;
}

bool TestAsioRig::WaitForSwitches(int count) const {
    for (int waited = 0; waited < 20000; ++waited) {
        if (record_->switches.load() >= count) return true;
        ::Sleep(1);
    }
    return false;
}

// The tests' hold on their ASIO driver: loads the registered driver library
// (the same module that COM creates the drivers from), resets it to its
// default setup and reads what it recorded.
#pragma once

#include "TestAsioDriver.h"

#include <string>

// Driver names as the host lists them.
constexpr const char* kTestDriverLongName = "Korvo Test Driver with a forty-char name";
constexpr const char* kTestDriverShownName = "Korvo Test Driver with a for...";
constexpr const char* kPlainDriverName = "Korvo Plain";        // registered without a description
constexpr const char* kRefusedDriverName = "Korvo Refused";    // its library refuses the class
constexpr const char* kMissingDriverName = "Korvo Missing";    // its library file does not exist
constexpr const char* kUnregisteredDriverName = "Korvo Unregistered";   // no class registered

class TestAsioRig {
public:
    TestAsioRig();   // fails the running test when the driver is not registered

    TestAsioSetup& Setup() { return *setup_; }
    TestAsioRecord& Record() { return *record_; }

    // Position of the first log line starting with text, or -1.
    int LogIndex(const std::string& text) const;
    std::string Log() const;   // every line, for failure messages
    // Waits (up to a generous limit) until the driver has switched count times.
    bool WaitForSwitches(int count) const;

private:
    TestAsioSetup* setup_ = nullptr;
    TestAsioRecord* record_ = nullptr;
};

// The ASIO drivers installed on the machine, as listed in the registry under
// HKEY_LOCAL_MACHINE "software\asio", and the creation of one of them as a
// COM in-process object.
#pragma once

#include "AsioInterface.h"

// The driver interface in use, null when none (the host callbacks and the
// shell reach the driver through it).
extern IASIO* theAsioDriver;

// GetName's results.
enum : int32_t {
    kDriverListNoDestination = -5001,
    kDriverListNoSuchIndex = -5003,
};

class AsioDriverList {
public:
    struct Entry {
        int32_t index;
        CLSID clsid;
        char dllPath[512];   // reserved; not filled
        char name[128];
        IASIO* driver;
        Entry* next;
    };

    // Builds the list; COM is initialised for the thread when a driver was
    // found.
    AsioDriverList();
    // Releases every created driver and ends COM when it was started.
    ~AsioDriverList();
    AsioDriverList(const AsioDriverList&) = delete;
    AsioDriverList& operator=(const AsioDriverList&) = delete;

    // Copies entry index's display name (at most 31 characters and a zero:
    // a name of 32 or more is cut to 28 and "...") into destination.
    int32_t GetName(int32_t index, char* destination) const;

    // Creates the driver listed under name (as GetName shows it) and makes
    // it theAsioDriver; the current driver is released first. On failure the
    // previous driver, when there was one, is created again.
    bool LoadDriver(const char* name);

    int32_t count = 0;
    int32_t currentIndex = -1;

private:
    Entry* At(int32_t index) const;
    void ReleaseCurrent();

    Entry* first_ = nullptr;
    bool comStarted_ = false;
};

// Initialises theAsioDriver and fills info from it: 0, or -1000 when there is
// no driver or its init fails (then theAsioDriver becomes null).
ASIOError AsioInit(ASIODriverInfo* info);

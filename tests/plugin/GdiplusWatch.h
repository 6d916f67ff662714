// Watches the GDI+ calls of one loaded module through its import table:
// the sessions it starts and shuts down, the objects it makes and frees, and
// every object used, freed or left alive outside the session that made it.
// GDI+ may tolerate an object of an ended session (Wine does), so what the
// module does is judged here, not by whether it crashes.
//
// One watch at a time; the hooks forward every call to GDI+ itself.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class GdiplusWatch {
public:
    explicit GdiplusWatch(HMODULE module);
    ~GdiplusWatch();
    GdiplusWatch(const GdiplusWatch&) = delete;
    GdiplusWatch& operator=(const GdiplusWatch&) = delete;

    // The module's start-up and shut-down imports were found and hooked.
    bool watching() const { return watching_; }

    int startups() const;
    int shutdowns() const;
    // Sessions of the module running now, and the most that ran at once.
    int running() const;
    int mostRunning() const;
    // Objects the module made that are alive now (GDI+'s own generic font
    // families aside).
    int liveObjects() const;
    // What the module did wrong, one line each.
    std::vector<std::string> faults() const;

private:
    struct Patch {
        void** slot;
        void* original;
    };
    std::vector<Patch> patches_;
    bool watching_ = false;
    bool owner_ = false;
};

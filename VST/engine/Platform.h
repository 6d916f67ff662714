// The engine's only window onto the operating system: files, memory locking,
// events and the millisecond clock.
// Engine code includes this header and never windows.h, so it is the same
// code in the Windows build and in the native test build.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>



// A file opened by wide path with 64-bit offsets. On Windows a Win32 handle
// (the C runtime's stream limit would be hit long before 16 x 1024 zones),
// natively a descriptor opened by the UTF-8 form of the path. A backslash is
// a folder separator in both builds.
class KFile {
public:
    KFile() = default;
    ~KFile();
    KFile(const KFile&) = delete;
    KFile& operator=(const KFile&) = delete;

    bool OpenRead(const wchar_t* path);
    // Creates or truncates the file for writing.
    bool Create(const wchar_t* path);
    void Close();
    bool IsOpen() const { return handle_ != kNoHandle; }

    // Positional read: does not move the sequential position, and readers on
    // several threads may share one file.
    int64_t ReadAt(int64_t offset, void* destination, int64_t bytes) const;

    // Sequential access from the current position.
    int64_t Read(void* destination, int64_t bytes);
    bool Write(const void* source, int64_t bytes);
    bool Seek(int64_t offset);
    int64_t Tell() const;

    // Size in bytes, or -1 when closed.
    int64_t Size() const;

    // Files of this kind open in the process (shows that a shared stream is
    // closed, and closed once).
    static int OpenCount();

private:
    static constexpr intptr_t kNoHandle = -1;
    intptr_t handle_ = kNoHandle;
};

// Folder and file operations by wide path; false on failure.
bool CreateFolder(const wchar_t* path);          // an existing folder is fine
bool CopyFileOver(const wchar_t* from, const wchar_t* to); // replaces `to`
bool ReplaceFileWith(const wchar_t* from, const wchar_t* to); // renames `from` over `to`
bool RemoveFile(const wchar_t* path);
bool FileExists(const wchar_t* path);

// The system's folder picker, listing file-system folders only, modal to
// owner (a window; null: none). Fills folder (capacity units); false when
// cancelled. The native build has no picker and always cancels.
bool PromptForFolder(const wchar_t* title, wchar_t* folder, size_t capacity, void* owner = nullptr);

// Keeps pages in physical memory so the audio thread never waits on paging.
// A refused lock is not an error: the memory still works, only unlocked.
bool LockPages(void* address, size_t bytes);
void UnlockPages(void* address, size_t bytes);

// A manual-reset event owned by one engine. Set never blocks and never
// allocates, so the audio thread may raise it. What a thread writes before
// Set is seen by a waiter that looks after its own Reset, or else the event
// is still set: a Reset never swallows a Set whose writes it did not see.
class KEvent {
public:
    KEvent();
    ~KEvent();
    KEvent(const KEvent&) = delete;
    KEvent& operator=(const KEvent&) = delete;

    void Set();
    void Reset();
    // Waits, without time limit, until the event is set.
    void Wait();

    // Requests to a thread that serves them all in one pass: Raise sets the
    // event unless it has been raised since the server last took it; Take,
    // the server's own reset before its pass, lets the next Raise set it
    // again. A request raised before a Take is seen by the pass after it.
    // (A system call for every request would cost the audio thread dearly:
    // tens of microseconds each under Wine.)
    void Raise() {
        if (raised_.exchange(1, std::memory_order_acq_rel) == 0) Set();
    }
    void Take() {
        Reset();
        raised_.exchange(0, std::memory_order_acq_rel);
    }

private:
    struct State;
    State* state_;
    std::atomic<uint8_t> raised_{0};
};

// Milliseconds of a system clock that never goes back (wraps at 2^32).
uint32_t MilliTime();



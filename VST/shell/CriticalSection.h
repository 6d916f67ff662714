// A Win32 critical section and its scoped holder: the little of a class
// library's synchronisation support that the shell's device classes need.
#pragma once

#include <windows.h>

class CCriticalSection {
public:
    CCriticalSection() { ::InitializeCriticalSection(&section_); }
    ~CCriticalSection() { ::DeleteCriticalSection(&section_); }
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    void Lock() { ::EnterCriticalSection(&section_); }
    void Unlock() { ::LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};

class CSingleLock {
public:
    explicit CSingleLock(CCriticalSection& section) : section_(section) { section_.Lock(); }
    ~CSingleLock() { section_.Unlock(); }
    CSingleLock(const CSingleLock&) = delete;
    CSingleLock& operator=(const CSingleLock&) = delete;

private:
    CCriticalSection& section_;
};

#include "GuardedCall.h"

#include <windows.h>

#include <csignal>

// 32-bit Windows registers exception handlers as a chain of records on the
// stack, its head at fs:0. The guard puts one record of its own at the head;
// its handler, reached only by exceptions that nothing deeper handled, jumps
// back to the guard.
namespace {

struct Guard {
    // The registration record: its layout is the system's.
    Guard* next;
    void* handler;
    void* resume[5]; // for __builtin_setjmp
};

thread_local Guard* tGuard = nullptr;

Guard* ChainHead() {
    Guard* head;
    __asm__ __volatile__("movl %%fs:0, %0" : "=r"(head));
    return head;
}

void SetChainHead(Guard* head) { __asm__ __volatile__("movl %0, %%fs:0" : : "r"(head) : "memory"); }

[[noreturn]] void ResumeGuard() {
    // Deeper records lie on the abandoned part of the stack.
    Guard* guard = tGuard;
    SetChainHead(guard);
    __builtin_longjmp(guard->resume, 1);
}

extern "C" EXCEPTION_DISPOSITION __cdecl GuardHandler(EXCEPTION_RECORD* record, void*, CONTEXT*, void*) {
    if ((record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) != 0) return ExceptionContinueSearch;
    ResumeGuard();
}

extern "C" void AbortHandler(int) { ResumeGuard(); }

} // namespace

bool GuardedCall(void (*fn)(void* argument), void* argument) {
    Guard guard;
    guard.next = ChainHead();
    guard.handler = reinterpret_cast<void*>(&GuardHandler);
    Guard* volatile outer = tGuard;
    void (*volatile previousAbort)(int) = std::signal(SIGABRT, AbortHandler);
    tGuard = &guard;
    SetChainHead(&guard);
    volatile bool completed = false;
    if (__builtin_setjmp(guard.resume) == 0) {
        try {
            fn(argument);
            completed = true;
        } catch (...) {
        }
    }
    SetChainHead(guard.next);
    tGuard = outer;
    std::signal(SIGABRT, previousAbort);
    return completed;
}

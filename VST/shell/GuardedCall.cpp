#include "GuardedCall.h"

#include <windows.h>

#include <csignal>

// A structured exception that nothing deeper handles reaches a handler of the
// guard's own, which jumps back to the guard, abandoning the failed call's
// stack. How that handler is registered is the one thing the two Windows
// builds do differently: 32-bit Windows keeps a chain of records on the
// stack, its head in the thread's information block (fs:0); 64-bit Windows
// finds handlers through the unwind tables of the functions on the stack, so
// the guard calls through a small function whose table names the handler.
// In both, the jump back resets the chain head to what it was inside the
// guard: records registered deeper (in 64-bit Wine, its dispatcher's own)
// lie on the abandoned stack.
namespace {

struct Guard {
#if defined(__i386__)
    // The registration record: its layout is the system's, and it leads.
    Guard* next;
    void* handler;
#endif
    void* chainHead;   // the chain head inside the guard
    void* resume[5];   // for __builtin_setjmp
};

thread_local Guard* tGuard = nullptr;

// The chain head is the first field of the thread's information block, which
// fs (32-bit) or gs (64-bit) addresses.
void* ChainHead() {
    void* head;
#if defined(__i386__)
    __asm__ __volatile__("movl %%fs:0, %0" : "=r"(head));
#else
    __asm__ __volatile__("movq %%gs:0, %0" : "=r"(head));
#endif
    return head;
}

void SetChainHead(void* head) {
#if defined(__i386__)
    __asm__ __volatile__("movl %0, %%fs:0" : : "r"(head) : "memory");
#else
    __asm__ __volatile__("movq %0, %%gs:0" : : "r"(head) : "memory");
#endif
}

[[noreturn]] void ResumeGuard() {
    Guard* guard = tGuard;
    SetChainHead(guard->chainHead);
    __builtin_longjmp(guard->resume, 1);
}

extern "C" EXCEPTION_DISPOSITION __cdecl GuardHandler(EXCEPTION_RECORD* record, void*, CONTEXT*, void*) {
    if ((record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) != 0) return ExceptionContinueSearch;
    ResumeGuard();
}

extern "C" void AbortHandler(int) { ResumeGuard(); }

#if defined(__i386__)

void CallInGuard(Guard& guard, void (*fn)(void*), void* argument) {
    guard.next = static_cast<Guard*>(ChainHead());
    guard.handler = reinterpret_cast<void*>(&GuardHandler);
    guard.chainHead = &guard;
    SetChainHead(&guard);
    fn(argument);
}

#elif defined(__x86_64__)

// GuardFrame(fn, argument) calls fn(argument) in a frame whose unwind table
// entry names GuardHandler as its exception handler.
extern "C" void GuardFrame(void (*fn)(void*), void* argument);
__asm__(".text\n"
        ".p2align 4\n"
        ".globl GuardFrame\n"
        ".def GuardFrame; .scl 2; .type 32; .endef\n"
        ".seh_proc GuardFrame\n"
        "GuardFrame:\n"
        "  subq $40, %rsp\n" // shadow space for the callee, stack kept 16-byte aligned
        "  .seh_stackalloc 40\n"
        "  .seh_endprologue\n"
        "  .seh_handler GuardHandler, @except\n"
        "  movq %rcx, %rax\n"
        "  movq %rdx, %rcx\n"
        "  call *%rax\n"
        "  nop\n" // the return address must not fall inside the epilogue
        "  addq $40, %rsp\n"
        "  ret\n"
        ".seh_endproc\n");

void CallInGuard(Guard& guard, void (*fn)(void*), void* argument) {
    guard.chainHead = ChainHead();
    GuardFrame(fn, argument);
}

#else
#error "GuardedCall knows the exception handling of 32-bit and 64-bit x86 Windows only"
#endif

} // namespace

bool GuardedCall(void (*fn)(void* argument), void* argument) {
    Guard guard;
    void* const outerChain = ChainHead();
    Guard* volatile outer = tGuard;
    void (*volatile previousAbort)(int) = std::signal(SIGABRT, AbortHandler);
    tGuard = &guard;
    volatile bool completed = false;
    if (__builtin_setjmp(guard.resume) == 0) {
        try {
            CallInGuard(guard, fn, argument);
            completed = true;
        } catch (...) {
        }
    }
    SetChainHead(outerChain);
    tGuard = outer;
    std::signal(SIGABRT, previousAbort);
    return completed;
}

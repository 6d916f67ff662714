// The crash guard by itself: every way a call can fail hard comes back as
// false, the guard can be used again at once, nests, and works on any thread.
#include "GuardedCall.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

void Completes(void* argument) { ++*static_cast<int*>(argument); }

void AccessViolation(void*) { *static_cast<volatile int*>(nullptr) = 1; }

void ForeignException(void*) { ::RaiseException(0xE06D7363, EXCEPTION_NONCONTINUABLE, 0, nullptr); }

void Aborts(void*) { std::abort(); }

void Throws(void*) { throw std::runtime_error("uncaught"); }

void DividesByZero(void* argument) {
    // Both operands volatile: the compiler turns 1 / x into comparisons.
    volatile int dividend = 7, zero = *static_cast<int*>(argument);
    volatile int quotient = dividend / zero;
    (void)quotient;
}

void CatchesItsOwn(void* argument) {
    try {
        throw std::runtime_error("handled inside");
    } catch (const std::runtime_error&) {
        ++*static_cast<int*>(argument);
    }
}

struct Nested {
    bool inner = true;
    int after = 0;
};

void CrashesInsideAGuard(void* argument) {
    auto* nested = static_cast<Nested*>(argument);
    nested->inner = GuardedCall(AccessViolation, nullptr);
    ++nested->after;
}

TEST(GuardedCall, EveryHardFailureReturnsFalseAndTheCallerGoesOn) {
    const struct {
        const char* name;
        void (*fn)(void*);
    } failures[] = {
        {"access violation", AccessViolation},
        {"foreign C++ exception", ForeignException},
        {"abort", Aborts},
        {"uncaught C++ exception", Throws},
        {"integer division by zero", DividesByZero},
    };
    for (const auto& failure : failures) {
        int zero = 0;
        EXPECT_FALSE(GuardedCall(failure.fn, &zero)) << failure.name;
        // The same thread guards again at once.
        int count = 0;
        EXPECT_TRUE(GuardedCall(Completes, &count)) << "after " << failure.name;
        EXPECT_EQ(count, 1) << "after " << failure.name;
    }
}

TEST(GuardedCall, AnExceptionHandledInsideTheCallIsNotAFailure) {
    int handled = 0;
    EXPECT_TRUE(GuardedCall(CatchesItsOwn, &handled));
    EXPECT_EQ(handled, 1);
}

TEST(GuardedCall, AnInnerGuardCatchesItsOwnFailureAndTheOuterCallCompletes) {
    Nested nested;
    EXPECT_TRUE(GuardedCall(CrashesInsideAGuard, &nested));
    EXPECT_FALSE(nested.inner);
    EXPECT_EQ(nested.after, 1);
    // The outer guard still works after the inner one was used.
    EXPECT_FALSE(GuardedCall(AccessViolation, nullptr));
}

TEST(GuardedCall, GuardsOnOtherThreadsToo) {
    bool results[4] = {true, true, true, true};
    std::thread threads[4];
    for (int i = 0; i < 4; ++i)
        threads[i] = std::thread([&results, i] {
            for (int round = 0; round < 50 && results[i]; ++round) results[i] = !GuardedCall(AccessViolation, nullptr);
        });
    for (auto& t : threads) t.join();
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(results[i]) << "thread " << i;
}

} // namespace

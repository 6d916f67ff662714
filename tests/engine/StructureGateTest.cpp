// The gate between structural edits and the threads that read the
// structure: an edit's wait ends only once the readers that were inside
// have left, a steady stream of new readers cannot hold it up, and a hold
// is seen by every block that starts after it.
#include "StructureGate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

TEST(KStructureGate, AnEditWaitsForTheReadersThatWereInside) {
    KStructureGate gate;
    std::atomic<bool> inside{false}, leave{false}, waited{false};
    std::thread reader([&] {
        KStructureRead read(&gate);
        inside = true;
        while (!leave) std::this_thread::yield();
    });
    while (!inside) std::this_thread::yield();
    std::thread editor([&] {
        KStructureEdit edit(&gate);
        gate.WaitForReaders();
        waited = true;
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(waited) << "returned while a reader was still inside";
    leave = true;
    reader.join();
    editor.join();
    EXPECT_TRUE(waited);
}

TEST(KStructureGate, ReadersComingAllTheTimeDoNotHoldAnEditUp) {
    KStructureGate gate;
    std::atomic<bool> stop{false};
    std::atomic<long> entries{0};
    std::thread readers[2];
    for (std::thread& r : readers)
        r = std::thread([&] {
            while (!stop) {
                KStructureRead read(&gate);
                ++entries;
            }
        });
    while (entries < 1000) std::this_thread::yield();
    for (int i = 0; i < 200; ++i) {
        KStructureEdit edit(&gate);
        gate.WaitForReaders();
    }
    stop = true;
    for (std::thread& r : readers) r.join();
}

TEST(KStructureGate, AHoldIsSeenByEveryReaderThatEntersAfterIt) {
    KStructureGate gate;
    {
        KStructureRead before(&gate);
        EXPECT_FALSE(before.Held());
    }
    {
        KRenderHold hold(&gate);
        KRenderHold nested(&gate); // a load inside a new project
        KStructureRead during(&gate);
        EXPECT_TRUE(during.Held());
    }
    KStructureRead after(&gate);
    EXPECT_FALSE(after.Held());
}

} // namespace

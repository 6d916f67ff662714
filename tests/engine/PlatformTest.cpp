#include "Platform.h"
#include "WideText.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

namespace {

TEST(KFile, BackslashIsAFolderSeparatorInBothBuilds) {
    TempFolder folder;
    std::filesystem::create_directory(std::filesystem::path(folder.File(L"sub")));
    const std::wstring path = folder.Path() + L"\\sub\\name with spaces.bin";
    const char text[] = "korvo";
    {
        KFile f;
        ASSERT_TRUE(f.Create(path.c_str()));
        ASSERT_TRUE(f.Write(text, 5));
        EXPECT_EQ(f.Tell(), 5);
    }
    KFile f;
    ASSERT_TRUE(f.OpenRead(path.c_str()));
    EXPECT_EQ(f.Size(), 5);
    char back[8] = {};
    EXPECT_EQ(f.ReadAt(1, back, 100), 4);
    EXPECT_STREQ(back, "orvo");
    EXPECT_TRUE(f.Seek(2));
    EXPECT_EQ(f.Read(back, 2), 2);
    EXPECT_EQ(std::memcmp(back, "rv", 2), 0);
    EXPECT_EQ(f.ReadAt(5, back, 1), 0);
}

TEST(KFile, FailuresAreReportedNotFatal) {
    TempFolder folder;
    KFile f;
    EXPECT_FALSE(f.OpenRead(folder.File(L"missing.wav").c_str()));
    EXPECT_FALSE(f.OpenRead(L""));
    EXPECT_FALSE(f.OpenRead(nullptr));
    EXPECT_FALSE(f.OpenRead(folder.Path().c_str())) << "a folder is no file";
    EXPECT_FALSE(f.Create((folder.Path() + L"\\no folder\\x.bin").c_str()));
    char b[4];
    EXPECT_EQ(f.ReadAt(0, b, 4), 0);
    EXPECT_EQ(f.Size(), -1);
    EXPECT_FALSE(f.Write(b, 4));
}

TEST(LockPages, ALockThatIsRefusedStillLeavesUsableMemory) {
    std::vector<float> block(65536 * 2, 1.0f);
    LockPages(block.data(), block.size() * sizeof(float));
    block[12345] = 2.0f;
    UnlockPages(block.data(), block.size() * sizeof(float));
    EXPECT_EQ(block[12345], 2.0f);
    EXPECT_FALSE(LockPages(nullptr, 16));
}

// Requests raised by several threads to one server that takes the event and
// then serves every request it finds: none is ever left unserved, however
// the raises fall around the takes (a lost one leaves its requester waiting
// for good).
TEST(KEvent, NoRaisedRequestIsLostAroundTheServersTakes) {
    constexpr int kRequesters = 3, kRounds = 3000;
    KEvent event;
    std::atomic<int> pending[kRequesters] = {};
    std::atomic<bool> quit{false};
    std::atomic<int> passes{0};
    std::thread server([&] {
        while (!quit.load()) {
            event.Wait();
            event.Take();
            passes++;
            for (std::atomic<int>& p : pending) p.exchange(0);
        }
    });
    std::atomic<bool> stuck{false};
    std::vector<std::thread> requesters;
    for (int r = 0; r < kRequesters; ++r)
        requesters.emplace_back([&, r] {
            for (int round = 0; round < kRounds && !stuck; ++round) {
                pending[r].store(1);
                event.Raise();
                const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
                while (pending[r].load() != 0) {
                    if (std::chrono::steady_clock::now() > limit) {
                        stuck = true;
                        break;
                    }
                    std::this_thread::yield();
                }
            }
        });
    for (std::thread& t : requesters) t.join();
    quit = true;
    event.Set();
    server.join();
    EXPECT_FALSE(stuck);
    // Raises between two takes set the event once: far fewer passes than
    // requests would be needed for that, so none is asserted; every
    // request was served.
    EXPECT_GT(passes.load(), 0);
}

TEST(WideText, CopyWideCutsAndTerminates) {
    wchar_t small[4];
    EXPECT_FALSE(CopyWide(small, L"abcdef"));
    EXPECT_EQ(std::wstring(small), L"abc");
    EXPECT_TRUE(CopyWide(small, L"ab"));
    EXPECT_EQ(std::wstring(small), L"ab");
    EXPECT_TRUE(CopyWide(small, nullptr));
    EXPECT_EQ(small[0], 0);
}

TEST(WideText, Utf16FieldsRoundTrip) {
    struct Case {
        std::wstring text;
        size_t units;
        std::wstring back;
    };
    const std::wstring clef = sizeof(wchar_t) == 2 ? std::wstring(L"\xD834\xDD1E") : std::wstring(1, wchar_t(0x1D11E));
    const std::vector<Case> cases = {
        {L"c:\\Samples\\Piano C4.wav", 260, L"c:\\Samples\\Piano C4.wav"},
        {L"\x00E9t\x00E9 \x65E5\x672C", 260, L"\x00E9t\x00E9 \x65E5\x672C"},
        {L"ab" + clef, 260, L"ab" + clef},
        {L"abcdef", 4, L"abc"},
        {L"ab" + clef, 4, L"ab"}, // a surrogate pair is never split
        {L"", 3, L""},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> field(2 * c.units, 0xCC);
        WideToUtf16Le(c.text.c_str(), field.data(), c.units);
        wchar_t back[300];
        Utf16LeToWide(field.data(), c.units, back, 300);
        EXPECT_EQ(std::wstring(back), c.back);
        // Terminated and zero-filled after the text.
        bool zeroTail = true, seenNul = false;
        for (size_t u = 0; u < c.units; ++u) {
            const bool nul = field[2 * u] == 0 && field[2 * u + 1] == 0;
            if (seenNul && !nul) zeroTail = false;
            seenNul = seenNul || nul;
        }
        EXPECT_TRUE(seenNul && zeroTail);
    }
    uint8_t le[6];
    WideToUtf16Le(L"\x20AC", le, 3);
    EXPECT_EQ(le[0], 0xAC);
    EXPECT_EQ(le[1], 0x20);
}

} // namespace

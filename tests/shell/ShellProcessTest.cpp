// The installed program file itself: copied under another name beside a copy
// of the sampler, started as its own process, closed as a user closes it.
#include "DialogFinder.h"
#include "MessageBoxAnswerer.h"
#include "PluginHost.h"
#include "ProjectChunk.h"
#include "ShellRig.h"
#include "TestAsioRig.h"
#include "WindowRig.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

class Program {
public:
    explicit Program(const std::wstring& path) {
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        std::wstring command = L"\"" + path + L"\"";
        ok_ = ::CreateProcessW(path.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &info_) != 0;
    }
    ~Program() {
        if (!ok_) return;
        if (::WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) ::TerminateProcess(info_.hProcess, 99);
        ::CloseHandle(info_.hThread);
        ::CloseHandle(info_.hProcess);
    }
    bool Started() const { return ok_; }
    DWORD Id() const { return info_.dwProcessId; }
    // The exit code once it ended, or -1 when it did not end in time.
    long WaitForExit(int timeoutMs) {
        if (::WaitForSingleObject(info_.hProcess, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        ::GetExitCodeProcess(info_.hProcess, &code);
        return static_cast<long>(code);
    }

private:
    bool ok_ = false;
    PROCESS_INFORMATION info_ = {};
};

class ShellProgramFile : public testing::Test {
protected:
    void SetUp() override {
        driverIndex = TestDriverIndex();
        ASSERT_GE(driverIndex, 0);
        const std::wstring spaced = folder.File(L"My Sounds");
        ASSERT_TRUE(::CreateDirectoryW(spaced.c_str(), nullptr));
        program = spaced + L"\\Strings.exe";
        ini = spaced + L"\\Strings.ini";
        plugin = spaced + L"\\Strings.dll";
        ASSERT_TRUE(::CopyFileW(WinePath(KORVO_SHELL_PROGRAM).c_str(), program.c_str(), FALSE));
    }

    TestAsioRig rig;
    TempFolder folder;
    int driverIndex = -1;
    std::wstring program, ini, plugin;
};

} // namespace

TEST_F(ShellProgramFile, RunsBesideACopyOfTheSamplerAndKeepsItsProjectAcrossRuns) {
    ASSERT_TRUE(::CopyFileW(WinePath(KORVO_SAMPLER_DLL).c_str(), plugin.c_str(), FALSE));
    const std::vector<uint8_t> chunk = OneZoneChunk(folder);
    ASSERT_FALSE(chunk.empty());
    WriteTextFile(ini, "[device]\r\nasio=" + std::to_string(driverIndex) +
                           "\r\nmidi=-1\r\nsamplerate=44100\r\nautosave=1\r\n[VSTChunk]\r\nsize=" +
                           std::to_string(chunk.size()) + "\r\ndata=" + Hex(chunk.data(), chunk.size()) + "\r\n");
    GdiplusSession gdiplus;
    std::string saved;
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        rig.Record().switches.store(0);
        Program shell(program);
        ASSERT_TRUE(shell.Started());
        HWND frame = WaitForWindow(L"Strings", 60000, shell.Id());
        ASSERT_NE(frame, nullptr);
        // The driver the program created switches, in this test's record.
        EXPECT_TRUE(rig.WaitForSwitches(20));
        if (run == 0) {
            ::SetForegroundWindow(frame);
            Pause(500);
            EXPECT_TRUE(CaptureWholeWindow(frame).SavePng(ScreenshotPath(L"shell-program")));
        }
        ::PostMessageW(frame, WM_CLOSE, 0, 0);
        EXPECT_EQ(shell.WaitForExit(60000), 0);
        EXPECT_EQ(rig.Record().running, 0);
        const std::string size = IniValue(ini, "VSTChunk", "size");
        const std::string data = IniValue(ini, "VSTChunk", "data");
        ASSERT_FALSE(size.empty());
        EXPECT_EQ(data.size(), 2 * std::stoul(size));
        // What the first run restored and saved, the second restores and
        // saves again unchanged.
        if (run == 1) {
            EXPECT_EQ(data, saved);
        }
        saved = data;
    }
    EXPECT_EQ(saved, Hex(chunk.data(), chunk.size())) << "the project comes back as it was given";
}

TEST_F(ShellProgramFile, TellsOfAMissingPluginAndStaysOpen) {
    WriteTextFile(ini, "[device]\r\nasio=" + std::to_string(driverIndex) + "\r\nmidi=-1\r\nautosave=1\r\n");
    Program shell(program);
    ASSERT_TRUE(shell.Started());
    MessageBoxAnswerer answerer(L"Korvo Sampler", IDOK, shell.Id());
    HWND frame = WaitForWindow(L"Untitled - Shell", 60000, shell.Id());
    ASSERT_NE(frame, nullptr) << "the window stays open, empty";
    EXPECT_EQ(answerer.Texts(), std::vector<std::wstring>{L"can not load VST plug-in"});
    EXPECT_TRUE(rig.WaitForSwitches(rig.Record().switches.load() + 10)) << "the driver runs, silent";
    Pause(200);
    EXPECT_TRUE(::IsWindow(frame));
    ::PostMessageW(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(shell.WaitForExit(60000), 0);
    EXPECT_EQ(IniValue(ini, "VSTChunk", "size"), "") << "no plug-in, no state written";
}

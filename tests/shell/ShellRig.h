// The standalone host run inside a test: the program's application object on
// a thread of its own, as if it were a program file at a given path (its
// plug-in and INI file stand beside that path), and the files around it.
#pragma once

#include "ShellView.h"
#include "TempFolder.h"

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

class ShellRun {
public:
    explicit ShellRun(const std::wstring& programPath);
    ~ShellRun();   // closes the program when it still runs
    ShellRun(const ShellRun&) = delete;
    ShellRun& operator=(const ShellRun&) = delete;

    // The main frame once start-up has ended and the window shows; null when
    // start-up failed or took longer.
    HWND WaitForFrame(int timeoutMs = 60000);
    CShellView* View() const { return view_.load(); }
    // Closes the main window as its close box does and waits for the end;
    // false when the program did not end.
    bool Close(int timeoutMs = 60000);
    bool Ended() const { return ended_.load(); }
    int ExitCode() const { return exitCode_; }

private:
    void Run(std::wstring programPath);

    std::atomic<HWND> frame_{nullptr};
    std::atomic<CShellView*> view_{nullptr};
    std::atomic<bool> started_{false};
    std::atomic<bool> ended_{false};
    int exitCode_ = -1;
    std::thread thread_;
};

// The index of the tests' driver in the machine's ASIO driver list, -1 when
// it is not listed.
int TestDriverIndex();

// An INI file's text, written as it stands.
void WriteTextFile(const std::wstring& path, const std::string& text);
// A value of an INI file ("" when missing).
std::string IniValue(const std::wstring& path, const char* section, const char* key);
// Bytes as the INI file keeps them: two upper-case hex digits a byte.
std::string Hex(const uint8_t* bytes, size_t length);

// Delivers a short MIDI message to the program's input device as the
// multimedia system's callback thread would.
void SendMidi(CShellView* view, uint32_t message, uint32_t timestampMs = 0);

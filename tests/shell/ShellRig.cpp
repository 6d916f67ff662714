#include "ShellRig.h"

#include "AsioDriverList.h"
#include "ShellApp.h"
#include "TestAsioRig.h"

#include <chrono>
#include <cstring>
#include <fstream>
#include <vector>

namespace {

// The program's application, telling the test when its start-up is over.
class ObservedApp : public CShellApp {
public:
    ObservedApp(const wchar_t* path, std::atomic<HWND>& frame, std::atomic<CShellView*>& view,
                std::atomic<bool>& started)
        : CShellApp(path), frame_(frame), view_(view), started_(started) {}

    BOOL InitInstance() override {
        const BOOL ok = CShellApp::InitInstance();
        if (ok && m_pMainWnd != nullptr) {
            auto* frame = static_cast<CFrameWnd*>(m_pMainWnd);
            view_ = static_cast<CShellView*>(frame->GetActiveView());
            frame_ = frame->m_hWnd;
        }
        started_ = true;
        return ok;
    }

private:
    std::atomic<HWND>& frame_;
    std::atomic<CShellView*>& view_;
    std::atomic<bool>& started_;
};

template <typename Done> bool WaitUntil(Done done, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace

ShellRun::ShellRun(const std::wstring& programPath) : thread_(&ShellRun::Run, this, programPath) {}

ShellRun::~ShellRun() {
    if (!ended_) Close();
    if (thread_.joinable()) {
        // A program that never ended is left behind rather than waited for.
        if (ended_)
            thread_.join();
        else
            thread_.detach();
    }
}

void ShellRun::Run(std::wstring programPath) {
    {
        ObservedApp app(programPath.c_str(), frame_, view_, started_);
        exitCode_ = app.Run();
    }
    view_ = nullptr;
    frame_ = nullptr;
    ended_ = true;
}

HWND ShellRun::WaitForFrame(int timeoutMs) {
    WaitUntil([this] { return started_.load(); }, timeoutMs);
    return frame_.load();
}

bool ShellRun::Close(int timeoutMs) {
    HWND frame = frame_.load();
    if (frame != nullptr) ::PostMessageW(frame, WM_CLOSE, 0, 0);
    if (!WaitUntil([this] { return ended_.load() || (started_.load() && frame_.load() == nullptr); }, timeoutMs))
        return false;
    WaitUntil([this] { return ended_.load(); }, timeoutMs);
    if (ended_ && thread_.joinable()) thread_.join();
    return ended_;
}

int TestDriverIndex() {
    AsioDriverList list;
    for (int32_t i = 0; i < list.count; ++i) {
        char name[64] = {};
        if (list.GetName(i, name) == 0 && std::strcmp(name, kTestDriverShownName) == 0) return i;
    }
    return -1;
}

void WriteTextFile(const std::wstring& path, const std::string& text) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(file);
}

std::string IniValue(const std::wstring& path, const char* section, const char* key) {
    const int length = ::WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, &narrow[0], length, nullptr, nullptr);
    for (size_t size = 4096;; size *= 4) {
        std::vector<char> buffer(size);
        const DWORD read = ::GetPrivateProfileStringA(section, key, "", buffer.data(), static_cast<DWORD>(size),
                                                      narrow.c_str());
        if (read < size - 2) return std::string(buffer.data(), read);
    }
}

std::string Hex(const uint8_t* bytes, size_t length) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(length * 2);
    for (size_t i = 0; i < length; ++i) {
        text.push_back(digits[bytes[i] >> 4]);
        text.push_back(digits[bytes[i] & 15]);
    }
    return text;
}

void SendMidi(CShellView* view, uint32_t message, uint32_t timestampMs) {
    midi::CMIDIInDevice::MidiInProc(nullptr, MIM_DATA, reinterpret_cast<DWORD_PTR>(&view->m_midiIn), message,
                                    timestampMs);
}

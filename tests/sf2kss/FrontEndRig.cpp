#include "FrontEndRig.h"

#include "DialogFinder.h"
#include "FileDialogAnswerer.h"
#include "PluginHost.h"

#include <shlobj.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

template <typename Done> bool WaitUntil(Done done, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        Pause(10);
    }
}

// A block of memory inside another process: the folder picker and its tree
// take pointers, which must point into their own process.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, size_t bytes)
        : process_(process), address_(::VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE)) {}
    ~RemoteMemory() {
        if (address_ != nullptr) ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    bool ok() const { return address_ != nullptr; }
    char* At(size_t offset) const { return static_cast<char*>(address_) + offset; }
    bool Write(size_t offset, const void* data, size_t bytes) const {
        return ::WriteProcessMemory(process_, At(offset), data, bytes, nullptr) != 0;
    }
    bool Read(size_t offset, void* data, size_t bytes) const {
        return ::ReadProcessMemory(process_, At(offset), data, bytes, nullptr) != 0;
    }

private:
    HANDLE process_;
    void* address_;
};

// The label of the tree's selected item, read through the tree's process.
std::wstring SelectedLabel(HANDLE process, HWND tree) {
    const auto item = ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
    if (item == 0) return {};
    RemoteMemory memory(process, sizeof(TVITEMW) + MAX_PATH * sizeof(wchar_t));
    if (!memory.ok()) return {};
    TVITEMW request = {};
    request.mask = TVIF_TEXT;
    request.hItem = reinterpret_cast<HTREEITEM>(item);
    request.pszText = reinterpret_cast<wchar_t*>(memory.At(sizeof(TVITEMW)));
    request.cchTextMax = MAX_PATH;
    if (!memory.Write(0, &request, sizeof request)) return {};
    if (!::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(memory.At(0)))) return {};
    wchar_t text[MAX_PATH] = {};
    memory.Read(sizeof(TVITEMW), text, sizeof text - sizeof(wchar_t));
    return text;
}

struct WindowSearch {
    DWORD process;
    const std::wstring* caption;
    bool found;
};

BOOL CALLBACK VisitWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == search->process && WindowText(window) == *search->caption) search->found = true;
    return !search->found;
}

// Whether the process has a top-level window with the caption, shown or not.
bool HasWindow(DWORD process, const std::wstring& caption) {
    WindowSearch search{process, &caption, false};
    ::EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring Leaf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

} // namespace

std::wstring FrontEndProgram() { return WinePath(SF2KSS_PROGRAM); }
std::wstring ConverterProgram() { return WinePath(PATCHFOLD_PROGRAM); }
std::wstring StandInConverterProgram() { return WinePath(STANDIN_CONVERTER_PROGRAM); }

bool MakeFolders(const std::wstring& path) {
    const size_t slash = path.find_last_of(L'\\');
    if (slash != std::wstring::npos && slash > 2) MakeFolders(path.substr(0, slash));
    return ::CreateDirectoryW(path.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

std::wstring FolderOfLength(const std::wstring& base, size_t length) {
    std::wstring path = base;
    // Components of at most 60 characters, the last one never left shorter
    // than 8.
    while (path.size() + 1 < length) {
        const size_t left = length - path.size() - 1;
        const size_t part = left <= 60 ? left : std::min<size_t>(60, left - 9);
        std::wstring name = L"Long Folder ";
        name.resize(part, L'x');
        if (name.back() == L' ') name.back() = L'x';   // no name ends in a space
        path += L"\\" + name;
        ::CreateDirectoryW(path.c_str(), nullptr);
    }
    return path;
}

FrontEnd::FrontEnd(const std::wstring& folder, const std::wstring& converter) {
    const std::wstring program = folder + L"\\SF2KSS.exe";
    if (!MakeFolders(folder)) {
        failure_ = "the program's folder could not be made";
        return;
    }
    if (!::CopyFileW(FrontEndProgram().c_str(), program.c_str(), FALSE) ||
        (!converter.empty() && !::CopyFileW(converter.c_str(), (folder + L"\\patchfold.exe").c_str(), FALSE))) {
        failure_ = "the programs could not be copied: error " + std::to_string(::GetLastError());
        return;
    }
    std::wstring command = L"\"" + program + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    if (!::CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                          &process_)) {
        failure_ = "the program did not start: error " + std::to_string(::GetLastError());
        return;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (dialog_ == nullptr && std::chrono::steady_clock::now() < end &&
           ::WaitForSingleObject(process_.hProcess, 10) == WAIT_TIMEOUT)
        dialog_ = FindDialog(kCaption, process_.dwProcessId);
    if (dialog_ == nullptr) failure_ = Ended(0) ? "the program ended without its dialog" : "no dialog came";
}

FrontEnd::~FrontEnd() {
    if (process_.hProcess == nullptr) return;
    if (!Ended(0)) Close();
    if (!Ended(0)) ::TerminateProcess(process_.hProcess, 1);
    ::CloseHandle(process_.hProcess);
    ::CloseHandle(process_.hThread);
}

std::wstring FrontEnd::Caption() const { return WindowText(dialog_); }

std::wstring FrontEnd::Text(int id) const { return WindowText(::GetDlgItem(dialog_, id)); }

void FrontEnd::Press(int id) const { ::PostMessageW(::GetDlgItem(dialog_, id), BM_CLICK, 0, 0); }

bool FrontEnd::WaitForCaption(const std::wstring& caption, int timeoutMs) const {
    return WaitUntil([&] { return Caption() == caption; }, timeoutMs);
}

bool FrontEnd::WaitUntilNoBox(int timeoutMs) const {
    // Gone, not only hidden: a box hides itself before its own message loop
    // ends, and that loop drops what it takes from the queue after it was
    // told to end, a press of the dialog's buttons too.
    return WaitUntil([&] { return !HasWindow(process_.dwProcessId, kBoxCaption) && ::IsWindowEnabled(dialog_); },
                     timeoutMs);
}

bool FrontEnd::ChooseSoundFont(const std::wstring& path) const {
    FileDialogAnswerer user(L"Open", path, process_.dwProcessId);
    Press(1003);
    return WaitUntil([&] { return user.Answered() > 0 && FindDialog(L"Open", process_.dwProcessId) == nullptr; },
                     20000) &&
           WaitUntil([&] { return Text(1001) != L"*.sf2"; }, 5000);
}

PickerSeen FrontEnd::ChooseOutputFolder(const std::wstring& folder) const {
    PickerSeen seen;
    const std::wstring before = Text(1002);
    Press(1004);
    HWND picker = WaitForDialogWithChild(L"SysTreeView32", 20000, process_.dwProcessId);
    if (picker == nullptr) return seen;
    seen.found = true;
    HWND tree = ::FindWindowExW(picker, nullptr, L"SysTreeView32", nullptr);
    // The picker selects its start folder as it opens.
    WaitUntil([&] { return !SelectedLabel(process_.hProcess, tree).empty(); }, 5000);
    seen.startLabel = SelectedLabel(process_.hProcess, tree);

    // The user's choice, as the picker's own callback selects a folder;
    // Wine's picker at times leaves a folder it parses for the first time
    // unselected, so the choice is made again until it shows.
    RemoteMemory path(process_.hProcess, (folder.size() + 1) * sizeof(wchar_t));
    if (path.ok() && path.Write(0, folder.c_str(), (folder.size() + 1) * sizeof(wchar_t))) {
        for (int attempt = 0; attempt < 20; ++attempt) {
            ::SendMessageW(picker, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path.At(0)));
            if (WaitUntil([&] { return lstrcmpiW(SelectedLabel(process_.hProcess, tree).c_str(), Leaf(folder).c_str()) == 0; },
                          500))
                break;
        }
    }
    seen.chosenLabel = SelectedLabel(process_.hProcess, tree);
    ::PostMessageW(picker, WM_COMMAND, IDOK, 0);
    WaitUntil([&] { return !::IsWindow(picker); }, 10000);
    WaitUntil([&] { return Text(1002) != before; }, 2000);
    return seen;
}

bool FrontEnd::Ended(int timeoutMs) const {
    return process_.hProcess != nullptr &&
           ::WaitForSingleObject(process_.hProcess, static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0;
}

int FrontEnd::Close() {
    if (dialog_ == nullptr) return -1;
    Press(IDOK);
    if (!Ended(20000)) return -1;
    DWORD code = 0;
    ::GetExitCodeProcess(process_.hProcess, &code);
    return static_cast<int>(code);
}

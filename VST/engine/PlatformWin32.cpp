#include "Platform.h"

#include <atomic>

#include <windows.h>
#include <mmsystem.h>
#include <shlobj.h>



namespace {
HANDLE H(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }
constexpr DWORD kMaxChunk = 1u << 30; // ReadFile and WriteFile take 32-bit counts

OVERLAPPED At(int64_t offset) {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(static_cast<uint64_t>(offset) & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(offset) >> 32);
    return at;
}
} // namespace

static std::atomic<int> gOpenFiles{0};

KFile::~KFile() { Close(); }

int KFile::OpenCount() { return gOpenFiles.load(std::memory_order_relaxed); }

bool KFile::OpenRead(const wchar_t* path) {
    Close();
    if (path == nullptr || path[0] == 0) return false;
    HANDLE h = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    handle_ = reinterpret_cast<intptr_t>(h);
    gOpenFiles.fetch_add(1, std::memory_order_relaxed);
    return true;
}

bool KFile::Create(const wchar_t* path) {
    Close();
    if (path == nullptr || path[0] == 0) return false;
    HANDLE h = ::CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    handle_ = reinterpret_cast<intptr_t>(h);
    gOpenFiles.fetch_add(1, std::memory_order_relaxed);
    return true;
}

void KFile::Close() {
    if (handle_ != kNoHandle) {
        ::CloseHandle(H(handle_));
        handle_ = kNoHandle;
        gOpenFiles.fetch_sub(1, std::memory_order_relaxed);
    }
}

int64_t KFile::ReadAt(int64_t offset, void* destination, int64_t bytes) const {
    if (handle_ == kNoHandle || offset < 0 || bytes <= 0) return 0;
    // A read with an offset on a synchronous handle: each call names its own
    // position, so readers sharing the handle do not disturb each other.
    int64_t done = 0;
    auto* out = static_cast<unsigned char*>(destination);
    while (done < bytes) {
        const int64_t left = bytes - done;
        const DWORD want = left > kMaxChunk ? kMaxChunk : static_cast<DWORD>(left);
        OVERLAPPED at = At(offset + done);
        DWORD got = 0;
        if (!::ReadFile(H(handle_), out + done, want, &got, &at) || got == 0) break;
        done += got;
    }
    return done;
}

int64_t KFile::Read(void* destination, int64_t bytes) {
    if (handle_ == kNoHandle || bytes <= 0) return 0;
    int64_t done = 0;
    auto* out = static_cast<unsigned char*>(destination);
    while (done < bytes) {
        const int64_t left = bytes - done;
        const DWORD want = left > kMaxChunk ? kMaxChunk : static_cast<DWORD>(left);
        DWORD got = 0;
        if (!::ReadFile(H(handle_), out + done, want, &got, nullptr) || got == 0) break;
        done += got;
    }
    return done;
}

bool KFile::Write(const void* source, int64_t bytes) {
    if (handle_ == kNoHandle || bytes < 0) return false;
    int64_t done = 0;
    const auto* in = static_cast<const unsigned char*>(source);
    while (done < bytes) {
        const int64_t left = bytes - done;
        const DWORD want = left > kMaxChunk ? kMaxChunk : static_cast<DWORD>(left);
        DWORD put = 0;
        if (!::WriteFile(H(handle_), in + done, want, &put, nullptr) || put == 0) return false;
        done += put;
    }
    return true;
}

bool KFile::Seek(int64_t offset) {
    if (handle_ == kNoHandle || offset < 0) return false;
    LARGE_INTEGER to;
    to.QuadPart = offset;
    return ::SetFilePointerEx(H(handle_), to, nullptr, FILE_BEGIN) != 0;
}

int64_t KFile::Tell() const {
    if (handle_ == kNoHandle) return -1;
    LARGE_INTEGER zero, at;
    zero.QuadPart = 0;
    if (!::SetFilePointerEx(H(handle_), zero, &at, FILE_CURRENT)) return -1;
    return at.QuadPart;
}

int64_t KFile::Size() const {
    if (handle_ == kNoHandle) return -1;
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(H(handle_), &size)) return -1;
    return size.QuadPart;
}

bool LockPages(void* address, size_t bytes) {
    if (address == nullptr || bytes == 0) return false;
    if (::VirtualLock(address, bytes)) return true;
    if (::GetLastError() != ERROR_WORKING_SET_QUOTA) return false;
    // The default working set allows only a few megabytes of locked pages:
    // grow it by what this lock needs and try once more.
    HANDLE self = ::GetCurrentProcess();
    SIZE_T low = 0, high = 0;
    if (!::GetProcessWorkingSetSize(self, &low, &high)) return false;
    const SIZE_T grow = bytes + 65536;
    if (!::SetProcessWorkingSetSize(self, low + grow, high + grow)) return false;
    return ::VirtualLock(address, bytes) != 0;
}

void UnlockPages(void* address, size_t bytes) {
    if (address != nullptr && bytes != 0) ::VirtualUnlock(address, bytes);
}



struct KEvent::State {
    HANDLE handle;
};

// Unnamed: a named event would be shared by every engine in the process (and
// across processes), so one engine's reset could swallow another's request.
KEvent::KEvent() : state_(new State{::CreateEventW(nullptr, TRUE, FALSE, nullptr)}) {}

KEvent::~KEvent() {
    if (state_->handle != nullptr) ::CloseHandle(state_->handle);
    delete state_;
}

void KEvent::Set() { ::SetEvent(state_->handle); }

void KEvent::Reset() { ::ResetEvent(state_->handle); }

void KEvent::Wait() { ::WaitForSingleObject(state_->handle, INFINITE); }

uint32_t MilliTime() { return ::timeGetTime(); }

bool CreateFolder(const wchar_t* path) {
    if (path == nullptr || path[0] == 0) return false;
    if (::CreateDirectoryW(path, nullptr)) return true;
    const DWORD attributes = ::GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CopyFileOver(const wchar_t* from, const wchar_t* to) { return ::CopyFileW(from, to, FALSE) != 0; }

bool ReplaceFileWith(const wchar_t* from, const wchar_t* to) {
    return ::MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool RemoveFile(const wchar_t* path) { return ::DeleteFileW(path) != 0; }

bool FileExists(const wchar_t* path) {
    if (path == nullptr) return false;
    const DWORD attributes = ::GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool PromptForFolder(const wchar_t* title, wchar_t* folder, size_t capacity, void* owner) {
    if (folder == nullptr || capacity < MAX_PATH) return false;
    folder[0] = 0;
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    BROWSEINFOW info = {};
    info.hwndOwner = static_cast<HWND>(owner);
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    bool chosen = false;
    if (PIDLIST_ABSOLUTE item = ::SHBrowseForFolderW(&info)) {
        chosen = ::SHGetPathFromIDListW(item, folder) != 0;
        ::CoTaskMemFree(item);
    }
    if (SUCCEEDED(com)) ::CoUninitialize();
    return chosen;
}

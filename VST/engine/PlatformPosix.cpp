#include "Platform.h"

#include "WideText.h"

#include <atomic>
#include <cerrno>
#include <ctime>
#include <semaphore.h>
#include <fcntl.h>
#include <cstdio>
#include <string>
#include <vector>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>



namespace {
int Fd(intptr_t handle) { return static_cast<int>(handle); }

int OpenPath(const wchar_t* path, int flags) {
    if (path == nullptr || path[0] == 0) return -1;
    const std::string native = NativePath(path);
    int fd;
    do {
        fd = ::open(native.c_str(), flags | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    return fd;
}
} // namespace

static std::atomic<int> gOpenFiles{0};

KFile::~KFile() { Close(); }

int KFile::OpenCount() { return gOpenFiles.load(std::memory_order_relaxed); }

bool KFile::OpenRead(const wchar_t* path) {
    Close();
    const int fd = OpenPath(path, O_RDONLY);
    if (fd < 0) return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    handle_ = fd;
    gOpenFiles.fetch_add(1, std::memory_order_relaxed);
    return true;
}

bool KFile::Create(const wchar_t* path) {
    Close();
    const int fd = OpenPath(path, O_WRONLY | O_CREAT | O_TRUNC);
    if (fd < 0) return false;
    handle_ = fd;
    gOpenFiles.fetch_add(1, std::memory_order_relaxed);
    return true;
}

void KFile::Close() {
    if (handle_ != kNoHandle) {
        ::close(Fd(handle_));
        handle_ = kNoHandle;
        gOpenFiles.fetch_sub(1, std::memory_order_relaxed);
    }
}

int64_t KFile::ReadAt(int64_t offset, void* destination, int64_t bytes) const {
    if (handle_ == kNoHandle || offset < 0 || bytes <= 0) return 0;
    int64_t done = 0;
    auto* out = static_cast<unsigned char*>(destination);
    while (done < bytes) {
        const ssize_t n = ::pread(Fd(handle_), out + done, static_cast<size_t>(bytes - done),
                                  static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

int64_t KFile::Read(void* destination, int64_t bytes) {
    if (handle_ == kNoHandle || bytes <= 0) return 0;
    int64_t done = 0;
    auto* out = static_cast<unsigned char*>(destination);
    while (done < bytes) {
        const ssize_t n = ::read(Fd(handle_), out + done, static_cast<size_t>(bytes - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

bool KFile::Write(const void* source, int64_t bytes) {
    if (handle_ == kNoHandle || bytes < 0) return false;
    int64_t done = 0;
    const auto* in = static_cast<const unsigned char*>(source);
    while (done < bytes) {
        const ssize_t n = ::write(Fd(handle_), in + done, static_cast<size_t>(bytes - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += n;
    }
    return true;
}

bool KFile::Seek(int64_t offset) {
    if (handle_ == kNoHandle || offset < 0) return false;
    return ::lseek(Fd(handle_), static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
}

int64_t KFile::Tell() const {
    if (handle_ == kNoHandle) return -1;
    return ::lseek(Fd(handle_), 0, SEEK_CUR);
}

int64_t KFile::Size() const {
    if (handle_ == kNoHandle) return -1;
    struct stat st;
    if (::fstat(Fd(handle_), &st) != 0) return -1;
    return st.st_size;
}

bool LockPages(void* address, size_t bytes) {
    if (address == nullptr || bytes == 0) return false;
    return ::mlock(address, bytes) == 0;
}

void UnlockPages(void* address, size_t bytes) {
    if (address != nullptr && bytes != 0) ::munlock(address, bytes);
}



// A semaphore whose count is the event's state: Set posts, Wait waits for a
// post and puts it back (the event stays set), Reset takes every post. Each
// post carries what its setter wrote to whoever takes it, so a Set is either
// taken by a Reset (and its writes seen after that Reset) or still there for
// the next Wait. A flag in front of the semaphore would let a Reset swallow a
// Set it raced with. sem_post never blocks: the audio thread may call it.
struct KEvent::State {
    sem_t posts;
};

KEvent::KEvent() : state_(new State) { sem_init(&state_->posts, 0, 0); }

KEvent::~KEvent() {
    sem_destroy(&state_->posts);
    delete state_;
}

void KEvent::Set() { sem_post(&state_->posts); }

void KEvent::Reset() {
    while (sem_trywait(&state_->posts) == 0) {
    }
}

void KEvent::Wait() {
    while (sem_wait(&state_->posts) != 0) {
        if (errno != EINTR) return;
    }
    sem_post(&state_->posts);
}

uint32_t MilliTime() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                                 static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

bool CreateFolder(const wchar_t* path) {
    if (path == nullptr || path[0] == 0) return false;
    std::string native = NativePath(path);
    while (native.size() > 1 && native.back() == '/') native.pop_back();
    if (::mkdir(native.c_str(), 0755) == 0) return true;
    struct stat st;
    return errno == EEXIST && ::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CopyFileOver(const wchar_t* from, const wchar_t* to) {
    KFile in;
    if (!in.OpenRead(from)) return false;
    const std::string target = NativePath(to);
    KFile out;
    if (!out.Create(to)) return false;
    std::vector<uint8_t> chunk(1 << 20);
    for (int64_t at = 0;;) {
        const int64_t n = in.ReadAt(at, chunk.data(), static_cast<int64_t>(chunk.size()));
        if (n <= 0) break;
        if (!out.Write(chunk.data(), n)) {
            out.Close();
            ::unlink(target.c_str());
            return false;
        }
        at += n;
    }
    return true;
}

bool ReplaceFileWith(const wchar_t* from, const wchar_t* to) {
    return ::rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0;
}

bool RemoveFile(const wchar_t* path) { return ::unlink(NativePath(path).c_str()) == 0; }

bool FileExists(const wchar_t* path) {
    struct stat st;
    return path != nullptr && ::stat(NativePath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool PromptForFolder(const wchar_t*, wchar_t* folder, size_t capacity, void*) {
    if (folder != nullptr && capacity > 0) folder[0] = 0;
    return false;
}

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/stat.h>
#include <sys/file.h>
#include <sys/statvfs.h>
#include <sys/vfs.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "platform/posix/Posixplatform.h"

namespace platform {
namespace {

constexpr std::size_t kCopyBufferSize = 1 << 20;
constexpr mode_t kNewFolderMode = 0777;  // narrowed by the user's umask
constexpr mode_t kNewFileMode = 0666;
// How much of the copies to the card is written out at a time while the next is copied.
constexpr int64_t kWriteBehindBytes = 2 * kCopyChunkBytes;
// statfs's type of a file system served by a FUSE process (exfat-fuse and the like).
constexpr decltype(statfs::f_type) kFuseSuperMagic = 0x65735546;

// Closes a descriptor when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { Close(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Hands the descriptor over to the caller.
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    bool Close() {
        if (fd_ < 0) return true;
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_ = -1;
};

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Moves the bytes a file has when the copy begins into another: with the kernel's in-kernel
// copy while the two files allow it (same file system, a kernel that has it), with read and
// write otherwise (sendfile, tried as well, is slower into FUSE file systems).
class ChunkCopier {
public:
    ChunkCopier(int in, int out, int64_t size) : in_(in), out_(out), size_(size) {}

    // Copies up to kCopyChunkBytes at the files' offsets: the bytes moved, 0 at the end, -1 on
    // failure.
    int64_t Step() {
        const int64_t want = std::min(kCopyChunkBytes, size_ - done_);
        if (want <= 0) return 0;
        while (kernelCopy_) {
            const ssize_t n = ::copy_file_range(in_, nullptr, out_, nullptr, static_cast<std::size_t>(want), 0);
            // Some file systems answer 0 before the end instead of refusing.
            if (n > 0) return Moved(n);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EXDEV && errno != EINVAL && errno != EOPNOTSUPP && errno != ENOSYS) return -1;
            kernelCopy_ = false;
        }
        if (!buffer_) buffer_.reset(new char[kCopyBufferSize]);
        int64_t moved = 0;
        while (moved < want) {
            const std::size_t piece = static_cast<std::size_t>(std::min<int64_t>(kCopyBufferSize, want - moved));
            const ssize_t n = ::read(in_, buffer_.get(), piece);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return -1;
            if (n == 0) break;  // the file has become shorter
            if (!WriteAll(out_, buffer_.get(), static_cast<std::size_t>(n))) return -1;
            moved += n;
        }
        return Moved(moved);
    }
    int64_t done() const { return done_; }
    bool complete() const { return done_ >= size_; }

private:
    int64_t Moved(int64_t n) {
        done_ += n;
        return n;
    }

    int in_;
    int out_;
    int64_t size_;
    int64_t done_ = 0;
    bool kernelCopy_ = true;
    std::unique_ptr<char[]> buffer_;
};

// Starts writing each chunk of a large file out as soon as it is copied and waits for the
// medium before more than kWriteBehindBytes of the file are waiting, so that the medium is kept
// busy, a long copy never fills the memory with data the medium has yet to take, and the
// progress reported is what the medium has taken. Small files, and files under FUSE, whose
// server this cannot reach, go through CardFlusher instead.
class RangeWriteBehind {
public:
    explicit RangeWriteBehind(int fd) : fd_(fd) {}
    void Copied(int64_t offset, int64_t size) {
        ::sync_file_range(fd_, offset, size, SYNC_FILE_RANGE_WRITE);
        const int64_t waitUpTo = offset + size - kWriteBehindBytes;
        if (waitUpTo <= waited_) return;
        ::sync_file_range(fd_, waited_, waitUpTo - waited_,
                          SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
        waited_ = waitUpTo;
    }

private:
    int fd_;
    int64_t waited_ = 0;
};

bool IsFuse(int fd) {
    struct statfs fs {};
    return ::fstatfs(fd, &fs) == 0 && fs.f_type == kFuseSuperMagic;
}

}  // namespace

// Writes what the copies to the card leave in the memory out in the background, a window of
// kWriteBehindBytes at a time, while the next window is copied; at most two windows wait. A
// flush of the file system (syncfs) writes the small files of a window together, and under a
// FUSE file system on a block device it reaches that device's cache.
class PosixFileSystem::CardFlusher {
public:
    CardFlusher() = default;
    ~CardFlusher() { Wait(); }
    CardFlusher(const CardFlusher&) = delete;
    CardFlusher& operator=(const CardFlusher&) = delete;

    // After size more bytes were copied into the open file fd.
    void Copied(int fd, int64_t size) {
        const std::lock_guard<std::mutex> lock(mutex_);
        pending_ += size;
        if (pending_ < kWriteBehindBytes) return;
        pending_ = 0;
        // The window before must be on the medium first, so at most two are in the memory.
        Join();
        const int own = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
        if (own < 0) return;
        try {
            worker_ = std::thread([own] {
                const Fd file(own);
                ::syncfs(file.get());
            });
        } catch (const std::system_error&) {
            const Fd file(own);  // no thread to be had: flushed here
            ::syncfs(file.get());
        }
    }
    // Until the flush under way has ended.
    void Wait() {
        const std::lock_guard<std::mutex> lock(mutex_);
        Join();
    }

private:
    void Join() {
        if (worker_.joinable()) worker_.join();
    }

    std::mutex mutex_;
    std::thread worker_;
    int64_t pending_ = 0;
};

namespace {

// Copies source to a new target, written out in the background as it goes (the caller flushes
// the book's files once, after the last).
bool CopyFileNative(const std::string& source, const std::string& target, const CopyProgress& progress,
                    const StopToken& stop, PosixFileSystem::CardFlusher& flusher) {
    Fd in(source.empty() ? -1 : ::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!in.valid() || ::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    Fd out(target.empty() ? -1 : ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode));
    if (!out.valid()) return false;
    if (st.st_size > kCopyChunkBytes) ::posix_fadvise(in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    ChunkCopier copier(in.get(), out.get(), st.st_size);
    std::optional<RangeWriteBehind> ranges;
    if (st.st_size > kCopyChunkBytes && !IsFuse(out.get())) ranges.emplace(out.get());
    bool ok = true;
    while (!copier.complete()) {
        const int64_t offset = copier.done();
        const int64_t n = copier.Step();
        if (n < 0) ok = false;
        if (n <= 0) break;
        if (ranges) {
            ranges->Copied(offset, n);
        } else {
            flusher.Copied(out.get(), n);
        }
        if (progress) progress(copier.done());
        if (stop.Requested()) {
            ok = false;
            break;
        }
    }
    ok = out.Close() && ok;
    if (!ok) ::unlink(target.c_str());
    return ok;
}

// Makes a rename or a new entry in a folder durable.
void SyncFolder(const std::string& nativeFolder) {
    Fd dir(::open(nativeFolder.empty() ? "." : nativeFolder.c_str(), O_RDONLY | O_DIRECTORY));
    if (dir.valid()) ::fsync(dir.get());
}

std::string NativeFolderOf(const std::string& nativePath) {
    const std::size_t slash = nativePath.rfind('/');
    if (slash == std::string::npos) return std::string();
    return slash == 0 ? std::string("/") : nativePath.substr(0, slash);
}

bool RemoveTreeNative(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT;
    if (!S_ISDIR(st.st_mode)) return ::unlink(path.c_str()) == 0;
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(path.c_str())) {
        while (const dirent* e = ::readdir(dir)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        ::closedir(dir);
    }
    for (const std::string& name : names) RemoveTreeNative(path + "/" + name);
    return ::rmdir(path.c_str()) == 0;
}

// A lock file held with flock(); the kernel drops the lock when the process ends in any way.
// The file is unlinked while still held, so a waiting taker finds it gone and makes a new one.
class PosixFileLock : public IFileLock {
public:
    PosixFileLock(int fd, std::string nativePath) : fd_(fd), nativePath_(std::move(nativePath)) {}
    ~PosixFileLock() override { ::unlink(nativePath_.c_str()); }
    PosixFileLock(const PosixFileLock&) = delete;
    PosixFileLock& operator=(const PosixFileLock&) = delete;

private:
    Fd fd_;
    std::string nativePath_;
};

// A taker that lost the race to a releasing holder may have locked a file that is no longer
// under its name; it tries again with the new one.
constexpr int kLockAttempts = 3;

}  // namespace

std::string NativeName(const std::string& path) { return Cp1251ToUtf8(path); }

PosixFileSystem::PosixFileSystem() : flusher_(std::make_unique<CardFlusher>()) {}

PosixFileSystem::~PosixFileSystem() = default;

bool PosixFileSystem::ListDirectory(const std::string& folder, std::vector<DirEntry>& entries) {
    entries.clear();
    if (folder.empty()) return false;
    const std::string native = NativeName(folder);
    DIR* dir = ::opendir(native.c_str());
    if (dir == nullptr) return false;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        DirEntry entry;
        entry.name = Utf8ToCp1251(name);
        if (e->d_type == DT_DIR) {
            entry.isDirectory = true;
        } else if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
            struct stat st {};
            entry.isDirectory = ::stat((native + "/" + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    return true;
}

bool PosixFileSystem::Exists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::lstat(NativeName(path).c_str(), &st) == 0;
}

bool PosixFileSystem::IsFile(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(NativeName(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool PosixFileSystem::IsDirectory(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(NativeName(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PosixFileSystem::MakeDirectory(const std::string& path) {
    return !path.empty() && ::mkdir(NativeName(path).c_str(), kNewFolderMode) == 0;
}

bool PosixFileSystem::RemoveFile(const std::string& path) {
    const std::string native = NativeName(path);
    struct stat st {};
    if (path.empty() || ::lstat(native.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    return ::unlink(native.c_str()) == 0;
}

bool PosixFileSystem::MoveNoReplace(const std::string& from, const std::string& to) {
    const std::string source = NativeName(from);
    const std::string target = NativeName(to);
    if (from.empty() || to.empty()) return false;
    if (::syscall(SYS_renameat2, AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    // File systems without the no-replace rename (some FUSE ones) get a check first.
    if (errno != EINVAL && errno != ENOSYS) return false;
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0) return false;
    return ::rename(source.c_str(), target.c_str()) == 0;
}

bool PosixFileSystem::ReadWholeFile(const std::string& path, std::string& data) {
    Fd in(::open(NativeName(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!in.valid() || ::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    std::string content(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::read(in.get(), content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;  // fewer bytes than the file's length
        done += static_cast<std::size_t>(n);
    }
    data = std::move(content);
    return true;
}

bool PosixFileSystem::WriteReplacing(const std::string& path, const std::string& data) {
    if (path.empty()) return false;
    const std::string target = NativeName(path);
    const std::string folder = NativeFolderOf(target);
    const std::string scratch = folder.empty() ? std::string(kReplaceScratchName)
                                               : (folder == "/" ? folder : folder + "/") + kReplaceScratchName;
    ::unlink(scratch.c_str());
    Fd out(::open(scratch.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kNewFileMode));
    if (!out.valid()) return false;
    bool ok = WriteAll(out.get(), data.data(), data.size());
    ok = ok && ::fsync(out.get()) == 0;
    ok = out.Close() && ok;
    ok = ok && ::rename(scratch.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(scratch.c_str());
        return false;
    }
    SyncFolder(folder);
    return true;
}

bool PosixFileSystem::RemoveTree(const std::string& path) {
    return !path.empty() && RemoveTreeNative(NativeName(path));
}

int64_t PosixFileSystem::FreeBytes(const std::string& path) {
    struct statvfs vfs {};
    if (path.empty() || ::statvfs(NativeName(path).c_str(), &vfs) != 0) return -1;
    return static_cast<int64_t>(vfs.f_bavail) * static_cast<int64_t>(vfs.f_frsize);
}

bool PosixFileSystem::IsLink(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::lstat(NativeName(path).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::unique_ptr<IFileLock> PosixFileSystem::TryLock(const std::string& path) {
    if (path.empty()) return nullptr;
    const std::string native = NativeName(path);
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
        Fd fd(::open(native.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, kNewFileMode));
        if (!fd.valid() || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return nullptr;
        struct stat held {};
        struct stat named {};
        if (::fstat(fd.get(), &held) == 0 && ::stat(native.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino) {
            return std::make_unique<PosixFileLock>(fd.Release(), native);
        }
    }
    return nullptr;
}

bool PosixFileSystem::CopyWithProgress(const std::string& from, const std::string& to, const CopyProgress& progress,
                                       const StopToken& stop) {
    return CopyFileNative(NativeName(from), NativeName(to), progress, stop, *flusher_);
}

bool PosixFileSystem::FlushFiles(const std::vector<std::string>& paths) {
    flusher_->Wait();
    if (paths.empty()) return true;
    Fd first(::open(NativeName(paths.front()).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct statfs fs {};
    if (!first.valid() || ::fstatfs(first.get(), &fs) != 0) return false;
    // A file system in the kernel writes everything out with one journal commit. A FUSE one
    // passes that on only where its server takes it; the servers of disk volumes (exfat-fuse,
    // ntfs-3g) flush the whole volume on any file's fsync, so one file is flushed as well,
    // with the folders of the files.
    const bool synced = ::syncfs(first.get()) == 0;
    if (fs.f_type != kFuseSuperMagic) return synced;
    Fd last(::open(NativeName(paths.back()).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    bool ok = last.valid() && ::fsync(last.get()) == 0;
    std::set<std::string> folders;
    for (const std::string& path : paths) folders.insert(NativeFolderOf(NativeName(path)));
    for (const std::string& folder : folders) SyncFolder(folder);
    return ok;
}

int64_t PosixFileSystem::FileSize(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(NativeName(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<int64_t>(st.st_size);
}

int64_t PosixFileSystem::ClusterSize(const std::string& path) {
    struct statvfs vfs {};
    if (path.empty() || ::statvfs(NativeName(path).c_str(), &vfs) != 0) return -1;
    const unsigned long unit = vfs.f_frsize != 0 ? vfs.f_frsize : vfs.f_bsize;
    return unit != 0 ? static_cast<int64_t>(unit) : -1;
}

}  // namespace platform

namespace platform {

std::filesystem::path ToFsPath(const std::string& path) { return std::filesystem::path(NativeName(path)); }

std::string FromFsPath(const std::filesystem::path& path) { return Utf8ToCp1251(path.native()); }

}  // namespace platform

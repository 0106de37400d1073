#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/file.h>
#include <sys/statvfs.h>
#include <sys/vfs.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <set>
#include <vector>

#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "platform/posix/Posixfd.h"
#include "platform/posix/Posixplatform.h"

namespace platform {
namespace {

constexpr mode_t kNewFolderMode = 0777;  // narrowed by the user's umask

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

bool PosixFileSystem::CanReplace(const std::string& path) {
    const std::string native = NativeName(path);
    if (path.empty()) return false;
    // One call, without opening the file (on a card through FUSE every open and close is a
    // round trip to the server): its kind and, where the file system keeps them, its immutable
    // and append-only flags (chattr +i, +a), which refuse both. File systems that do not report
    // such flags keep nothing unchangeable.
    struct statx st {};
    if (::statx(AT_FDCWD, native.c_str(), AT_SYMLINK_NOFOLLOW, STATX_TYPE, &st) != 0) return errno == ENOENT;
    if (S_ISDIR(st.stx_mode) || ::access(NativeName(FolderOf(path)).c_str(), W_OK) != 0) return false;
    constexpr std::uint64_t kFixed = STATX_ATTR_IMMUTABLE | STATX_ATTR_APPEND;
    return !S_ISREG(st.stx_mode) || (st.stx_attributes & st.stx_attributes_mask & kFixed) == 0;
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

namespace {

class PosixReadFile : public IReadFile {
public:
    PosixReadFile(int fd, int64_t size) : fd_(fd), size_(size) {}
    int64_t Size() override { return size_; }
    int64_t ReadAt(int64_t offset, char* buffer, int64_t size) override {
        int64_t done = 0;
        while (done < size) {
            const ssize_t n = ::pread(fd_.get(), buffer + done, static_cast<std::size_t>(size - done), offset + done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return -1;
            if (n == 0) break;
            done += n;
        }
        return done;
    }

private:
    Fd fd_;
    int64_t size_;
};

}  // namespace

std::unique_ptr<IReadFile> PosixFileSystem::OpenToRead(const std::string& path) {
    Fd in(::open(NativeName(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!in.valid() || ::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
    return std::make_unique<PosixReadFile>(in.Release(), static_cast<int64_t>(st.st_size));
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

bool PosixFileSystem::WriteUnflushed(const std::string& path, const std::string& data) {
    if (path.empty()) return false;
    Fd out(::open(NativeName(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kNewFileMode));
    if (!out.valid()) return false;
    const bool ok = WriteAll(out.get(), data.data(), data.size());
    return out.Close() && ok;
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

bool PosixFileSystem::FlushFiles(const std::vector<std::string>& paths) {
    WaitForCopies();
    if (paths.empty()) return true;
    Fd first(::open(NativeName(paths.front()).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct statfs fs {};
    if (!first.valid() || ::fstatfs(first.get(), &fs) != 0) return false;
    // A file system in the kernel writes everything out with one journal commit. A FUSE one
    // passes that on only where its server takes it, so one file is flushed as well. The
    // servers of disk volumes (exfat-fuse, ntfs-3g: a block device behind the mount) write the
    // whole volume out on that one fsync, and each more would write it out again; any other
    // server is asked for the folders of the files too.
    const bool synced = ::syncfs(first.get()) == 0;
    if (fs.f_type != kFuseSuperMagic) return synced;
    Fd last(::open(NativeName(paths.back()).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    bool ok = last.valid() && ::fsync(last.get()) == 0;
    if (::fstat(first.get(), &st) == 0 && major(st.st_dev) != 0) return ok;
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

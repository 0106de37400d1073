// The copy of a book's files to the card: chunk by chunk, written out behind the copy so that
// the progress reported is what the medium has taken, and stopped between chunks on request.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "platform/Crc32.h"
#include "platform/posix/Posixfd.h"
#include "platform/posix/Posixplatform.h"

namespace platform {
namespace {

constexpr std::size_t kCopyBufferSize = 1 << 20;
// How much of the copies to the card is written out at a time while the next is copied.
constexpr int64_t kWriteBehindBytes = 2 * kCopyChunkBytes;

// Moves the bytes a file has when the copy begins into another: with the kernel's in-kernel
// copy while the two files allow it (same file system, a kernel that has it), with read and
// write otherwise (sendfile, tried as well, is slower into FUSE file systems). The CRC of the
// bytes written, when asked for, is summed from the buffer they pass through, or after an
// in-kernel copy from the chunk of the source just copied, which the system's cache still holds.
class ChunkCopier {
public:
    ChunkCopier(int in, int out, int64_t size, uint32_t* crc) : in_(in), out_(out), size_(size), crc_(crc) {}

    // Copies up to kCopyChunkBytes at the files' offsets: the bytes moved, 0 at the end, -1 on
    // failure.
    int64_t Step() {
        const int64_t want = std::min(kCopyChunkBytes, size_ - done_);
        if (want <= 0) return 0;
        while (kernelCopy_) {
            const ssize_t n = ::copy_file_range(in_, nullptr, out_, nullptr, static_cast<std::size_t>(want), 0);
            // Some file systems answer 0 before the end instead of refusing.
            if (n > 0) return SumCopied(n) ? Moved(n) : -1;
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
            if (crc_) *crc_ = Crc32(*crc_, buffer_.get(), static_cast<std::size_t>(n));
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
    // Sums the n bytes the kernel has just copied from the source at done_.
    bool SumCopied(int64_t n) {
        if (!crc_) return true;
        if (!buffer_) buffer_.reset(new char[kCopyBufferSize]);
        for (int64_t at = 0; at < n;) {
            const std::size_t piece = static_cast<std::size_t>(std::min<int64_t>(kCopyBufferSize, n - at));
            const ssize_t got = ::pread(in_, buffer_.get(), piece, static_cast<off_t>(done_ + at));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;
            *crc_ = Crc32(*crc_, buffer_.get(), static_cast<std::size_t>(got));
            at += got;
        }
        return true;
    }

    int in_;
    int out_;
    int64_t size_;
    int64_t done_ = 0;
    bool kernelCopy_ = true;
    uint32_t* crc_;
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
                    const StopToken& stop, PosixFileSystem::CardFlusher& flusher, uint32_t* crc) {
    Fd in(source.empty() ? -1 : ::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!in.valid() || ::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    Fd out(target.empty() ? -1 : ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode));
    if (!out.valid()) return false;
    if (st.st_size > kCopyChunkBytes) ::posix_fadvise(in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    if (crc) *crc = 0;
    ChunkCopier copier(in.get(), out.get(), st.st_size, crc);
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

}  // namespace

PosixFileSystem::PosixFileSystem() : flusher_(std::make_unique<CardFlusher>()) {}

PosixFileSystem::~PosixFileSystem() = default;

bool PosixFileSystem::CopyWithProgress(const std::string& from, const std::string& to, const CopyProgress& progress,
                                       const StopToken& stop, uint32_t* crc) {
    return CopyFileNative(NativeName(from), NativeName(to), progress, stop, *flusher_, crc);
}

bool PosixFileSystem::ReadBackCrc(const std::string& path, const CopyProgress& progress, const StopToken& stop,
                                  uint32_t& crc) {
    Fd in(path.empty() ? -1 : ::open(NativeName(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!in.valid() || ::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    // The flush has left the pages clean: dropped, they are read again from the medium. (O_DIRECT
    // would do the same, but FUSE and some card file systems refuse it.)
    ::posix_fadvise(in.get(), 0, 0, POSIX_FADV_DONTNEED);
    ::posix_fadvise(in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    const std::unique_ptr<char[]> buffer(new char[kCopyBufferSize]);
    crc = 0;
    int64_t done = 0;
    int64_t sinceReport = 0;
    for (;;) {
        const ssize_t n = ::read(in.get(), buffer.get(), kCopyBufferSize);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        crc = Crc32(crc, buffer.get(), static_cast<std::size_t>(n));
        done += n;
        sinceReport += n;
        if (sinceReport < kCopyChunkBytes) continue;
        sinceReport = 0;
        if (progress) progress(done);
        if (stop.Requested()) return false;
    }
    // What was read is not kept in the memory either: the book is not played from here.
    ::posix_fadvise(in.get(), 0, 0, POSIX_FADV_DONTNEED);
    if (progress && sinceReport > 0) progress(done);
    return !stop.Requested();
}

void PosixFileSystem::WaitForCopies() { flusher_->Wait(); }

}  // namespace platform

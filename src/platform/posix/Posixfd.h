#pragma once
// What the POSIX file code shares: a descriptor closed with its scope, a whole write, and the
// marks it tells files and file systems by.

#include <sys/types.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>

namespace platform {

constexpr mode_t kNewFileMode = 0666;  // narrowed by the user's umask
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

inline bool WriteAll(int fd, const char* data, std::size_t size) {
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

}  // namespace platform

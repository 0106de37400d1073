#pragma once
// Files read whole on Windows: the handle that closes itself, and the CRC-32 of what a copy
// wrote, taken from its source, and of a file read back from the medium.

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <memory>

#include "platform/Crc32.h"

namespace platform {

constexpr DWORD kReadChunk = 1 << 20;

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() { Close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    // Hands the handle over to the caller.
    HANDLE Release() {
        const HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return h;
    }
    bool Close() {
        if (!valid()) return true;
        const HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return CloseHandle(h) != FALSE;
    }

private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
};

// The CRC of what CopyFileExW copies, which hands its bytes to nobody: taken from the source's
// pieces just copied, which the system's cache still holds, so that the disk reads the source
// once.
class SourceCrc {
public:
    explicit SourceCrc(HANDLE source) : source_(source) {}
    // Sums the source up to its byte end; false when it cannot be read.
    bool Through(int64_t end) {
        if (!buffer_) buffer_.reset(new char[kReadChunk]);
        while (done_ < end) {
            LARGE_INTEGER at{};
            at.QuadPart = done_;
            const DWORD want = static_cast<DWORD>(std::min<int64_t>(kReadChunk, end - done_));
            DWORD read = 0;
            if (!SetFilePointerEx(source_.get(), at, nullptr, FILE_BEGIN) ||
                !ReadFile(source_.get(), buffer_.get(), want, &read, nullptr) || read == 0) {
                return false;
            }
            crc_ = Crc32(crc_, buffer_.get(), read);
            done_ += read;
        }
        return true;
    }
    // The whole source, once the copy is done.
    bool Finish(uint32_t& crc) {
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(source_.get(), &size) || !Through(size.QuadPart)) return false;
        crc = crc_;
        return true;
    }

private:
    Handle source_;
    std::unique_ptr<char[]> buffer_;
    int64_t done_ = 0;
    uint32_t crc_ = 0;
};

}  // namespace platform

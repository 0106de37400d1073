#include "platform/win32/Win32readback.h"

#include <algorithm>

#include "platform/Crc32.h"
#include "platform/Paths.h"
#include "platform/win32/Win32platform.h"

namespace platform {

bool Win32FileSystem::ReadBackCrc(const std::string& path, const CopyProgress& progress, const StopToken& stop,
                                  uint32_t& crc) {
    if (path.empty()) return false;
    Handle file(CreateFileW(WideName(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid()) return false;
    // Unbuffered reads take whole sectors into sector-aligned memory: a run of pages is aligned
    // to any sector, and kReadChunk is a whole number of them. The last read ends at the file's
    // end.
    struct Pages {
        void operator()(void* p) const { VirtualFree(p, 0, MEM_RELEASE); }
    };
    const std::unique_ptr<void, Pages> buffer(VirtualAlloc(nullptr, kReadChunk, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!buffer) return false;
    crc = 0;
    int64_t done = 0;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), buffer.get(), kReadChunk, &read, nullptr)) return false;
        if (read == 0) break;
        crc = Crc32(crc, buffer.get(), read);
        done += read;
        if (progress) progress(done);
        if (stop.Requested()) return false;
    }
    return true;
}

}  // namespace platform

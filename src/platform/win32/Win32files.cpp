#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <memory>

#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "platform/win32/Win32platform.h"
#include "platform/win32/Win32readback.h"

namespace platform {
namespace {

class FindHandle {
public:
    explicit FindHandle(HANDLE h) : h_(h) {}
    ~FindHandle() {
        if (h_ != INVALID_HANDLE_VALUE) FindClose(h_);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
};

DWORD Attributes(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

bool IsDots(const wchar_t* name) { return wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0; }

// Read-only files and folders (books copied from a CD keep the attribute) lose it before they
// are deleted.
bool ClearReadOnly(const std::wstring& path) {
    const DWORD attributes = Attributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0) return false;
    return SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY) != FALSE;
}

bool DeleteFileForce(const std::wstring& path) {
    if (DeleteFileW(path.c_str())) return true;
    return ClearReadOnly(path) && DeleteFileW(path.c_str());
}

bool RemoveDirectoryForce(const std::wstring& path) {
    if (RemoveDirectoryW(path.c_str())) return true;
    return ClearReadOnly(path) && RemoveDirectoryW(path.c_str());
}

bool RemoveTreeWide(const std::wstring& path) {
    const DWORD attributes = Attributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return DeleteFileForce(path);
    // A junction or folder link is removed itself; what it points to is left alone.
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        WIN32_FIND_DATAW data{};
        FindHandle find(FindFirstFileW((path + L"\\*").c_str(), &data));
        if (find.valid()) {
            do {
                if (!IsDots(data.cFileName)) RemoveTreeWide(path + L"\\" + data.cFileName);
            } while (FindNextFileW(find.get(), &data));
        }
    }
    return RemoveDirectoryForce(path);
}

// What CopyFileExW's progress routine passes on to the caller.
struct CopyContext {
    const CopyProgress* progress = nullptr;
    const StopToken* stop = nullptr;
    SourceCrc* crc = nullptr;
    bool reported = false;
    bool stopped = false;
};

DWORD CALLBACK CopyProgressRoutine(LARGE_INTEGER, LARGE_INTEGER transferred, LARGE_INTEGER, LARGE_INTEGER, DWORD,
                                   DWORD, HANDLE, HANDLE, LPVOID data) {
    auto& context = *static_cast<CopyContext*>(data);
    context.reported = true;
    if (context.crc && !context.crc->Through(transferred.QuadPart)) return PROGRESS_CANCEL;
    if (*context.progress) (*context.progress)(transferred.QuadPart);
    if (!context.stop->Requested()) return PROGRESS_CONTINUE;
    context.stopped = true;
    return PROGRESS_CANCEL;
}

// The root folder of the drive a path names by its first letter ("E:\"); empty without one.
std::wstring DriveRoot(const std::string& path) {
    const char letter = path.empty() ? '\0' : UpperCase1251(path.front());
    if (letter < 'A' || letter > 'Z') return std::wstring();
    return std::wstring{static_cast<wchar_t>(letter), L':', L'\\'};
}

bool WriteAll(HANDLE file, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, kReadChunk));
        DWORD written = 0;
        if (!WriteFile(file, data.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

// A lock file opened without sharing and deleted when its handle closes, which the system also
// does when the process ends in any way.
class Win32FileLock : public IFileLock {
public:
    explicit Win32FileLock(HANDLE file) : file_(file) {}

private:
    Handle file_;
};

}  // namespace

bool Win32FileSystem::ListDirectory(const std::string& folder, std::vector<DirEntry>& entries) {
    entries.clear();
    if (folder.empty()) return false;
    WIN32_FIND_DATAW data{};
    FindHandle find(FindFirstFileW((WideName(JoinPath(folder, "*"))).c_str(), &data));
    if (!find.valid()) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        if (IsDots(data.cFileName)) continue;
        DirEntry entry;
        entry.name = AnsiName(data.cFileName);
        entry.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entries.push_back(std::move(entry));
    } while (FindNextFileW(find.get(), &data));
    return true;
}

bool Win32FileSystem::Exists(const std::string& path) {
    return !path.empty() && Attributes(WideName(path)) != INVALID_FILE_ATTRIBUTES;
}

bool Win32FileSystem::IsFile(const std::string& path) {
    const DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : Attributes(WideName(path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32FileSystem::IsDirectory(const std::string& path) {
    const DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : Attributes(WideName(path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Win32FileSystem::MakeDirectory(const std::string& path) {
    return !path.empty() && CreateDirectoryW(WideName(path).c_str(), nullptr) != FALSE;
}

bool Win32FileSystem::RemoveFile(const std::string& path) {
    return !path.empty() && DeleteFileForce(WideName(path));
}

bool Win32FileSystem::CanReplace(const std::string& path) {
    if (path.empty()) return false;
    // Asked for the right to delete it, sharing everything: refused while another program holds
    // it without sharing its deletion, or the volume or the file's security keeps it.
    Handle file(CreateFileW(WideName(path).c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.valid()) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    // A folder under a file's name is never replaced by a file, as on other systems.
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileInformationByHandle(file.get(), &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32FileSystem::MoveNoReplace(const std::string& from, const std::string& to) {
    return !from.empty() && !to.empty() && MoveFileExW(WideName(from).c_str(), WideName(to).c_str(), 0) != FALSE;
}

bool Win32FileSystem::ReadWholeFile(const std::string& path, std::string& data) {
    if (path.empty()) return false;
    // Others may read the file meanwhile, not write it.
    Handle file(CreateFileW(WideName(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file.valid() || !GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return false;
    std::string content(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < content.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(content.size() - done, kReadChunk));
        DWORD read = 0;
        if (!ReadFile(file.get(), content.data() + done, chunk, &read, nullptr) || read == 0) return false;
        done += read;
    }
    data = std::move(content);
    return true;
}

namespace {

class Win32ReadFile : public IReadFile {
public:
    Win32ReadFile(HANDLE file, int64_t size) : file_(file), size_(size) {}
    int64_t Size() override { return size_; }
    int64_t ReadAt(int64_t offset, char* buffer, int64_t size) override {
        int64_t done = 0;
        while (done < size) {
            OVERLAPPED at{};
            at.Offset = static_cast<DWORD>(static_cast<uint64_t>(offset + done) & 0xFFFFFFFFu);
            at.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(offset + done) >> 32);
            const DWORD chunk = static_cast<DWORD>(std::min<int64_t>(size - done, kReadChunk));
            DWORD read = 0;
            if (!ReadFile(file_.get(), buffer + done, chunk, &read, &at)) {
                if (GetLastError() == ERROR_HANDLE_EOF) break;
                return -1;
            }
            if (read == 0) break;
            done += read;
        }
        return done;
    }

private:
    Handle file_;
    int64_t size_;
};

}  // namespace

std::unique_ptr<IReadFile> Win32FileSystem::OpenToRead(const std::string& path) {
    if (path.empty()) return nullptr;
    Handle file(CreateFileW(WideName(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file.valid() || GetFileType(file.get()) != FILE_TYPE_DISK || !GetFileSizeEx(file.get(), &size) ||
        size.QuadPart < 0) {
        return nullptr;
    }
    return std::make_unique<Win32ReadFile>(file.Release(), static_cast<int64_t>(size.QuadPart));
}

bool Win32FileSystem::WriteReplacing(const std::string& path, const std::string& data) {
    if (path.empty()) return false;
    const std::wstring target = WideName(path);
    const std::wstring scratch = WideName(JoinPath(FolderOf(path), kReplaceScratchName));
    DeleteFileForce(scratch);
    Handle file(CreateFileW(scratch.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    bool ok = WriteAll(file.get(), data) && FlushFileBuffers(file.get());
    ok = file.Close() && ok;
    ok = ok && MoveFileExW(scratch.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) DeleteFileW(scratch.c_str());
    return ok;
}

bool Win32FileSystem::WriteUnflushed(const std::string& path, const std::string& data) {
    if (path.empty()) return false;
    Handle file(CreateFileW(WideName(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr));
    if (!file.valid()) return false;
    const bool ok = WriteAll(file.get(), data);
    return file.Close() && ok;
}

bool Win32FileSystem::RemoveTree(const std::string& path) {
    return !path.empty() && RemoveTreeWide(WideName(path)) && Attributes(WideName(path)) == INVALID_FILE_ATTRIBUTES;
}

int64_t Win32FileSystem::FreeBytes(const std::string& path) {
    // Only the drive letter counts: a card path naming a folder reports its whole drive.
    const std::wstring root = DriveRoot(path);
    ULARGE_INTEGER available{};
    if (root.empty() || !GetDiskFreeSpaceExW(root.c_str(), &available, nullptr, nullptr)) return -1;
    return static_cast<int64_t>(available.QuadPart);
}

bool Win32FileSystem::IsLink(const std::string& path) {
    const DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : Attributes(WideName(path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

std::unique_ptr<IFileLock> Win32FileSystem::TryLock(const std::string& path) {
    if (path.empty()) return nullptr;
    const HANDLE file = CreateFileW(WideName(path).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32FileLock>(file);
}

bool Win32FileSystem::CopyWithProgress(const std::string& from, const std::string& to, const CopyProgress& progress,
                                       const StopToken& stop, uint32_t* crc) {
    if (from.empty() || to.empty()) return false;
    const std::wstring source = WideName(from);
    const std::wstring target = WideName(to);
    std::unique_ptr<SourceCrc> sum;
    if (crc) {
        Handle file(CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!file.valid()) return false;
        sum = std::make_unique<SourceCrc>(file.Release());
    }
    CopyContext context;
    context.progress = &progress;
    context.stop = &stop;
    context.crc = sum.get();
    if (CopyFileExW(source.c_str(), target.c_str(), CopyProgressRoutine, &context, nullptr,
                    COPY_FILE_FAIL_IF_EXISTS)) {
        // A system that never calls the routine (Wine) still reports the whole file once.
        const int64_t size = FileSize(to);
        if (!context.reported && progress && size > 0) progress(size);
        const bool summed = !sum || sum->Finish(*crc);
        if (summed && !stop.Requested()) return true;
        DeleteFileForce(target);
        return false;
    }
    // A copy cut short (a full card, a stop) leaves no partial file; a target that was already
    // there is not ours to remove.
    const DWORD error = GetLastError();
    if (context.stopped || (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)) DeleteFileForce(target);
    return false;
}

bool Win32FileSystem::FlushFiles(const std::vector<std::string>& paths) {
    bool ok = true;
    for (const std::string& path : paths) {
        std::wstring name = WideName(path);
        // A card's root named as its drive ("E:") is the drive's root folder, not the folder
        // current on that drive.
        if (name.size() == 2 && name[1] == L':') name += L'\\';
        const DWORD attributes = Attributes(name);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            // A folder is opened as such; not every file system flushes one, and that is no
            // failure.
            Handle folder(CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
            if (folder.valid()) FlushFileBuffers(folder.get());
            continue;
        }
        // A copy keeps the read-only attribute of its source (books from a CD): it is lifted
        // for the flush, which needs the file open for writing, and put back.
        const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
        if (readOnly) SetFileAttributesW(name.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
        {
            Handle file(CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            ok = file.valid() && FlushFileBuffers(file.get()) && ok;
        }
        if (readOnly) SetFileAttributesW(name.c_str(), attributes);
    }
    return ok;
}

int64_t Win32FileSystem::FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (path.empty() || !GetFileAttributesExW(WideName(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return -1;
    }
    ULARGE_INTEGER size{};
    size.LowPart = data.nFileSizeLow;
    size.HighPart = data.nFileSizeHigh;
    return static_cast<int64_t>(size.QuadPart);
}

int64_t Win32FileSystem::ClusterSize(const std::string& path) {
    const std::wstring root = DriveRoot(path);
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (root.empty() ||
        !GetDiskFreeSpaceW(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)) {
        return -1;
    }
    const int64_t cluster = static_cast<int64_t>(sectorsPerCluster) * bytesPerSector;
    return cluster > 0 ? cluster : -1;
}

}  // namespace platform

namespace platform {

std::filesystem::path ToFsPath(const std::string& path) { return std::filesystem::path(WideName(path)); }

std::string FromFsPath(const std::filesystem::path& path) { return AnsiName(path.native()); }

}  // namespace platform

#pragma once
// The platform services on Linux and other POSIX systems. Texts are converted from
// Windows-1251 to the UTF-8 names of the file system at this edge.

#include <string>

#include "platform/Archive.h"
#include "platform/Files.h"
#include "platform/Shellfolders.h"

namespace platform {

// The system's name of a Windows-1251 path.
std::string NativeName(const std::string& path);

class PosixFileSystem : public IFileSystem {
public:
    bool ListDirectory(const std::string& folder, std::vector<DirEntry>& entries) override;
    bool Exists(const std::string& path) override;
    bool IsFile(const std::string& path) override;
    bool IsDirectory(const std::string& path) override;
    bool MakeDirectory(const std::string& path) override;
    bool RemoveEmptyDirectory(const std::string& path) override;
    bool RemoveFile(const std::string& path) override;
    bool CopyNoReplace(const std::string& from, const std::string& to) override;
    bool MoveNoReplace(const std::string& from, const std::string& to) override;
    bool ReadWholeFile(const std::string& path, std::string& data) override;
    bool WriteReplacing(const std::string& path, const std::string& data) override;
    bool RemoveTree(const std::string& path) override;
    int64_t FreeBytes(const std::string& path) override;
};

// $TMPDIR (default /tmp), $XDG_CONFIG_HOME (default ~/.config) and /proc/self/exe.
class PosixShellFolders : public IShellFolders {
public:
    std::string TempFolder() override;
    std::string AppDataFolder() override;
    std::string ProgramFile() override;
};

// RAR 4 and RAR 5 archives unpacked in the process by libarchive.
class LibarchiveExtractor : public IArchiveExtractor {
public:
    bool Extract(const std::string& archive, const std::string& folder) override;
};

}  // namespace platform

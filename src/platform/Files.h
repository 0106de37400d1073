#pragma once
// The file system as the card model and the settings store see it. Paths are Windows-1251
// text in the platform's own form; each implementation converts them to the system's names.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace platform {

struct DirEntry {
    std::string name;
    bool isDirectory = false;
};

// The scratch file a replacing write goes through, beside its target: it fits an 8.3 name and
// never looks like a book descriptor.
inline constexpr const char* kReplaceScratchName = "ZWQSAVE.TMP";

// An exclusive hold on a lock file: while it lasts no other holder, in this process or another,
// gets the same file. It ends with the object, or with the process when that ends in any way;
// the lock file goes with it.
class IFileLock {
public:
    virtual ~IFileLock() = default;
};

class IFileSystem {
public:
    virtual ~IFileSystem() = default;

    // Every entry of the folder except "." and "..", whatever its attributes, in the order the
    // file system returns them. False when the folder cannot be listed.
    virtual bool ListDirectory(const std::string& folder, std::vector<DirEntry>& entries) = 0;
    virtual bool Exists(const std::string& path) = 0;
    virtual bool IsFile(const std::string& path) = 0;
    virtual bool IsDirectory(const std::string& path) = 0;
    virtual bool MakeDirectory(const std::string& path) = 0;
    // Removes an empty folder (a read-only one too).
    virtual bool RemoveEmptyDirectory(const std::string& path) = 0;
    // Deletes a file, a read-only one too.
    virtual bool RemoveFile(const std::string& path) = 0;
    // Copies a file, streaming; fails when the target exists. A failed copy leaves no target.
    virtual bool CopyNoReplace(const std::string& from, const std::string& to) = 0;
    // Renames a file or folder; fails when the target exists.
    virtual bool MoveNoReplace(const std::string& from, const std::string& to) = 0;
    // Reads a whole regular file.
    virtual bool ReadWholeFile(const std::string& path, std::string& data) = 0;
    // Writes data as the new content of path, through a scratch file beside it that is
    // flushed and then renamed over the target: the target is either the old file or the
    // whole new one, never a part.
    virtual bool WriteReplacing(const std::string& path, const std::string& data) = 0;
    // Deletes a folder with everything in it (read-only entries too); links are removed,
    // never followed. True when the folder is gone.
    virtual bool RemoveTree(const std::string& path) = 0;
    // Bytes available to the user on the volume that holds path; -1 when it cannot be asked.
    virtual int64_t FreeBytes(const std::string& path) = 0;
    // Whether the path itself is a symbolic link or a junction (it is not followed).
    virtual bool IsLink(const std::string& path) = 0;
    // Takes the lock file at path, making it when missing, without waiting; null when another
    // holder has it or it cannot be made.
    virtual std::unique_ptr<IFileLock> TryLock(const std::string& path) = 0;
};

// The same path as the standard library's file system names it, and back (for tools and
// tests that work beside the program's own file access).
std::filesystem::path ToFsPath(const std::string& path);
std::string FromFsPath(const std::filesystem::path& path);

}  // namespace platform

#pragma once
// The file system as the card model and the settings store see it. Paths are Windows-1251
// text in the platform's own form; each implementation converts them to the system's names.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Stoptoken.h"

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
// A regular file opened for reading at the offsets the reader chooses; closed with the object.
class IReadFile {
public:
    virtual ~IReadFile() = default;
    // The file's size in bytes when it was opened.
    virtual int64_t Size() = 0;
    // Reads up to size bytes from offset into buffer: the bytes read, fewer only at the file's
    // end; -1 on an error.
    virtual int64_t ReadAt(int64_t offset, char* buffer, int64_t size) = 0;
};

// A megabyte as the program counts it when it tells the user sizes ("Мб").
inline constexpr int64_t kBytesPerMegabyte = int64_t{1} << 20;

// The amount a copy to the card moves at a time where the program chooses it: large enough for
// flash media, small enough that a stop request is honoured within a fraction of a second.
inline constexpr int64_t kCopyChunkBytes = int64_t{4} << 20;

// How far a copy to the card has come: the bytes of the file copied so far.
using CopyProgress = std::function<void(int64_t bytesDone)>;

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
    // Deletes a file, a read-only one too.
    virtual bool RemoveFile(const std::string& path) = 0;
    // Whether the file could be removed or written anew now, as RemoveFile and WriteReplacing
    // would (a read-only one too): no other program holds it without sharing, the system does
    // not keep it unchangeable, and its folder takes changes. True when there is no such file.
    virtual bool CanReplace(const std::string& path) = 0;
    // Renames a file or folder; fails when the target exists.
    virtual bool MoveNoReplace(const std::string& from, const std::string& to) = 0;
    // Reads a whole regular file.
    virtual bool ReadWholeFile(const std::string& path, std::string& data) = 0;
    // Opens a regular file to read parts of it (others may write or delete it meanwhile); null
    // when it cannot be opened.
    virtual std::unique_ptr<IReadFile> OpenToRead(const std::string& path) = 0;
    // Writes data as the new content of path, through a scratch file beside it that is
    // flushed and then renamed over the target: the target is either the old file or the
    // whole new one, never a part.
    virtual bool WriteReplacing(const std::string& path, const std::string& data) = 0;
    // Writes data as the whole content of path, made or overwritten in place, without flushing
    // it: a batch of such writes reaches the medium with one FlushFiles.
    virtual bool WriteUnflushed(const std::string& path, const std::string& data) = 0;
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

    // Copies a file of a book to the card at the medium's own speed: with the system's copy
    // where it has one, writing back as it goes so that the progress reported is what reached
    // the medium, without flushing each file (FlushFiles does that once for the whole book).
    // progress (may be empty) is called after every chunk, and for a file that is not empty at
    // least once with its whole size. stop is polled after every chunk and ends the copy.
    // Fails when the target exists; a failed or stopped copy leaves no target. With crc the
    // copy also gives the CRC-32 (Crc32.h) of the bytes it wrote, the source read only once.
    virtual bool CopyWithProgress(const std::string& from, const std::string& to, const CopyProgress& progress,
                                  const StopToken& stop, uint32_t* crc = nullptr) = 0;
    // Reads a file back from the medium, not from the system's cache (FlushFiles must have put
    // it there), and gives the CRC-32 of its bytes in crc: what a card that lost or garbled
    // them hands back. progress and stop as for a copy; false when the file cannot be read or
    // the read is stopped.
    virtual bool ReadBackCrc(const std::string& path, const CopyProgress& progress, const StopToken& stop,
                             uint32_t& crc) = 0;
    // Puts the files, all on one volume, and their folder entries on the medium: when it
    // returns true they survive the card being pulled out. A folder among them has its own
    // entries written out where the system can flush a folder; where it cannot, an existing
    // folder counts as flushed.
    virtual bool FlushFiles(const std::vector<std::string>& paths) = 0;
    // The size of a regular file in bytes; -1 when path is no such file.
    virtual int64_t FileSize(const std::string& path) = 0;
    // The allocation unit of the volume that holds path: every file there takes a whole number
    // of them. -1 when the system cannot tell.
    virtual int64_t ClusterSize(const std::string& path) = 0;
};

// The same path as the standard library's file system names it, and back (for tools and
// tests that work beside the program's own file access).
std::filesystem::path ToFsPath(const std::string& path);
std::string FromFsPath(const std::filesystem::path& path);

}  // namespace platform

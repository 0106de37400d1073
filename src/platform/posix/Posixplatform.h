#pragma once
// The platform services on Linux and other POSIX systems. Texts are converted from
// Windows-1251 to the UTF-8 names of the file system at this edge.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Archive.h"
#include "platform/Codepage.h"
#include "platform/Drives.h"
#include "platform/Files.h"
#include "platform/Integration.h"
#include "platform/Shellfolders.h"

namespace platform {

// The system's name of a Windows-1251 path.
inline std::string NativeName(const std::string& path) { return Cp1251ToUtf8(path); }

class PosixFileSystem : public IFileSystem {
public:
    class CardFlusher;

    PosixFileSystem();
    ~PosixFileSystem() override;
    PosixFileSystem(const PosixFileSystem&) = delete;
    PosixFileSystem& operator=(const PosixFileSystem&) = delete;

    bool ListDirectory(const std::string& folder, std::vector<DirEntry>& entries) override;
    bool Exists(const std::string& path) override;
    bool IsFile(const std::string& path) override;
    bool IsDirectory(const std::string& path) override;
    bool MakeDirectory(const std::string& path) override;
    bool RemoveFile(const std::string& path) override;
    bool CanReplace(const std::string& path) override;
    bool MoveNoReplace(const std::string& from, const std::string& to) override;
    bool ReadWholeFile(const std::string& path, std::string& data) override;
    std::unique_ptr<IReadFile> OpenToRead(const std::string& path) override;
    bool WriteReplacing(const std::string& path, const std::string& data) override;
    bool WriteUnflushed(const std::string& path, const std::string& data) override;
    bool RemoveTree(const std::string& path) override;
    int64_t FreeBytes(const std::string& path) override;
    bool IsLink(const std::string& path) override;
    std::unique_ptr<IFileLock> TryLock(const std::string& path) override;
    // copy_file_range, or read and write across file systems, written out in the background.
    bool CopyWithProgress(const std::string& from, const std::string& to, const CopyProgress& progress,
                          const StopToken& stop, uint32_t* crc) override;
    // The file's pages dropped from the cache (posix_fadvise), then read.
    bool ReadBackCrc(const std::string& path, const CopyProgress& progress, const StopToken& stop,
                     uint32_t& crc) override;
    // syncfs on the files' file system; fsync of each file and folder on a FUSE one.
    bool FlushFiles(const std::vector<std::string>& paths) override;
    int64_t FileSize(const std::string& path) override;
    // The fragment size statvfs reports (exFAT and FAT report their cluster).
    int64_t ClusterSize(const std::string& path) override;

private:
    // Until what the copies to the card left in the memory is on its way to the medium.
    void WaitForCopies();

    std::unique_ptr<CardFlusher> flusher_;
};

// $TMPDIR (default /tmp), $XDG_CONFIG_HOME (default ~/.config) and /proc/self/exe.
class PosixShellFolders : public IShellFolders {
public:
    std::string TempFolder() override;
    std::string AppDataFolder() override;
    std::string DataHomeFolder() override;
    std::string ConfigHomeFolder() override;
    std::string ProgramFile() override;
};

// Rights, helper programs and the current folder. The integration is per user, so the program
// always has the rights it needs and never restarts itself.
class PosixSystem : public ISystem {
public:
    bool IsAdmin() override { return true; }
    bool IsWow64() override { return false; }
    std::string SystemDirectory() override { return std::string(); }
    std::string FindProgram(const std::string& name) override;
    bool StartProcess(const std::string& program, const std::vector<std::string>& arguments) override;
    int RunElevated(const std::string& program, const std::string& parameters, const std::string& folder) override;
    std::string CurrentDirectory() override;
};

// The mount points of removable and hot-plug block devices, from the mount table and sysfs.
class PosixDrives : public IDrives {
public:
    std::vector<std::string> RemovableDrives() override;
    std::string VolumeLabel(const std::string& root) override;
    // UDisks2's IdUUID and IdLabel; else the UUID from udev's /dev/disk/by-uuid, else from the
    // file system's own first sectors (ext2/3/4, FAT, exFAT, NTFS), when the device can be read.
    VolumeIdentity Identity(const std::string& root) override;
    // By the mount table, the folder's links followed.
    bool IsMountPoint(const std::string& folder) override;
    // Written out and unmounted: through UDisks2, which also powers the drive off, where the
    // system bus has it; else by umount2 itself.
    bool Eject(const std::string& root, std::string& reason) override;

private:
    static std::vector<std::string> MountTableDrives(const std::string& mountinfo);
};

// The contents of /proc/self/mountinfo.
std::string MountInfo();
// The source of the mount at mountPoint (UTF-8) that a path there reaches; empty when none.
std::string MountSource(const std::string& mountinfo, const std::string& mountPoint);
// Whether a mount that a path can reach lies at mountPoint (UTF-8, without links) by the mount
// table mountinfo: of a whole file system or of a folder of one bound there.
bool MountedAt(const std::string& mountinfo, const std::string& mountPoint);
// The UUID or serial of the file system whose first sectors are given, as blkid writes it
// ("0c2e...-..." for ext, "1234-ABCD" for FAT and exFAT); empty for other file systems.
std::string FileSystemUuid(const std::string& firstSectors);

// The label of the volume mounted at mountPoint (UTF-8) by the mount table mountinfo: the name
// of the link in byLabelFolder (normally udev's /dev/disk/by-label) that leads to the mount's
// device, else the mount point's last part, which desktops name after the label.
std::string MountLabel(const std::string& mountinfo, const std::string& mountPoint, const std::string& byLabelFolder);

// Reads the removable drives from the contents of /proc/self/mountinfo. A mount counts when it
// shows the root of its file system and either its source is a block device /dev/<name> for
// which removable(name) says yes, or it lies under /media/ or /run/media/, where desktops mount
// hot-plug media; pseudo and network file systems never count, nor "/" itself, nor mounts that
// another mount hides. <name> is the source's path below /dev ("sdb1", "disk/by-uuid/1234-ABCD");
// device-mapper volumes (mapper/*, dm-*) are not asked about. The mount points come back as
// Windows-1251 text, sorted byte by byte, each once.
std::vector<std::string> RemovableMountPoints(const std::string& mountinfo,
                                              const std::function<bool(const std::string&)>& removable);

// Whether the block device of the kernel name name ("sdb", "sdb1", "mmcblk0p1") is removable
// or hot-plug, judged from the sysfs folder sysClassBlock (normally /sys/class/block, a
// system path in UTF-8): its removable flag, for a partition also its disk's flag, an SD card
// behind an MMC host, or a device attached over USB (card readers often report removable 0).
bool IsRemovableBlockDevice(const std::string& sysClassBlock, const std::string& name);

// RAR 4 and RAR 5, ZIP and 7z archives unpacked in the process by libarchive.
class LibarchiveExtractor : public IArchiveExtractor {
public:
    using IArchiveExtractor::Extract;
    int64_t ListedSize(const std::string& archive) override;
    // Progress is the share of the archive file read so far.
    bool Extract(const std::string& archive, const std::string& folder, const ExtractProgress& progress,
                 const StopToken& stop) override;
};

}  // namespace platform

// The removable drives on Linux: the mount table of /proc/self/mountinfo, with sysfs telling
// which block devices are removable or hot-plug.
#include <algorithm>
#include <array>
#include <charconv>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "platform/Codepage.h"
#include "platform/posix/Posixplatform.h"
#include "platform/posix/Udisks2.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

constexpr const char* kMountInfoFile = "/proc/self/mountinfo";
constexpr const char* kSysClassBlock = "/sys/class/block";
constexpr const char* kDeviceFolder = "/dev";
// udev's links from each volume label to its device.
constexpr const char* kByLabelFolder = "/dev/disk/by-label";
// udev writes a character of a label that a file name cannot hold as "\x" and two hex digits.
constexpr std::string_view kUdevEscape = "\\x";
constexpr std::size_t kUdevHexDigits = 2;
constexpr int kHexBase = 16;

// The fields of a mountinfo line before the optional fields: mount ID, parent ID,
// major:minor, root, mount point, mount options.
constexpr std::size_t kMountIdField = 0;
constexpr std::size_t kParentIdField = 1;
constexpr std::size_t kRootField = 3;
constexpr std::size_t kMountPointField = 4;
constexpr std::size_t kFixedFieldCount = 6;
// After the separator: file system type, mount source, super options.
constexpr std::size_t kFsTypeAfterSeparator = 1;
constexpr std::size_t kSourceAfterSeparator = 2;
constexpr std::string_view kSeparatorField = "-";

// The kernel writes blanks, tabs, newlines and backslashes of a name as a backslash and three
// octal digits ("\040").
constexpr char kEscape = '\\';
constexpr std::size_t kOctalDigits = 3;
constexpr int kOctalBase = 8;

// Where desktops (udisks and the older HAL and pmount) mount hot-plug media.
constexpr std::array<std::string_view, 2> kHotPlugFolders = {"/media/", "/run/media/"};

// A whole file system is mounted, not a folder inside one (as a bind mount may show).
constexpr std::string_view kWholeFileSystemRoot = "/";
constexpr std::string_view kSystemRoot = "/";

constexpr std::string_view kDevicePrefix = "/dev/";
// Device-mapper volumes (encrypted, LVM) sit on other devices; they count only under the
// hot-plug folders.
constexpr std::string_view kMapperPrefix = "mapper/";
constexpr std::string_view kDeviceMapperPrefix = "dm-";

// File systems that never hold a memory card: the kernel's pseudo file systems, memory and
// overlay file systems, the desktop's virtual FUSE mounts and network shares.
constexpr std::string_view kNotCardFileSystems[] = {
    // The kernel's own.
    "autofs", "binfmt_misc", "bpf", "cgroup", "cgroup2", "configfs", "debugfs", "devpts", "devtmpfs", "efivarfs",
    "fusectl", "hugetlbfs", "mqueue", "nsfs", "proc", "pstore", "rpc_pipefs", "securityfs", "selinuxfs", "sysfs",
    "tracefs", "nfsd",
    // Memory, layered and read-only image file systems.
    "ramfs", "tmpfs", "overlay", "squashfs",
    // Virtual FUSE mounts of the desktop and of containers.
    "fuse.gvfsd-fuse", "fuse.portal", "fuse.snapfuse", "fuse.lxcfs",
    // Network shares.
    "fuse.sshfs", "nfs", "nfs4", "cifs", "smb3", "smbfs", "9p", "ceph", "afs"};

// sysfs: a device's flag is "1" when its medium can be taken out.
constexpr const char* kRemovableFile = "removable";
// Present in a partition's folder only.
constexpr const char* kPartitionFile = "partition";
// The card type an MMC host reports for an SD card ("MMC" is soldered-in eMMC).
constexpr const char* kDeviceLink = "device";
constexpr const char* kMmcTypeFile = "type";
constexpr std::string_view kSdCardType = "SD";
constexpr std::string_view kFlagSet = "1";
// A device on a USB bus lies below a root hub's folder "usb1", "usb2", ...
constexpr std::string_view kUsbBusPrefix = "usb";

struct MountEntry {
    long id = 0;
    long parentId = 0;
    std::string root;
    std::string mountPoint;  // unescaped, UTF-8
    std::string fsType;
    std::string source;  // unescaped
};

std::string Unescape(std::string_view field) {
    std::string text;
    text.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == kEscape && i + kOctalDigits < field.size()) {
            int value = 0;
            bool octal = true;
            for (std::size_t k = 1; k <= kOctalDigits; ++k) {
                const char digit = field[i + k];
                if (digit < '0' || digit > '7') {
                    octal = false;
                    break;
                }
                value = value * kOctalBase + (digit - '0');
            }
            if (octal) {
                text += static_cast<char>(value);
                i += kOctalDigits;
                continue;
            }
        }
        text += field[i];
    }
    return text;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (start < line.size()) {
        const std::size_t end = std::min(line.find(' ', start), line.size());
        if (end > start) fields.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

bool ParseId(std::string_view field, long& id) {
    const char* last = field.data() + field.size();
    const auto [ptr, error] = std::from_chars(field.data(), last, id);
    return error == std::errc() && ptr == last;
}

// One line of mountinfo; false for a line that does not have the fields we need.
bool ParseLine(std::string_view line, MountEntry& entry) {
    const std::vector<std::string_view> fields = SplitFields(line);
    if (fields.size() < kFixedFieldCount) return false;
    const auto separator = std::find(fields.begin() + kFixedFieldCount, fields.end(), kSeparatorField);
    if (separator == fields.end()) return false;
    const auto separatorIndex = static_cast<std::size_t>(separator - fields.begin());
    if (separatorIndex + kSourceAfterSeparator >= fields.size()) return false;
    if (!ParseId(fields[kMountIdField], entry.id) || !ParseId(fields[kParentIdField], entry.parentId)) return false;
    entry.root = Unescape(fields[kRootField]);
    entry.mountPoint = Unescape(fields[kMountPointField]);
    entry.fsType = std::string(fields[separatorIndex + kFsTypeAfterSeparator]);
    entry.source = Unescape(fields[separatorIndex + kSourceAfterSeparator]);
    return true;
}

std::vector<MountEntry> ParseMountInfo(const std::string& mountinfo) {
    std::vector<MountEntry> entries;
    std::istringstream lines(mountinfo);
    std::string line;
    while (std::getline(lines, line)) {
        MountEntry entry;
        if (ParseLine(line, entry)) entries.push_back(std::move(entry));
    }
    return entries;
}

// The strict ancestors of an absolute path: "/a/b/c" has "/a/b", "/a" and "/".
std::vector<std::string> AncestorsOf(const std::string& path) {
    std::vector<std::string> ancestors;
    std::size_t slash = path.rfind('/');
    while (slash != std::string::npos && slash > 0) {
        ancestors.push_back(path.substr(0, slash));
        slash = path.rfind('/', slash - 1);
    }
    if (path.size() > 1 && path.front() == '/') ancestors.emplace_back(kSystemRoot);
    return ancestors;
}

// Whether a path can reach each mount. A later mount hides an earlier one when it sits on top
// of it at the same place (it then has the earlier one as its parent) or on a folder above it
// within the same parent (which also covers what is mounted inside a mount that was itself
// covered at its own place); a mount is also unreachable when the mount it sits in is hidden.
// The root of the table names itself or an unlisted mount as its parent.
std::vector<bool> Reachable(const std::vector<MountEntry>& entries) {
    std::unordered_map<long, std::size_t> byId;
    std::set<std::pair<long, std::string>> placed;  // (parent ID, mount point)
    for (std::size_t i = 0; i < entries.size(); ++i) {
        byId.emplace(entries[i].id, i);
        if (entries[i].parentId != entries[i].id) placed.emplace(entries[i].parentId, entries[i].mountPoint);
    }
    std::vector<bool> stackedOver(entries.size(), false);
    std::vector<bool> shadowed(entries.size(), false);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const MountEntry& entry = entries[i];
        stackedOver[i] = placed.count({entry.id, entry.mountPoint}) != 0;
        const std::vector<std::string> ancestors = AncestorsOf(entry.mountPoint);
        shadowed[i] = std::any_of(ancestors.begin(), ancestors.end(), [&](const std::string& ancestor) {
            return placed.count({entry.parentId, ancestor}) != 0;
        });
    }
    std::vector<bool> reachable(entries.size(), false);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (stackedOver[i]) continue;
        std::size_t current = i;
        // A well-formed table has no cycles; the bound only guards against a broken one.
        for (std::size_t step = 0; step <= entries.size(); ++step) {
            if (shadowed[current]) break;
            const MountEntry& entry = entries[current];
            const auto parent = byId.find(entry.parentId);
            if (parent == byId.end() || entry.parentId == entry.id) {
                reachable[i] = true;
                break;
            }
            current = parent->second;
        }
    }
    return reachable;
}

bool InHotPlugFolder(const std::string& mountPoint) {
    return std::any_of(kHotPlugFolders.begin(), kHotPlugFolders.end(), [&](std::string_view folder) {
        return mountPoint.starts_with(folder);
    });
}

bool IsRemovableSource(const std::string& source, const std::function<bool(const std::string&)>& removable) {
    if (!source.starts_with(kDevicePrefix)) return false;
    const std::string name = source.substr(kDevicePrefix.size());
    if (name.empty() || name.starts_with(kMapperPrefix) || name.starts_with(kDeviceMapperPrefix)) return false;
    return removable(name);
}

bool IsCardMount(const MountEntry& entry, const std::function<bool(const std::string&)>& removable) {
    if (entry.root != kWholeFileSystemRoot || entry.mountPoint == kSystemRoot) return false;
    if (!entry.mountPoint.starts_with(kSystemRoot)) return false;
    if (std::find(std::begin(kNotCardFileSystems), std::end(kNotCardFileSystems), entry.fsType) !=
        std::end(kNotCardFileSystems)) {
        return false;
    }
    return InHotPlugFolder(entry.mountPoint) || IsRemovableSource(entry.source, removable);
}

// The first word of a small sysfs file; empty when it cannot be read.
std::string ReadWord(const fs::path& file) {
    std::ifstream in(file);
    std::string word;
    in >> word;
    return word;
}

bool FlagSet(const fs::path& device) { return ReadWord(device / kRemovableFile) == kFlagSet; }

bool IsSdCard(const fs::path& device) { return ReadWord(device / kDeviceLink / kMmcTypeFile) == kSdCardType; }

bool OnUsbBus(const fs::path& device, const fs::path& sysfsRoot) {
    const fs::path relative = device.lexically_relative(sysfsRoot);
    const fs::path& inside = relative.empty() ? device : relative;
    return std::any_of(inside.begin(), inside.end(),
                       [](const fs::path& part) { return part.string().starts_with(kUsbBusPrefix); });
}

std::string UnescapeUdev(const std::string& name) {
    std::string text;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name.compare(i, kUdevEscape.size(), kUdevEscape) == 0 &&
            i + kUdevEscape.size() + kUdevHexDigits <= name.size()) {
            int value = 0;
            const char* first = name.data() + i + kUdevEscape.size();
            const auto [ptr, error] = std::from_chars(first, first + kUdevHexDigits, value, kHexBase);
            if (error == std::errc() && ptr == first + kUdevHexDigits) {
                text += static_cast<char>(value);
                i += kUdevEscape.size() + kUdevHexDigits - 1;
                continue;
            }
        }
        text += name[i];
    }
    return text;
}

}  // namespace

std::string MountSource(const std::string& mountinfo, const std::string& mountPoint) {
    const std::vector<MountEntry> entries = ParseMountInfo(mountinfo);
    const std::vector<bool> reachable = Reachable(entries);
    std::string source;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (reachable[i] && entries[i].mountPoint == mountPoint) source = entries[i].source;
    }
    return source;
}

bool MountedAt(const std::string& mountinfo, const std::string& mountPoint) {
    const std::vector<MountEntry> entries = ParseMountInfo(mountinfo);
    const std::vector<bool> reachable = Reachable(entries);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (reachable[i] && entries[i].mountPoint == mountPoint) return true;
    }
    return false;
}

std::string MountLabel(const std::string& mountinfo, const std::string& mountPoint, const std::string& byLabelFolder) {
    const std::string source = MountSource(mountinfo, mountPoint);
    std::error_code error;
    const fs::path device = source.empty() ? fs::path() : fs::canonical(source, error);
    if (!device.empty() && !error) {
        for (fs::directory_iterator link(byLabelFolder, error), end; !error && link != end; link.increment(error)) {
            std::error_code linkError;
            if (fs::canonical(link->path(), linkError) == device && !linkError) {
                return UnescapeUdev(link->path().filename().string());
            }
        }
    }
    const std::size_t slash = mountPoint.find_last_of('/');
    return slash == std::string::npos ? mountPoint : mountPoint.substr(slash + 1);
}

std::vector<std::string> RemovableMountPoints(const std::string& mountinfo,
                                              const std::function<bool(const std::string&)>& removable) {
    const std::vector<MountEntry> entries = ParseMountInfo(mountinfo);
    const std::vector<bool> reachable = Reachable(entries);
    std::set<std::string> drives;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (reachable[i] && IsCardMount(entries[i], removable)) drives.insert(Utf8ToCp1251(entries[i].mountPoint));
    }
    return {drives.begin(), drives.end()};
}

bool IsRemovableBlockDevice(const std::string& sysClassBlock, const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) return false;
    std::error_code error;
    // The class folder holds links into the device tree, e.g. sdb1 -> ../../devices/.../block/sdb/sdb1.
    const fs::path device = fs::canonical(fs::path(sysClassBlock) / name, error);
    if (error) return false;
    if (FlagSet(device) || IsSdCard(device)) return true;
    if (fs::exists(device / kPartitionFile, error)) {
        const fs::path disk = device.parent_path();
        if (FlagSet(disk) || IsSdCard(disk)) return true;
    }
    // sysfs is mounted two levels above its class/block folder.
    const fs::path sysfsRoot = fs::weakly_canonical(fs::path(sysClassBlock) / ".." / "..", error);
    return OnUsbBus(device, error ? fs::path() : sysfsRoot);
}

std::string MountInfo() {
    std::ifstream in(kMountInfoFile);
    std::ostringstream contents;
    if (in) contents << in.rdbuf();
    return contents.str();
}

std::string PosixDrives::VolumeLabel(const std::string& root) {
    return Utf8ToCp1251(MountLabel(MountInfo(), NativeName(root), kByLabelFolder));
}

bool PosixDrives::IsMountPoint(const std::string& folder) {
    std::error_code error;
    const fs::path path = fs::canonical(fs::path(NativeName(folder)), error);
    return !error && MountedAt(MountInfo(), path.string());
}

std::vector<std::string> PosixDrives::RemovableDrives() {
    // UDisks2's removable volumes, and the mount table's.
    std::set<std::string> drives;
    if (udisks2::Available()) {
        for (const udisks2::Volume& volume : udisks2::Volumes()) drives.insert(Utf8ToCp1251(volume.mountPoint));
    }
    const std::string mountinfo = MountInfo();
    for (const std::string& root : MountTableDrives(mountinfo)) drives.insert(root);
    return {drives.begin(), drives.end()};
}

std::vector<std::string> PosixDrives::MountTableDrives(const std::string& mountinfo) {
    if (mountinfo.empty()) return {};
    return RemovableMountPoints(mountinfo, [](const std::string& name) {
        // A source may be a link such as /dev/disk/by-uuid/1234-ABCD; the kernel's name is that
        // of the device node it leads to.
        std::error_code error;
        const fs::path node = fs::canonical(fs::path(kDeviceFolder) / name, error);
        if (error) return false;
        const std::string kernelName = node.filename().string();
        if (kernelName.starts_with(kDeviceMapperPrefix)) return false;
        return IsRemovableBlockDevice(kSysClassBlock, kernelName);
    });
}

}  // namespace platform

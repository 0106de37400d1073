// The Linux list of removable drives: mount tables captured from desktops, and sysfs trees
// shaped like the kernel's in a temporary folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/posix/Posixplatform.h"
#include "support/Testsupport.h"

using testsupport::A;
using testsupport::MakeDirs;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

using Names = std::vector<std::string>;

// Says yes for the device names in the set.
std::function<bool(const std::string&)> RemovableAmong(std::set<std::string> names) {
    return [names = std::move(names)](const std::string& name) { return names.count(name) != 0; };
}

bool Everything(const std::string&) { return true; }
bool Nothing(const std::string&) { return false; }

// A Debian desktop: internal SATA disk, an SD card in the laptop's slot, a USB stick the user
// plugged in first (mounted by a desktop that uses /run/media), an exFAT stick with a Cyrillic
// label (the kernel writes its UTF-8 bytes as they are), a disk image mounted through exFAT's
// FUSE driver, a USB stick mounted by hand under /mnt, a folder of the USB stick bound into the
// home folder, and the SD card mounted a second time on top of itself.
const char* const kDebianDesktop =
    R"(21 28 0:20 / /sys rw,nosuid,nodev,noexec,relatime shared:7 - sysfs sysfs rw
22 28 0:21 / /proc rw,nosuid,nodev,noexec,relatime shared:12 - proc proc rw
23 28 0:5 / /dev rw,nosuid,relatime shared:2 - devtmpfs udev rw,size=8123456k,nr_inodes=2030864,mode=755,inode64
24 23 0:22 / /dev/pts rw,nosuid,noexec,relatime shared:3 - devpts devpts rw,gid=5,mode=620,ptmxmode=000
25 28 0:23 / /run rw,nosuid,nodev,noexec,relatime shared:5 - tmpfs tmpfs rw,size=1630000k,mode=755,inode64
28 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw,errors=remount-ro
29 21 0:6 / /sys/kernel/security rw,nosuid,nodev,noexec,relatime shared:8 - securityfs securityfs rw
30 23 0:24 / /dev/shm rw,nosuid,nodev shared:4 - tmpfs tmpfs rw,inode64
33 21 0:27 / /sys/fs/cgroup rw,nosuid,nodev,noexec,relatime shared:9 - cgroup2 cgroup2 rw,nsdelegate,memory_recursiveprot
45 28 8:1 / /boot/efi rw,relatime shared:29 - vfat /dev/sda1 rw,fmask=0077,dmask=0077,codepage=437,iocharset=ascii,shortname=mixed,utf8,errors=remount-ro
47 28 8:3 / /home rw,relatime shared:31 - ext4 /dev/sda3 rw
52 25 0:45 / /run/user/1000 rw,nosuid,nodev,relatime shared:390 - tmpfs tmpfs rw,size=1629996k,nr_inodes=407499,mode=700,uid=1000,gid=1000,inode64
54 52 0:46 / /run/user/1000/gvfs rw,nosuid,nodev,relatime shared:402 - fuse.gvfsd-fuse gvfsd-fuse rw,user_id=1000,group_id=1000
60 28 0:50 / /var/lib/docker/overlay2/3f1c/merged rw,relatime shared:500 - overlay overlay rw,lowerdir=/var/lib/docker/overlay2/l/AB:/var/lib/docker/overlay2/l/CD,upperdir=/var/lib/docker/overlay2/3f1c/diff,workdir=/var/lib/docker/overlay2/3f1c/work
61 28 7:0 / /snap/core22/1122 ro,nodev,relatime shared:300 - squashfs /dev/loop0 ro
72 25 8:17 / /run/media/user/ZWQ\040BOOKS rw,nosuid,nodev,relatime shared:610 - vfat /dev/sdb1 rw,uid=1000,gid=1000,fmask=0022,dmask=0022,codepage=437,iocharset=iso8859-1,shortname=mixed,showexec,utf8,flush,errors=remount-ro
70 28 179:1 / /media/user/CARD rw,nosuid,nodev,relatime shared:600 - vfat /dev/mmcblk0p1 rw,uid=1000,gid=1000,fmask=0022,dmask=0022,codepage=437,iocharset=iso8859-1,shortname=mixed,showexec,utf8,flush,errors=remount-ro
74 28 8:33 / /media/user/Книги rw,nosuid,nodev,relatime shared:620 - exfat /dev/sdc1 rw,uid=1000,gid=1000,fmask=0022,dmask=0022,iocharset=utf8,errors=remount-ro
76 28 7:5 / /media/user/IMAGE rw,nosuid,nodev,relatime shared:630 - fuseblk /dev/loop5 rw,user_id=0,group_id=0,default_permissions,allow_other,blksize=4096
78 28 8:4 / /mnt/data rw,relatime shared:640 - ext4 /dev/sda4 rw
80 28 8:49 / /mnt/usb rw,relatime shared:650 - vfat /dev/sdd1 rw,fmask=0022,dmask=0022,codepage=437,iocharset=ascii,shortname=mixed,utf8,errors=remount-ro
82 47 8:17 /BOOKS /home/user/books rw,relatime shared:610 - vfat /dev/sdb1 rw,uid=1000,gid=1000,fmask=0022,dmask=0022
84 70 179:1 / /media/user/CARD rw,nosuid,nodev,relatime shared:660 - vfat /dev/mmcblk0p1 rw,uid=1000,gid=1000,fmask=0022,dmask=0022
)";

}  // namespace

TEST(RemovableMountPoints, DesktopCardsComeInPathOrderEachOnce) {
    const Names drives =
        platform::RemovableMountPoints(kDebianDesktop, RemovableAmong({"mmcblk0p1", "sdb1", "sdc1", "sdd1"}));
    const Names expected = {"/media/user/CARD", "/media/user/IMAGE", A("/media/user/Книги"), "/mnt/usb",
                            "/run/media/user/ZWQ BOOKS"};
    EXPECT_EQ(drives, expected);
}

TEST(RemovableMountPoints, WithoutRemovableDevicesOnlyTheHotPlugFoldersCount) {
    const Names drives = platform::RemovableMountPoints(kDebianDesktop, Nothing);
    const Names expected = {"/media/user/CARD", "/media/user/IMAGE", A("/media/user/Книги"),
                            "/run/media/user/ZWQ BOOKS"};
    EXPECT_EQ(drives, expected);
}

TEST(RemovableMountPoints, EscapedCharactersOfMountPointsAreDecoded) {
    const std::string mountinfo =
        R"(28 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw
90 28 8:17 / /media/user/tab\011name rw,relatime shared:700 - vfat /dev/sdb1 rw
91 28 8:33 / /media/user/line\012break rw,relatime shared:701 - vfat /dev/sdc1 rw
92 28 8:49 / /media/user/back\134slash rw,relatime shared:702 - vfat /dev/sdd1 rw
93 28 8:65 / /media/user/\320\234\320\276\320\270\040\320\272\320\275\320\270\320\263\320\270 rw - vfat /dev/sde1 rw
94 28 8:81 / /media/user/odd\9x\04 rw,relatime shared:703 - vfat /dev/sdf1 rw
)";
    const Names drives = platform::RemovableMountPoints(mountinfo, Nothing);
    const Names expected = {"/media/user/back\\slash", "/media/user/line\nbreak", "/media/user/odd\\9x\\04",
                            "/media/user/tab\tname", A("/media/user/Мои книги")};
    EXPECT_EQ(drives, expected);
}

TEST(RemovableMountPoints, HiddenMountsAreLeftOut) {
    // The table's root names itself as parent and has the real root on top of it. Then: an
    // automounter's placeholder with the card on top of it; a stick under /mnt covered by a
    // later tmpfs at the same place; a folder of cards covered as a whole, which hides the card
    // mounted in the covered folder; /run/media mounted after a stick below it, which hides the
    // stick; and two cards with the same label, which the desktop mounts at CARD and CARD1.
    const std::string mountinfo =
        R"(1 1 0:1 / / rw - rootfs rootfs rw
28 1 8:17 / / rw,relatime shared:1 - ext4 /dev/sdb2 rw
40 28 0:60 / /media/auto rw,relatime shared:800 - autofs systemd-1 rw,fd=50,pgrp=1,timeout=0,minproto=5,maxproto=5,direct
41 40 8:17 / /media/auto rw,relatime shared:801 - vfat /dev/sdb1 rw
50 28 8:33 / /mnt/stick rw,relatime shared:810 - vfat /dev/sdc1 rw
51 50 0:61 / /mnt/stick rw,relatime shared:811 - tmpfs tmpfs rw
60 28 0:62 / /mnt/cards rw,relatime shared:820 - tmpfs tmpfs rw
61 60 8:49 / /mnt/cards/OLD rw,relatime shared:821 - vfat /dev/sdd1 rw
62 60 0:63 / /mnt/cards rw,relatime shared:822 - tmpfs tmpfs rw
63 62 8:97 / /mnt/cards/NEW rw,relatime shared:823 - vfat /dev/sdg1 rw
64 28 179:1 / /media/user/CARD rw,relatime shared:824 - vfat /dev/mmcblk0p1 rw
65 28 179:9 / /media/user/CARD1 rw,relatime shared:825 - vfat /dev/mmcblk1p1 rw
70 28 8:65 / /run/media/user/STICK rw,relatime shared:830 - vfat /dev/sde1 rw
71 28 0:64 / /run/media rw,relatime shared:831 - tmpfs tmpfs rw
72 71 8:81 / /run/media/user/NEW rw,relatime shared:832 - vfat /dev/sdf1 rw
)";
    const Names drives = platform::RemovableMountPoints(mountinfo, Everything);
    const Names expected = {"/media/auto", "/media/user/CARD", "/media/user/CARD1", "/mnt/cards/NEW",
                            "/run/media/user/NEW"};
    EXPECT_EQ(drives, expected);

    // A container's table: its root names itself and the cards sit right in it.
    const std::string container =
        R"(15 15 0:70 / / rw,relatime - overlay overlay rw,lowerdir=/l,upperdir=/u,workdir=/w
16 15 8:17 / /media/card rw,relatime - vfat /dev/sdb1 rw
17 15 8:33 / /mnt/card rw,relatime - vfat /dev/sdc1 rw
)";
    const Names inContainer = platform::RemovableMountPoints(container, Everything);
    const Names expectedInContainer = {"/media/card", "/mnt/card"};
    EXPECT_EQ(inContainer, expectedInContainer);
}

TEST(RemovableMountPoints, OnlyWholeRemovableFileSystemsCount) {
    // Every device says it is removable; what is left out is so for the kind of mount.
    const std::string mountinfo =
        R"(28 1 8:17 / / rw,relatime shared:1 - ext4 /dev/sdb1 rw
30 28 0:21 / /proc rw,nosuid,nodev,noexec,relatime shared:12 - proc proc rw
31 28 0:64 / /media/user/ram rw,relatime shared:830 - tmpfs tmpfs rw
32 28 0:65 / /media/user/server rw,nosuid,nodev,relatime shared:831 - fuse.sshfs user@server:/books rw,user_id=1000,group_id=1000
33 28 0:66 / /media/nas rw,relatime shared:832 - cifs //nas/books rw,vers=3.1.1
34 28 8:18 /home/user/shared /media/user/shared rw,relatime shared:833 - ext4 /dev/sdb2 rw
35 28 254:0 / /mnt/secret rw,relatime shared:834 - ext4 /dev/mapper/luks-0b1f rw
36 28 254:1 / /mnt/volume rw,relatime shared:835 - ext4 /dev/dm-1 rw
37 28 254:2 / /media/user/SECRET rw,nosuid,nodev,relatime shared:836 - ext4 /dev/mapper/luks-7c2e rw
38 28 8:33 / /mnt/by-label rw,relatime shared:837 - vfat /dev/disk/by-uuid/1234-ABCD rw
)";
    const Names drives = platform::RemovableMountPoints(
        mountinfo, RemovableAmong({"sdb1", "sdb2", "disk/by-uuid/1234-ABCD", "mapper/luks-0b1f", "dm-1"}));
    const Names expected = {"/media/user/SECRET", "/mnt/by-label"};
    EXPECT_EQ(drives, expected);
}

TEST(RemovableMountPoints, BrokenLinesAreSkipped) {
    EXPECT_TRUE(platform::RemovableMountPoints("", Everything).empty());
    const std::string mountinfo =
        R"(garbage
70 28 179:1 / /media/user/NOSEP rw,relatime vfat /dev/mmcblk0p1 rw
71 28 179:1 / /media/user/SHORT rw,relatime -
x 28 179:1 / /media/user/BADID rw,relatime - vfat /dev/mmcblk0p1 rw
73 28 179:1 /

74 28 179:1 / /media/user/NOOPTIONALFIELDS rw,relatime - vfat /dev/mmcblk0p1
75 28 179:1 / /media/user/MANYOPTIONALFIELDS rw,relatime shared:1 master:2 propagate_from:3 unbindable - vfat /dev/mmcblk0p1 rw)";
    const Names drives = platform::RemovableMountPoints(mountinfo, Everything);
    const Names expected = {"/media/user/MANYOPTIONALFIELDS", "/media/user/NOOPTIONALFIELDS"};
    EXPECT_EQ(drives, expected);
}

// A card folder is the card while a volume a path can reach is mounted there: of any file
// system, on a removable drive or not.
TEST(MountedAt, AFolderIsAMountPointWhileAReachableMountLiesThere) {
    const std::string mountinfo = std::string(kDebianDesktop) +
                                  "90 28 0:70 / /mnt/cards rw - tmpfs tmpfs rw\n"
                                  "91 90 8:97 / /mnt/cards/OLD rw - ext4 /dev/sdg1 rw\n"
                                  "92 90 0:71 / /mnt/cards rw - tmpfs tmpfs rw\n";
    const std::pair<const char*, bool> cases[] = {
        {"/mnt/data", true},                  // a fixed disk's partition
        {"/run/media/user/ZWQ BOOKS", true},  // written escaped in the table
        {"/home/user/books", true},           // a folder of a volume bound there
        {"/mnt/data/books", false},           // a folder inside a mount
        {"/mnt/cards/OLD", false},            // hidden by a mount above it
    };
    for (const auto& [folder, mounted] : cases) EXPECT_EQ(platform::MountedAt(mountinfo, folder), mounted) << folder;
}

namespace {

namespace fs = std::filesystem;

// A sysfs tree in a temporary folder: devices under sys/devices, links to them in
// sys/class/block, as the kernel lays them out.
class FakeSysfs {
public:
    explicit FakeSysfs(const TempDir& dir) : root_(dir / "sys") { MakeDirs(ClassBlock()); }

    // sys/class/block as the system names it.
    std::string ClassBlock() const { return platform::NativeName(root_) + "/class/block"; }

    // A disk at devicePath (below sys/devices) with the given removable flag ("" for no file).
    std::string AddDisk(const std::string& devicePath, const std::string& removable) {
        const std::string folder = root_ + "/devices/" + devicePath;
        MakeDirs(folder);
        if (!removable.empty()) WriteFile(folder + "/removable", removable + "\n");
        Link(devicePath);
        return devicePath;
    }

    // A partition of a disk added before, with an optional removable flag of its own.
    void AddPartition(const std::string& diskPath, const std::string& name, const std::string& removable) {
        const std::string devicePath = diskPath + "/" + name;
        const std::string folder = root_ + "/devices/" + devicePath;
        WriteFile(folder + "/partition", "1\n");
        if (!removable.empty()) WriteFile(folder + "/removable", removable + "\n");
        Link(devicePath);
    }

    // The disk's "device" link to the MMC card folder three levels up, with the card's type.
    void SetMmcType(const std::string& diskPath, const std::string& type) {
        const std::string disk = platform::NativeName(root_ + "/devices/" + diskPath);
        const fs::path card = fs::path(disk).parent_path().parent_path();
        WriteFile(platform::FromFsPath(card / "type"), type + "\n");
        fs::create_directory_symlink("../..", fs::path(disk) / "device");
    }

private:
    void Link(const std::string& devicePath) {
        const std::string name = fs::path(devicePath).filename().string();
        fs::create_directory_symlink("../../devices/" + devicePath, fs::path(ClassBlock()) / name);
    }

    std::string root_;
};

const char* const kUsbDisk = "pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0/block/sdb";
const char* const kInternalReaderDisk = "pci0000:00/0000:00:1f.2/ata3/host2/target2:0:0/2:0:0:0/block/sdc";
const char* const kSataDisk = "pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/block/sda";
const char* const kSdCard =
    "pci0000:00/0000:00:1c.0/0000:02:00.0/rtsx_pci_sdmmc.0/mmc_host/mmc0/mmc0:aaaa/block/mmcblk0";
const char* const kEmmc = "platform/fe310000.mmc/mmc_host/mmc1/mmc1:0001/block/mmcblk1";
const char* const kLoop = "virtual/block/loop0";

}  // namespace

TEST(RemovableBlockDevice, RemovableFlagOfTheDiskCoversItsPartitions) {
    TempDir dir;
    FakeSysfs sysfs(dir);
    const std::string reader = sysfs.AddDisk(kInternalReaderDisk, "1");
    sysfs.AddPartition(reader, "sdc1", "0");
    sysfs.AddPartition(reader, "sdc2", "");
    EXPECT_TRUE(platform::IsRemovableBlockDevice(sysfs.ClassBlock(), "sdc"));
    EXPECT_TRUE(platform::IsRemovableBlockDevice(sysfs.ClassBlock(), "sdc1"));
    EXPECT_TRUE(platform::IsRemovableBlockDevice(sysfs.ClassBlock(), "sdc2"));
}

TEST(RemovableBlockDevice, UsbAttachedDisksAreHotPlugWhateverTheirFlag) {
    TempDir dir;
    FakeSysfs sysfs(dir);
    const std::string stick = sysfs.AddDisk(kUsbDisk, "0");
    sysfs.AddPartition(stick, "sdb1", "");
    EXPECT_TRUE(platform::IsRemovableBlockDevice(sysfs.ClassBlock(), "sdb"));
    EXPECT_TRUE(platform::IsRemovableBlockDevice(sysfs.ClassBlock(), "sdb1"));
}

TEST(RemovableBlockDevice, SdCardsCountButSolderedMemoryDoesNot) {
    TempDir dir;
    FakeSysfs sysfs(dir);
    const std::string card = sysfs.AddDisk(kSdCard, "0");
    sysfs.AddPartition(card, "mmcblk0p1", "");
    sysfs.SetMmcType(card, "SD");
    const std::string emmc = sysfs.AddDisk(kEmmc, "0");
    sysfs.AddPartition(emmc, "mmcblk1p1", "");
    sysfs.SetMmcType(emmc, "MMC");
    EXPECT_TRUE(platform::IsRemovableBlockDevice(sysfs.ClassBlock(), "mmcblk0"));
    EXPECT_TRUE(platform::IsRemovableBlockDevice(sysfs.ClassBlock(), "mmcblk0p1"));
    EXPECT_FALSE(platform::IsRemovableBlockDevice(sysfs.ClassBlock(), "mmcblk1"));
    EXPECT_FALSE(platform::IsRemovableBlockDevice(sysfs.ClassBlock(), "mmcblk1p1"));
}

TEST(RemovableBlockDevice, InternalAndVirtualDisksAreNot) {
    TempDir dir;
    FakeSysfs sysfs(dir);
    const std::string disk = sysfs.AddDisk(kSataDisk, "0");
    sysfs.AddPartition(disk, "sda1", "");
    sysfs.AddDisk(kLoop, "0");
    EXPECT_FALSE(platform::IsRemovableBlockDevice(sysfs.ClassBlock(), "sda"));
    EXPECT_FALSE(platform::IsRemovableBlockDevice(sysfs.ClassBlock(), "sda1"));
    EXPECT_FALSE(platform::IsRemovableBlockDevice(sysfs.ClassBlock(), "loop0"));
    // Devices the folder does not have.
    EXPECT_FALSE(platform::IsRemovableBlockDevice(sysfs.ClassBlock(), "sdz"));
    EXPECT_FALSE(platform::IsRemovableBlockDevice(sysfs.ClassBlock() + "/missing", "sda"));
}

TEST(PosixDrives, ListsMountedFoldersOfThisMachine) {
    platform::PosixDrives drives;
    for (const std::string& drive : drives.RemovableDrives()) {
        EXPECT_NE(drive, "/");
        EXPECT_FALSE(drive.empty());
        EXPECT_NE(drive.back(), '/') << drive;
        EXPECT_TRUE(testsupport::IsDirectory(drive)) << drive;
    }
}

// A card is offered by its label: udev's link to the mount's device names it, else the mount
// point does (desktops name it after the label).
TEST(PosixDrives, TheLabelComesFromUdevsLinksElseFromTheMountPoint) {
    TempDir dir;
    const std::string dev = dir / "dev";
    for (const char* device : {"sdb1", "sdc1", "mmcblk0p1"}) WriteFile(dev + "/" + device, "");
    MakeDirs(dev + "/disk/by-label");
    std::filesystem::create_symlink("../../sdc1", platform::ToFsPath(dev + A("/disk/by-label/КНИГИ\\x20ZWQ")));
    std::filesystem::create_symlink("../../sdb1", platform::ToFsPath(dev + "/disk/by-label/OTHER"));
    const std::string devUtf8 = platform::Cp1251ToUtf8(dev);
    const std::string mountinfo =
        "70 28 179:1 / /media/user/CARD rw - vfat " + devUtf8 + "/mmcblk0p1 rw\n"
        "72 25 8:17 / /run/media/user/ZWQ\\040BOOKS rw - vfat " + devUtf8 + "/sdb1 rw\n"
        "80 28 8:33 / /mnt/usb rw - vfat " + devUtf8 + "/sdc1 rw\n";
    const std::string byLabel = platform::Cp1251ToUtf8(dev + "/disk/by-label");
    const std::pair<const char*, const char*> cases[] = {
        {"/mnt/usb", "КНИГИ ZWQ"},
        {"/run/media/user/ZWQ BOOKS", "OTHER"},
        {"/media/user/CARD", "CARD"},
        {"/media/user/unmounted", "unmounted"},
    };
    for (const auto& [mountPoint, label] : cases) {
        EXPECT_EQ(platform::MountLabel(mountinfo, mountPoint, byLabel), label) << mountPoint;
    }
}

// Who a mounted volume is, taking it out safely, and noticing volumes come and go on Linux:
// the mount table changes (poll() on /proc/self/mountinfo signals POLLPRI), whoever mounted.
#include <fcntl.h>
#include <poll.h>
#include <sys/mount.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/Codepage.h"
#include "platform/posix/Posixfd.h"
#include "platform/posix/Posixplatform.h"
#include "platform/posix/Udisks2.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

constexpr const char* kMountInfoFile = "/proc/self/mountinfo";
constexpr const char* kByUuidFolder = "/dev/disk/by-uuid";
constexpr std::size_t kProbeBytes = 4096;

// ext2/3/4: the superblock at 1024, its magic 0xEF53 at 0x38 and UUID at 0x68 within it.
constexpr std::size_t kExtMagicAt = 1024 + 0x38;
constexpr std::size_t kExtUuidAt = 1024 + 0x68;
constexpr std::size_t kExtUuidBytes = 16;
// The boot sectors' names and serial numbers.
constexpr std::size_t kOemNameAt = 3;
constexpr std::size_t kExfatSerialAt = 100;
constexpr std::size_t kFat32TypeAt = 0x52, kFat32SerialAt = 0x43;
constexpr std::size_t kFat16TypeAt = 0x36, kFat16SerialAt = 0x27;
constexpr std::size_t kNtfsSerialAt = 0x48, kNtfsSerialBytes = 8;

unsigned char Byte(const std::string& data, std::size_t at) { return static_cast<unsigned char>(data[at]); }

bool Holds(const std::string& data, std::size_t at, const char* text) {
    const std::size_t size = std::strlen(text);
    return data.size() >= at + size && data.compare(at, size, text) == 0;
}

std::string Hex(const std::string& data, std::size_t at, std::size_t count, bool reversed, const char* format) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        std::array<char, 3> digits{};
        std::snprintf(digits.data(), digits.size(), format, Byte(data, reversed ? at + count - 1 - i : at + i));
        text += digits.data();
    }
    return text;
}

// A FAT or exFAT serial: four bytes, little-endian, as "1234-ABCD".
std::string Serial(const std::string& data, std::size_t at) {
    const std::string hex = Hex(data, at, 4, true, "%02X");
    return hex.substr(0, 4) + "-" + hex.substr(4);
}

std::string UuidByLink(const std::string& source) {
    std::error_code error;
    const fs::path device = fs::canonical(source, error);
    if (error) return std::string();
    for (fs::directory_iterator link(kByUuidFolder, error), end; !error && link != end; link.increment(error)) {
        std::error_code linkError;
        if (fs::canonical(link->path(), linkError) == device && !linkError) return link->path().filename().string();
    }
    return std::string();
}

std::string UuidBySectors(const std::string& source) {
    const Fd fd(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) return std::string();
    std::string data(kProbeBytes, '\0');
    const ssize_t got = ::pread(fd.get(), data.data(), data.size(), 0);
    if (got <= 0) return std::string();
    data.resize(static_cast<std::size_t>(got));
    return FileSystemUuid(data);
}

// The text the system gives for an error number, in Windows-1251.
std::string Reason(int error) { return Utf8ToCp1251(std::strerror(error)); }

// The UDisks2 volume mounted at mountPoint (UTF-8), where UDisks2 runs.
std::optional<udisks2::Volume> Udisks2Volume(const std::string& mountPoint) {
    if (!udisks2::Available()) return std::nullopt;
    for (udisks2::Volume& volume : udisks2::Volumes()) {
        if (volume.mountPoint == mountPoint) return std::move(volume);
    }
    return std::nullopt;
}

// Tells what either of two watchers tells.
class BothWatchers : public IVolumeWatcher {
public:
    BothWatchers(std::unique_ptr<IVolumeWatcher> first, std::unique_ptr<IVolumeWatcher> second)
        : first_(std::move(first)), second_(std::move(second)) {}
    void Start(std::function<void()> changed) override {
        first_->Start(changed);
        second_->Start(changed);
    }
    void Stop() override {
        first_->Stop();
        second_->Stop();
    }

private:
    std::unique_ptr<IVolumeWatcher> first_, second_;
};

// Waits on the mount table in a thread of its own; a pipe wakes it to stop.
class MountTableWatcher : public IVolumeWatcher {
public:
    ~MountTableWatcher() override { Stop(); }
    void Start(std::function<void()> changed) override {
        Stop();
        int fds[2] = {-1, -1};
        if (::pipe2(fds, O_CLOEXEC) != 0) return;
        wake_ = fds[1];
        thread_ = std::thread([this, stopFd = fds[0], changed = std::move(changed)] { Watch(stopFd, changed); });
    }
    void Stop() override {
        if (!thread_.joinable()) return;
        const char stop = 1;
        (void)!::write(wake_, &stop, 1);
        thread_.join();
        ::close(wake_);
        wake_ = -1;
    }

private:
    static void Watch(int stopFd, const std::function<void()>& changed) {
        const Fd stop(stopFd);
        const Fd table(::open(kMountInfoFile, O_RDONLY | O_CLOEXEC));
        if (!table.valid()) return;
        // Reading the table through marks it seen; the next change raises POLLPRI again. It is
        // read before the change is told, so a change made while the receiver looks is told anew.
        const auto readThrough = [&table] {
            std::array<char, 4096> buffer{};
            ::lseek(table.get(), 0, SEEK_SET);
            while (::read(table.get(), buffer.data(), buffer.size()) > 0) {
            }
        };
        readThrough();
        for (;;) {
            std::array<pollfd, 2> fds{pollfd{table.get(), POLLPRI, 0}, pollfd{stop.get(), POLLIN, 0}};
            if (::poll(fds.data(), fds.size(), -1) < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if ((fds[1].revents & (POLLIN | POLLHUP)) != 0) return;
            if ((fds[0].revents & (POLLPRI | POLLERR)) == 0) continue;
            readThrough();
            changed();
        }
    }

    std::thread thread_;
    int wake_ = -1;
};

}  // namespace

std::string FileSystemUuid(const std::string& data) {
    if (data.size() >= kExtUuidAt + kExtUuidBytes && Byte(data, kExtMagicAt) == 0x53 &&
        Byte(data, kExtMagicAt + 1) == 0xEF) {
        const std::string hex = Hex(data, kExtUuidAt, kExtUuidBytes, false, "%02x");
        return hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" + hex.substr(16, 4) + "-" +
               hex.substr(20);
    }
    if (Holds(data, kOemNameAt, "EXFAT   ")) return Serial(data, kExfatSerialAt);
    if (Holds(data, kOemNameAt, "NTFS    ")) return Hex(data, kNtfsSerialAt, kNtfsSerialBytes, true, "%02X");
    if (Holds(data, kFat32TypeAt, "FAT32")) return Serial(data, kFat32SerialAt);
    if (Holds(data, kFat16TypeAt, "FAT1")) return Serial(data, kFat16SerialAt);
    return std::string();
}

IDrives::VolumeIdentity PosixDrives::Identity(const std::string& root) {
    if (const auto volume = Udisks2Volume(NativeName(root))) {
        return VolumeIdentity{volume->uuid, Utf8ToCp1251(volume->label)};
    }
    VolumeIdentity identity{std::string(), VolumeLabel(root)};
    const std::string source = MountSource(MountInfo(), NativeName(root));
    if (source.rfind("/dev/", 0) != 0) return identity;
    identity.uuid = UuidByLink(source);
    if (identity.uuid.empty()) identity.uuid = UuidBySectors(source);
    return identity;
}

bool PosixDrives::Eject(const std::string& root, std::string& reason) {
    const std::string mountPoint = NativeName(root);
    ::sync();
    if (const auto volume = Udisks2Volume(mountPoint)) {
        if (udisks2::Eject(*volume, reason)) return true;
        reason = Utf8ToCp1251(reason);
        return false;
    }
    if (::umount2(mountPoint.c_str(), 0) == 0) return true;
    reason = Reason(errno);
    return false;
}

std::unique_ptr<IVolumeWatcher> NewVolumeWatcher() {
    if (!udisks2::Available()) return std::make_unique<MountTableWatcher>();
    return std::make_unique<BothWatchers>(std::make_unique<MountTableWatcher>(), udisks2::NewWatcher());
}

}  // namespace platform

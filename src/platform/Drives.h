#pragma once
// The removable drives a memory card can be attached as.

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class IDrives {
public:
    virtual ~IDrives() = default;
    // Roots of the removable drives, in the order the card-selection dialog lists them: on
    // Windows "A:\" to "Z:\" of type DRIVE_REMOVABLE; elsewhere the mount points of removable
    // or hot-plug devices.
    virtual std::vector<std::string> RemovableDrives() = 0;
    // The label of the volume at one of those roots, as the desktop shows it; empty when it has
    // none or the system does not say.
    virtual std::string VolumeLabel(const std::string& root) {
        static_cast<void>(root);
        return std::string();
    }
    // Who the volume at a root is, so that a card is known again at another root: its file
    // system's UUID or serial ("1234-ABCD"), as blkid and Windows show it, and its label.
    // Empty fields where the system does not say.
    struct VolumeIdentity {
        std::string uuid;
        std::string label;
    };
    virtual VolumeIdentity Identity(const std::string& root) {
        return VolumeIdentity{std::string(), VolumeLabel(root)};
    }
    // Whether a file system is mounted at the folder itself: it is then the root of a volume of
    // its own, and once that is unmounted the folder is an empty one of another volume. False
    // where the system does not say (a Windows drive's root goes with its volume).
    virtual bool IsMountPoint(const std::string& folder) {
        static_cast<void>(folder);
        return false;
    }
    // Makes the volume at root safe to take out: written out, unmounted and, where the drive
    // can, powered off. False with the system's reason (Windows-1251) when it refuses.
    virtual bool Eject(const std::string& root, std::string& reason) {
        static_cast<void>(root);
        reason.clear();
        return false;
    }
};

// Tells whenever volumes may have come or gone. changed is called on a thread of the
// watcher's own; the receiver looks at the drives again. Stopping (or destroying) waits until
// no call is under way.
class IVolumeWatcher {
public:
    virtual ~IVolumeWatcher() = default;
    virtual void Start(std::function<void()> changed) = 0;
    virtual void Stop() = 0;
};

// The watcher of this system; null where the window's own messages tell of volumes (Windows).
std::unique_ptr<IVolumeWatcher> NewVolumeWatcher();

}  // namespace platform

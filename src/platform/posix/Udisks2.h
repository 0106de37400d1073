#pragma once
// UDisks2, the desktop's disk service, where the system bus has it.

#include <memory>
#include <string>
#include <vector>

#include "platform/Drives.h"

namespace platform::udisks2 {

// A mounted file system of a removable or ejectable drive.
struct Volume {
    std::string mountPoint;  // UTF-8
    std::string uuid;        // Block.IdUUID
    std::string label;       // Block.IdLabel, UTF-8
    std::string blockPath;   // its object
    std::string drivePath;   // its drive's object
    bool canPowerOff = false;
};

// Whether org.freedesktop.UDisks2 answers on the system bus.
bool Available();
std::vector<Volume> Volumes();
// Filesystem.Unmount, then Drive.PowerOff where the drive can; false with UDisks2's reason.
bool Eject(const Volume& volume, std::string& reason);
// Tells of objects added and removed and of changed properties (mount points among them).
std::unique_ptr<IVolumeWatcher> NewWatcher();

}  // namespace platform::udisks2

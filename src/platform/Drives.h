#pragma once
// The removable drives a memory card can be attached as.

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
};

}  // namespace platform

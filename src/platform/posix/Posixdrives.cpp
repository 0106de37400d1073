#include "platform/posix/Posixplatform.h"

namespace platform {

std::vector<std::string> RemovableMountPoints(const std::string&, const std::function<bool(const std::string&)>&) {
    return {};
}

std::vector<std::string> PosixDrives::RemovableDrives() { return {}; }

}  // namespace platform

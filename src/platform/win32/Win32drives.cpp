#include "platform/win32/Win32platform.h"

namespace platform {
std::vector<std::string> Win32Drives::RemovableDrives() { return {}; }
}  // namespace platform

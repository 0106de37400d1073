#include <windows.h>

#include "platform/win32/Win32platform.h"

namespace platform {

std::vector<std::string> Win32Drives::RemovableDrives() {
    std::vector<std::string> roots;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const std::string root{letter, ':', '\\'};
        // A drive without a medium still reports its type; the program has asked the system
        // not to show a box for it.
        if (GetDriveTypeA(root.c_str()) == DRIVE_REMOVABLE) roots.push_back(root);
    }
    return roots;
}

}  // namespace platform

#include <windows.h>

#include "platform/Platform.h"
#include "platform/win32/Win32platform.h"

namespace platform {

Platform& NativePlatform() {
    // A drive without a medium (an empty card reader) answers queries with a failure instead
    // of the system's "insert a disk" box.
    static const UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    (void)previousMode;
    static Win32FileSystem files;
    static Win32ShellFolders folders;
    static Win32RarExtractor extractor;
    static Win32Drives drives;
    static Win32System system;
    static Win32Registry registry;
    static Platform platform{files, folders, extractor, drives, system, IntegrationStyle::ClassesRegistry, &registry};
    return platform;
}

}  // namespace platform

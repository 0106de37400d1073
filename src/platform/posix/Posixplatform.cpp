#include "platform/Platform.h"
#include "platform/posix/Posixplatform.h"

namespace platform {

Platform& NativePlatform() {
    static PosixFileSystem files;
    static PosixShellFolders folders;
    static LibarchiveExtractor extractor;
    static PosixDrives drives;
    static PosixSystem system;
    static Platform platform{files, folders, extractor, drives, system, IntegrationStyle::FreeDesktop, nullptr};
    return platform;
}

}  // namespace platform

#include "platform/Platform.h"
#include "platform/posix/Posixplatform.h"

namespace platform {

Platform& NativePlatform() {
    static PosixFileSystem files;
    static PosixShellFolders folders;
    static LibarchiveExtractor extractor;
    static Platform platform{files, folders, extractor};
    return platform;
}

}  // namespace platform

#pragma once
// The services of the operating system that the portable modules use, bundled so that a
// module can be given the real ones or, in a test, a different mix.

#include "platform/Archive.h"
#include "platform/Drives.h"
#include "platform/Files.h"
#include "platform/Integration.h"
#include "platform/Shellfolders.h"

namespace platform {

struct Platform {
    IFileSystem& files;
    IShellFolders& folders;
    IArchiveExtractor& extractor;
    IDrives& drives;
    ISystem& system;
    IntegrationStyle integrationStyle;
    // The registry, where the integration style uses one; null elsewhere.
    IClassesRegistry* registry;
};

// The real services of the system the program was built for.
Platform& NativePlatform();

}  // namespace platform

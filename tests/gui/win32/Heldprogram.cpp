// ZWQManager.exe as the window tests run it when they must look at long work in the middle: the
// same program, on files that hold the work at the point the test names in the environment
// (support/Heldfiles.h). Without that it is the program as users run it.

#include <windows.h>

#include "Program.h"
#include "platform/Platform.h"
#include "support/Heldfiles.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int showCommand) {
    platform::Platform& native = platform::NativePlatform();
    const auto held = testsupport::HeldFilesFromEnvironment();
    if (!held) return win32gui::RunProgram(instance, showCommand, native);
    platform::Platform platform{*held,        native.folders, native.extractor,       native.drives,
                                native.system, native.integrationStyle, native.registry};
    return win32gui::RunProgram(instance, showCommand, platform);
}

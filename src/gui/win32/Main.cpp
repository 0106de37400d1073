// Program entry of ZWQManager.exe: the program on the system's own services.

#include <windows.h>

#include "Program.h"
#include "platform/Platform.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int showCommand) {
    return win32gui::RunProgram(instance, showCommand, platform::NativePlatform());
}

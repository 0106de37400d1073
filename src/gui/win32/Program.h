#pragma once
// The Windows program on the given system services: the application object with its title, the
// main window, the card-selection dialog and the message loop. FormShow runs from the loop when
// the main window is first shown; the loop ends when the main window is destroyed or the
// application is asked to terminate. An exception that leaves all this is shown in a box.

#include <windows.h>

#include "platform/Platform.h"

namespace win32gui {

// Returns the program's exit code (always 0).
int RunProgram(HINSTANCE instance, int showCommand, platform::Platform& platform);

}  // namespace win32gui

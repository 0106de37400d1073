#include "Program.h"

#include <commctrl.h>

#include <exception>
#include <string>

#include "Cardselectdialog.h"
#include "Mainwindow.h"
#include "Nativecontrols.h"
#include "Win32application.h"
#include "app/Body.h"

namespace win32gui {

namespace {

constexpr int kExitCode = 0;

void ShowStartupException(const std::string& message) {
    MessageBoxW(nullptr, Wide(message).c_str(), Wide(MainFormTexts().applicationTitle).c_str(), MB_OK | MB_ICONERROR);
}

void Run(HINSTANCE instance, int showCommand, platform::Platform& platform) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES;
    InitCommonControlsEx(&controls);

    TWin32Application application(MainFormTexts().applicationTitle);
    // The dialog object exists before the window logic, which keeps a reference to it; its
    // window is made right after the main window, which owns it.
    TCardSelectDialog cardSelect;
    TMainWindow mainWindow(instance, application, cardSelect, platform);
    cardSelect.Create(instance, mainWindow.Handle());
    mainWindow.Show(showCommand);
    application.Run([&mainWindow](MSG& message) { return mainWindow.PreTranslate(message); });
}

}  // namespace

int RunProgram(HINSTANCE instance, int showCommand, platform::Platform& platform) {
    try {
        Run(instance, showCommand, platform);
    } catch (const std::exception& error) {
        ShowStartupException(error.what());
    } catch (...) {
        ShowStartupException(std::string());
    }
    return kExitCode;
}

}  // namespace win32gui

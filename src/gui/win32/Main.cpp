// Program entry of ZWQManager.exe: the application object with its title, the main window,
// the card-selection dialog and the message loop. FormShow runs from the loop when the main
// window is first shown; the loop ends when the main window is destroyed or the application
// is asked to terminate. An exception that leaves all this is shown in a box; the exit code
// is always 0.

#include <windows.h>

#include <commctrl.h>

#include <exception>
#include <memory>
#include <string>

#include "Cardselectdialog.h"
#include "Mainwindow.h"
#include "Nativecontrols.h"
#include "Win32application.h"
#include "app/Body.h"

namespace {

constexpr int kExitCode = 0;

void ShowStartupException(const std::string& message) {
    MessageBoxW(nullptr, win32gui::Wide(message).c_str(), win32gui::Wide(MainFormTexts().applicationTitle).c_str(),
                MB_OK | MB_ICONERROR);
}

void RunProgram(HINSTANCE instance, int showCommand) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&controls);

    win32gui::TWin32Application application(MainFormTexts().applicationTitle);
    // The dialog object exists before the window logic, which keeps a reference to it; its
    // window is made right after the main window, which owns it.
    win32gui::TCardSelectDialog cardSelect;
    win32gui::TMainWindow mainWindow(instance, application, cardSelect);
    cardSelect.Create(instance, mainWindow.Handle());
    mainWindow.Show(showCommand);
    application.Run([&mainWindow](MSG& message) { return mainWindow.PreTranslate(message); });
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int showCommand) {
    try {
        RunProgram(instance, showCommand);
    } catch (const std::exception& error) {
        ShowStartupException(error.what());
    } catch (...) {
        ShowStartupException(std::string());
    }
    return kExitCode;
}

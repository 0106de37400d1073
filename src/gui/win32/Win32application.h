#pragma once
// The application object of the Windows program: its title, its command line as
// Windows-1251 text, the message loop, and the two ways the program ends (closing the main
// window, or a request to terminate that takes effect once control is back in the loop).

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/Controls.h"

namespace win32gui {

class TWin32Application : public ui::IApplication {
public:
    // Takes the arguments from the process's command line (CommandLineToArgvW).
    explicit TWin32Application(std::string title);

    const std::string& Title() const { return title_; }
    void SetMainWindow(HWND window) { mainWindow_ = window; }

    std::vector<std::string> Arguments() override { return arguments_; }
    // Posts WM_CLOSE to the main window: it is destroyed when control is back in a message
    // loop, and its destruction ends the main loop.
    void CloseMainWindow() override;
    // The main loop ends the next time it gets control; handlers still running (and the
    // modal boxes they show) finish first.
    void Terminate() override;
    bool Terminated() const { return terminated_; }

    // Runs the main loop until WM_QUIT or a termination request. preTranslate gets each
    // message first and returns true for a message it has handled.
    void Run(const std::function<bool(MSG&)>& preTranslate);

    // The box for an exception that reached the application: its message, the application's
    // title, an error icon.
    void ShowException(const std::string& message);

private:
    std::string title_;
    std::vector<std::string> arguments_;
    HWND mainWindow_ = nullptr;
    bool terminated_ = false;
};

}  // namespace win32gui

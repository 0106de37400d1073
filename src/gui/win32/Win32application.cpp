#include "Win32application.h"

#include <shellapi.h>

#include <utility>

#include "Nativecontrols.h"

namespace win32gui {

TWin32Application::TWin32Application(std::string title) : title_(std::move(title)) {
    int count = 0;
    LPWSTR* const arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr) return;
    // The first argument is the program's own path.
    for (int i = 1; i < count; ++i) arguments_.push_back(Narrow(arguments[i]));
    LocalFree(arguments);
}

void TWin32Application::CloseMainWindow() {
    if (mainWindow_ != nullptr && IsWindow(mainWindow_)) PostMessageW(mainWindow_, WM_CLOSE, 0, 0);
}

void TWin32Application::Terminate() {
    terminated_ = true;
    // Wakes the main loop should it be waiting for a message.
    PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
}

void TWin32Application::Run(const std::function<bool(MSG&)>& preTranslate) {
    MSG message{};
    while (!terminated_) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) break;
        if (preTranslate && preTranslate(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void TWin32Application::ShowException(const std::string& message) {
    const HWND owner = (mainWindow_ != nullptr && IsWindow(mainWindow_)) ? mainWindow_ : nullptr;
    MessageBoxW(owner, Wide(message).c_str(), Wide(title_).c_str(), MB_OK | MB_ICONERROR);
}

}  // namespace win32gui

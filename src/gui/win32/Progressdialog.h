#pragma once
// The progress window of a long card operation on Windows: a dialog laid out by
// TProgressFormLayout with what is being done, a native progress bar (PROGRESS_CLASS, which
// screen readers announce by the label before it), the amount done and "Отмена" (IDCANCEL:
// the button, Escape and the close box). Modal over the main window while the operation runs
// on a worker thread, which posts its progress; the message loop keeps every window painted.

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>

#include "Dpi.h"
#include "app/Controls.h"
#include "app/Progressunit.h"

namespace win32gui {

class TProgressDialog : public ui::IProgressWindow {
public:
    TProgressDialog() = default;
    ~TProgressDialog() override;
    TProgressDialog(const TProgressDialog&) = delete;
    TProgressDialog& operator=(const TProgressDialog&) = delete;

    // Makes the hidden dialog window, owned by the main window.
    void Create(HINSTANCE instance, HWND owner);
    HWND Handle() const { return dialog_; }

    // Disables the owner at once, as a modal dialog does, and runs the message loop until the
    // work has returned; a quit request meanwhile is passed on afterwards.
    void Run(const ui::TProgressView& first, bool cancellable, std::chrono::milliseconds showAfter,
             const std::function<void(ui::IProgressReport&)>& work) override;
    void Cancel() override;

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    void Layout(UINT dpi);
    void Present(const ui::TProgressView& view);
    void Appear();
    // Draws the latest view the worker posted.
    void PresentPosted();

    HWND dialog_ = nullptr;
    HWND activity_ = nullptr;
    HWND bar_ = nullptr;
    HWND amount_ = nullptr;
    HWND cancel_ = nullptr;
    FontHandle font_;
    UINT fontDpi_ = 0;
    bool cancellable_ = false;
    ui::TBackgroundWork* work_ = nullptr;

    // The worker's latest view, and whether a message to draw it is on its way.
    std::mutex viewMutex_;
    ui::TProgressView posted_;
    std::atomic<bool> drawPending_{false};
};

}  // namespace win32gui

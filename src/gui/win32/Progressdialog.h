#pragma once
// The progress window of a long card operation on Windows: a dialog laid out by
// TProgressFormLayout with what is being done, a native progress bar (PROGRESS_CLASS, which
// screen readers announce by the label before it), the amount done and "Отмена" (IDCANCEL:
// the button, Escape and the close box). While the operation runs the main window is disabled,
// from the start and before this window appears; the message loop keeps every window painted.

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>

#include "Owneddialog.h"
#include "app/Controls.h"
#include "app/Progressunit.h"

namespace win32gui {

class TProgressDialog : public TOwnedDialog, public ui::IProgressWindow {
public:
    TProgressDialog();

    void Block(bool stoppable, std::function<void()> stop) override;
    void Draw(const ui::TProgressView& view) override;
    void Appear() override;
    // Runs the message loop; a quit request meanwhile is passed on once the work has ended.
    WakeReason WaitForWake(std::optional<std::chrono::milliseconds> timeout) override;
    void Wake() override;
    void Unblock() override;

private:
    void CreateControls() override;
    void Layout(UINT dpi) override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void ForgetControls() override { activity_ = bar_ = amount_ = cancel_ = nullptr; }
    void Stop();

    HWND activity_ = nullptr;
    HWND bar_ = nullptr;
    HWND amount_ = nullptr;
    HWND cancel_ = nullptr;
    bool stoppable_ = false;
    std::function<void()> stop_;
    HWND focus_ = nullptr;  // the main window's, given back at the end
    // A wake on its way (set by Wake on any thread); what ended the wait under way.
    std::atomic<bool> woken_{false};
    bool wakeSeen_ = false;
    bool timedOut_ = false;
    bool quit_ = false;
    WPARAM quitCode_ = 0;
};

}  // namespace win32gui

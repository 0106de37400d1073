#include "Progressdialog.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <utility>

#include "Nativecontrols.h"

namespace win32gui {
namespace {

using Sizes = TProgressFormLayout;

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr DWORD kDialogExStyle = WS_EX_DLGMODALFRAME;
constexpr int kActivityId = 100;
constexpr int kBarId = 101;
constexpr int kAmountId = 102;
constexpr int kFullPercent = 100;
// The wake posted to the dialog; the timer of a wait with a timeout.
constexpr UINT kWakeMessage = WM_APP + 1;
constexpr UINT_PTR kWaitTimer = 1;

}  // namespace

TProgressDialog::TProgressDialog() : TOwnedDialog(kDialogStyle, kDialogExStyle) {}

bool TProgressDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
        case kWakeMessage:
            // A wake that an earlier wait has taken already is stale.
            if (woken_.exchange(false)) wakeSeen_ = true;
            return true;
        case WM_TIMER:
            if (wParam != kWaitTimer) return false;
            KillTimer(dialog_, kWaitTimer);
            timedOut_ = true;
            return true;
        case WM_COMMAND:
            // The button, Escape and the close box.
            if (LOWORD(wParam) != IDCANCEL) return false;
            Stop();
            return true;
        default:
            return false;
    }
}

void TProgressDialog::CreateControls() {
    // Made in this order: a screen reader names the bar by the label before it.
    activity_ = MakeControl(dialog_, WC_STATICW, std::string(), SS_LEFT | SS_NOPREFIX, kActivityId);
    bar_ = MakeControl(dialog_, PROGRESS_CLASSW, std::string(), 0, kBarId);
    amount_ = MakeControl(dialog_, WC_STATICW, std::string(), SS_LEFT | SS_NOPREFIX, kAmountId);
    cancel_ = MakeControl(dialog_, WC_BUTTONW, ProgressCancelCaption(), BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL);
    SendMessageW(bar_, PBM_SETRANGE32, 0, kFullPercent);
    Layout(DpiOf(dialog_));
}

void TProgressDialog::Layout(UINT dpi) {
    SetFont({activity_, amount_, cancel_}, Sizes::kFontHeight, dpi);
    const auto place = [dpi](HWND control, int left, int top, int width, int height) {
        MoveWindow(control, Scaled(left, dpi), Scaled(top, dpi), Scaled(width, dpi), Scaled(height, dpi), TRUE);
    };
    place(activity_, Sizes::kLeft, Sizes::kActivityTop, Sizes::kWidth, Sizes::kTextHeight);
    place(bar_, Sizes::kLeft, Sizes::kBarTop, Sizes::kWidth, Sizes::kBarHeight);
    place(amount_, Sizes::kLeft, Sizes::kAmountTop, Sizes::kWidth, Sizes::kTextHeight);
    place(cancel_, Sizes::kButtonLeft, Sizes::kButtonTop, Sizes::kButtonWidth, Sizes::kButtonHeight);
    SizeForClient(Sizes::kClientWidth, Sizes::kClientHeight, dpi, false);
}

void TProgressDialog::Block(bool stoppable, std::function<void()> stop) {
    stoppable_ = stoppable;
    stop_ = std::move(stop);
    woken_ = false;
    quit_ = false;
    ShowWindow(cancel_, stoppable ? SW_SHOW : SW_HIDE);
    focus_ = GetFocus();
    DisableOwner();
}

ui::IProgressWindow::WakeReason TProgressDialog::WaitForWake(std::optional<std::chrono::milliseconds> timeout) {
    if (woken_.exchange(false)) return WakeReason::Woken;
    wakeSeen_ = false;
    timedOut_ = false;
    if (timeout) SetTimer(dialog_, kWaitTimer, static_cast<UINT>(std::max<int64_t>(1, timeout->count())), nullptr);
    while (!wakeSeen_ && !timedOut_) {
        WPARAM quitCode = 0;
        const Pumped pumped = PumpMessage(quitCode);
        if (pumped == Pumped::Failed) break;
        if (pumped == Pumped::Quit) {
            // The work cannot be left running: the quit request waits for its end.
            quit_ = true;
            quitCode_ = quitCode;
        }
    }
    KillTimer(dialog_, kWaitTimer);
    return wakeSeen_ ? WakeReason::Woken : WakeReason::TimedOut;
}

void TProgressDialog::Wake() {
    woken_ = true;
    PostMessageW(dialog_, kWakeMessage, 0, 0);
}

void TProgressDialog::Unblock() {
    stop_ = nullptr;
    // The owner is enabled before the dialog hides, so that it becomes the active window again.
    EnableOwner();
    ShowWindow(dialog_, SW_HIDE);
    if (GetFocus() == nullptr && focus_ != nullptr && IsWindow(focus_)) SetFocus(focus_);
    if (std::exchange(quit_, false)) PostQuitMessage(static_cast<int>(quitCode_));
}

void TProgressDialog::Stop() {
    if (stoppable_ && stop_) stop_();
}

void TProgressDialog::Draw(const ui::TProgressView& view) {
    SetWindowTextW(dialog_, Wide(view.caption).c_str());
    SetWindowTextW(activity_, Wide(view.activity).c_str());
    const LRESULT before = SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(view.percent), 0);
    // A screen reader follows the bar by its value-change event, which not every progress control
    // raises itself.
    if (before != static_cast<LRESULT>(view.percent)) {
        NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, bar_, OBJID_CLIENT, CHILDID_SELF);
    }
    SetWindowTextW(amount_, Wide(view.amount).c_str());
}

void TProgressDialog::Appear() {
    CentreOnOwner();
    ShowWindow(dialog_, SW_SHOW);
    SetForegroundWindow(dialog_);
    if (stoppable_) {
        SendMessageW(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(cancel_), TRUE);
    } else {
        SetFocus(dialog_);
    }
}

}  // namespace win32gui

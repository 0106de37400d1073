#include "Progressdialog.h"

#include <commctrl.h>

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
// The worker's reports and its end, posted to the dialog; the timer that makes it appear.
constexpr UINT kProgressMessage = WM_APP + 1;
constexpr UINT kFinishedMessage = WM_APP + 2;
constexpr UINT_PTR kAppearTimer = 1;

}  // namespace

TProgressDialog::~TProgressDialog() {
    if (dialog_ != nullptr && IsWindow(dialog_)) DestroyWindow(dialog_);
}

void TProgressDialog::Create(HINSTANCE instance, HWND owner) {
    dialog_ = CreateEmptyDialog(instance, owner, kDialogStyle, kDialogExStyle, &TProgressDialog::DialogProc,
                                reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK TProgressDialog::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        auto* self = reinterpret_cast<TProgressDialog*>(lParam);
        self->dialog_ = dialog;
        KeepDialogLayoutOwn(dialog);
        self->CreateControls();
        return FALSE;
    }
    auto* self = reinterpret_cast<TProgressDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (self == nullptr) return FALSE;
    switch (message) {
        case kProgressMessage:
            self->PresentPosted();
            return TRUE;
        case kFinishedMessage:
            // Only wakes the loop in Run.
            return TRUE;
        case WM_TIMER:
            if (wParam != kAppearTimer) return FALSE;
            KillTimer(dialog, kAppearTimer);
            self->Appear();
            return TRUE;
        case WM_COMMAND:
            // The button, Escape and the close box.
            if (LOWORD(wParam) != IDCANCEL) return FALSE;
            self->Cancel();
            return TRUE;
        case WM_DPICHANGED: {
            self->Layout(HIWORD(wParam));
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(dialog, nullptr, suggested->left, suggested->top, 0, 0,
                         SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
            return TRUE;
        }
        case WM_NCDESTROY:
            self->dialog_ = self->activity_ = self->bar_ = self->amount_ = self->cancel_ = nullptr;
            return FALSE;
        default:
            return FALSE;
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
    if (!font_ || fontDpi_ != dpi) {
        FontHandle font = MakeFormFont(Sizes::kFontHeight, dpi);
        for (const HWND control : {activity_, amount_, cancel_}) {
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
        }
        font_ = std::move(font);
        fontDpi_ = dpi;
    }
    const auto place = [dpi](HWND control, int left, int top, int width, int height) {
        MoveWindow(control, Scaled(left, dpi), Scaled(top, dpi), Scaled(width, dpi), Scaled(height, dpi), TRUE);
    };
    place(activity_, Sizes::kLeft, Sizes::kActivityTop, Sizes::kWidth, Sizes::kTextHeight);
    place(bar_, Sizes::kLeft, Sizes::kBarTop, Sizes::kWidth, Sizes::kBarHeight);
    place(amount_, Sizes::kLeft, Sizes::kAmountTop, Sizes::kWidth, Sizes::kTextHeight);
    place(cancel_, Sizes::kButtonLeft, Sizes::kButtonTop, Sizes::kButtonWidth, Sizes::kButtonHeight);
    const SIZE outer = OuterSizeForClient(Scaled(Sizes::kClientWidth, dpi), Scaled(Sizes::kClientHeight, dpi),
                                          kDialogStyle, kDialogExStyle, false, dpi);
    SetWindowPos(dialog_, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
}

void TProgressDialog::Run(const ui::TProgressView& first, bool cancellable, std::chrono::milliseconds showAfter,
                          const std::function<void(ui::IProgressReport&)>& work) {
    cancellable_ = cancellable;
    ShowWindow(cancel_, cancellable ? SW_SHOW : SW_HIDE);
    Present(first);
    const HWND owner = GetWindow(dialog_, GW_OWNER);
    const HWND focus = GetFocus();
    const bool ownerWasEnabled = owner != nullptr && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);

    const HWND dialog = dialog_;
    ui::TBackgroundWork background(
        [this, dialog](const ui::TProgressView& view) {
            {
                const std::lock_guard<std::mutex> lock(viewMutex_);
                posted_ = view;
            }
            // One message at a time: the dialog draws the latest view when it gets there.
            if (!drawPending_.exchange(true)) PostMessageW(dialog, kProgressMessage, 0, 0);
        },
        [dialog] { PostMessageW(dialog, kFinishedMessage, 0, 0); });
    work_ = &background;
    if (showAfter.count() > 0) {
        SetTimer(dialog_, kAppearTimer, static_cast<UINT>(showAfter.count()), nullptr);
    } else {
        Appear();
    }
    background.Start(work);

    bool quit = false;
    WPARAM quitCode = 0;
    MSG message{};
    while (!background.Finished()) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {
            // The work cannot be left running: the quit request waits for its end.
            quit = true;
            quitCode = message.wParam;
            continue;
        }
        if (!IsDialogMessageW(dialog_, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }

    KillTimer(dialog_, kAppearTimer);
    work_ = nullptr;
    // The owner is enabled before the dialog hides, so that it becomes the active window again.
    if (ownerWasEnabled) EnableWindow(owner, TRUE);
    ShowWindow(dialog_, SW_HIDE);
    if (GetFocus() == nullptr && focus != nullptr && IsWindow(focus)) SetFocus(focus);
    background.Join();
    // Reports still on their way would only show an old state next time.
    while (PeekMessageW(&message, dialog_, kProgressMessage, kFinishedMessage, PM_REMOVE)) {
    }
    drawPending_ = false;
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
}

void TProgressDialog::Cancel() {
    if (work_ != nullptr && cancellable_) work_->Cancel();
}

void TProgressDialog::Present(const ui::TProgressView& view) {
    SetWindowTextW(dialog_, Wide(view.caption).c_str());
    SetWindowTextW(activity_, Wide(view.activity).c_str());
    SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(view.percent), 0);
    SetWindowTextW(amount_, Wide(view.amount).c_str());
}

void TProgressDialog::PresentPosted() {
    drawPending_ = false;
    ui::TProgressView view;
    {
        const std::lock_guard<std::mutex> lock(viewMutex_);
        view = posted_;
    }
    Present(view);
}

void TProgressDialog::Appear() {
    if (work_ == nullptr || work_->Finished()) return;
    const HWND owner = GetWindow(dialog_, GW_OWNER);
    RECT frame{};
    GetWindowRect(dialog_, &frame);
    const POINT corner = CentredOnScreen(owner, SIZE{frame.right - frame.left, frame.bottom - frame.top});
    SetWindowPos(dialog_, nullptr, corner.x, corner.y, 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindow(dialog_, SW_SHOW);
    SetForegroundWindow(dialog_);
    if (cancellable_) {
        SendMessageW(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(cancel_), TRUE);
    } else {
        SetFocus(dialog_);
    }
}

}  // namespace win32gui

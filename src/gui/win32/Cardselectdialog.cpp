#include "Cardselectdialog.h"

#include <commctrl.h>

#include <utility>

#include "Nativecontrols.h"
#include "platform/Dialogs.h"

namespace win32gui {
namespace {

using Sizes = TCardSelectLayout;

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr DWORD kDialogExStyle = WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME;
constexpr int kComboId = 100;
constexpr int kLabelId = 101;
// Height of the combo box with its list dropped down, at 96 dpi; the text field's own
// height follows from the font.
constexpr int kComboDroppedHeight = 160;

}  // namespace

TCardSelectDialog::~TCardSelectDialog() {
    if (dialog_ != nullptr && IsWindow(dialog_)) DestroyWindow(dialog_);
}

void TCardSelectDialog::Create(HINSTANCE instance, HWND owner) {
    dialog_ = CreateEmptyDialog(instance, owner, kDialogStyle, kDialogExStyle, &TCardSelectDialog::DialogProc,
                                reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK TCardSelectDialog::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        auto* self = reinterpret_cast<TCardSelectDialog*>(lParam);
        self->dialog_ = dialog;
        KeepDialogLayoutOwn(dialog);
        self->CreateControls();
        // The focus is set when the dialog is shown.
        return FALSE;
    }
    auto* self = reinterpret_cast<TCardSelectDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (self == nullptr) return FALSE;
    switch (message) {
        case WM_COMMAND:
            // Enter reaches the default button, Esc and the close box the Cancel button.
            if (LOWORD(wParam) == IDOK) {
                self->modalResult_ = platform::kIdOk;
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                self->modalResult_ = platform::kIdCancel;
                return TRUE;
            }
            return FALSE;
        case WM_DPICHANGED: {
            self->Layout(HIWORD(wParam), false);
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(dialog, nullptr, suggested->left, suggested->top, 0, 0,
                         SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
            return TRUE;
        }
        case WM_NCDESTROY:
            // The main window takes its dialog along when it is destroyed.
            self->dialog_ = self->label_ = self->combo_ = self->ok_ = self->cancel_ = nullptr;
            return FALSE;
        default:
            return FALSE;
    }
}

void TCardSelectDialog::CreateControls() {
    const TCardSelectTexts& texts = CardSelectTexts(platform::IntegrationStyle::ClassesRegistry);
    SetWindowTextW(dialog_, Wide(texts.caption).c_str());
    // Made in tab order: the label, the combo box, OK, Cancel.
    label_ = MakeControl(dialog_, WC_STATICW, texts.label, SS_LEFT, kLabelId);
    combo_ = MakeControl(dialog_, WC_COMBOBOXW, std::string(),
                         CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP | WS_GROUP, kComboId);
    ok_ = MakeControl(dialog_, WC_BUTTONW, texts.ok, BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK);
    cancel_ = MakeControl(dialog_, WC_BUTTONW, texts.cancel, BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL);
    Layout(DpiOf(dialog_), true);
}

void TCardSelectDialog::Layout(UINT dpi, bool centre) {
    if (!font_ || fontDpi_ != dpi) {
        // The controls take the new font before the old one is deleted.
        FontHandle font = MakeFormFont(Sizes::kFontHeight, dpi);
        for (const HWND control : {label_, combo_, ok_, cancel_}) {
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
        }
        font_ = std::move(font);
        fontDpi_ = dpi;
    }
    const auto place = [dpi](HWND control, int left, int top, int width, int height) {
        MoveWindow(control, Scaled(left, dpi), Scaled(top, dpi), Scaled(width, dpi), Scaled(height, dpi), TRUE);
    };
    place(label_, Sizes::kLabelLeft, Sizes::kLabelTop, Sizes::kLabelWidth, Sizes::kLabelHeight);
    place(combo_, Sizes::kComboLeft, Sizes::kComboTop, Sizes::kComboWidth, kComboDroppedHeight);
    place(ok_, Sizes::kOkLeft, Sizes::kOkTop, Sizes::kOkWidth, Sizes::kOkHeight);
    place(cancel_, Sizes::kCancelLeft, Sizes::kCancelTop, Sizes::kCancelWidth, Sizes::kCancelHeight);

    const SIZE outer = OuterSizeForClient(Scaled(Sizes::kClientWidth, dpi), Scaled(Sizes::kClientHeight, dpi),
                                          kDialogStyle, kDialogExStyle, false, dpi);
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    POINT corner{0, 0};
    if (centre) {
        corner = CentredOnScreen(GetWindow(dialog_, GW_OWNER), outer);
    } else {
        flags |= SWP_NOMOVE;
    }
    SetWindowPos(dialog_, nullptr, corner.x, corner.y, outer.cx, outer.cy, flags);
}

void TCardSelectDialog::SetPrompt(const std::string& prompt) { SetWindowTextW(label_, Wide(prompt).c_str()); }

void TCardSelectDialog::ClearDrives() { SendMessageW(combo_, CB_RESETCONTENT, 0, 0); }

void TCardSelectDialog::AddDrive(const std::string& text) {
    SendMessageW(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
}

void TCardSelectDialog::SetText(const std::string& text) { SetWindowTextW(combo_, Wide(text).c_str()); }

std::string TCardSelectDialog::Text() { return WindowText(combo_); }

int TCardSelectDialog::ShowModal() {
    if (dialog_ == nullptr) return platform::kIdCancel;
    modalResult_ = 0;
    Layout(DpiOf(dialog_), true);

    const HWND owner = GetWindow(dialog_, GW_OWNER);
    const bool ownerWasEnabled = owner != nullptr && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);
    ShowWindow(dialog_, SW_SHOW);
    SetForegroundWindow(dialog_);
    SendMessageW(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(combo_), TRUE);

    MSG message{};
    while (modalResult_ == 0) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            // A quit request ends the dialog like Cancel and is passed on to the main loop.
            PostQuitMessage(static_cast<int>(message.wParam));
            modalResult_ = platform::kIdCancel;
            break;
        }
        if (got == -1) {
            modalResult_ = platform::kIdCancel;
            break;
        }
        if (!IsDialogMessageW(dialog_, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }

    // The owner is enabled before the dialog hides, so that it becomes the active window again.
    if (ownerWasEnabled) EnableWindow(owner, TRUE);
    ShowWindow(dialog_, SW_HIDE);
    return modalResult_;
}

}  // namespace win32gui

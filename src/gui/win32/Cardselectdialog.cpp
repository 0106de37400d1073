#include "Cardselectdialog.h"

#include <commctrl.h>

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

TCardSelectDialog::TCardSelectDialog() : TOwnedDialog(kDialogStyle, kDialogExStyle) {}

bool TCardSelectDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    if (message != WM_COMMAND) return false;
    // Enter reaches the default button, Esc and the close box the Cancel button.
    if (LOWORD(wParam) == IDOK) {
        modalResult_ = platform::kIdOk;
        return true;
    }
    if (LOWORD(wParam) == IDCANCEL) {
        modalResult_ = platform::kIdCancel;
        return true;
    }
    return false;
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
    Layout(DpiOf(dialog_));
    CentreOnOwner();
}

void TCardSelectDialog::Layout(UINT dpi) {
    SetFont({label_, combo_, ok_, cancel_}, Sizes::kFontHeight, dpi);
    const auto place = [dpi](HWND control, int left, int top, int width, int height) {
        MoveWindow(control, Scaled(left, dpi), Scaled(top, dpi), Scaled(width, dpi), Scaled(height, dpi), TRUE);
    };
    place(label_, Sizes::kLabelLeft, Sizes::kLabelTop, Sizes::kLabelWidth, Sizes::kLabelHeight);
    place(combo_, Sizes::kComboLeft, Sizes::kComboTop, Sizes::kComboWidth, kComboDroppedHeight);
    place(ok_, Sizes::kOkLeft, Sizes::kOkTop, Sizes::kOkWidth, Sizes::kOkHeight);
    place(cancel_, Sizes::kCancelLeft, Sizes::kCancelTop, Sizes::kCancelWidth, Sizes::kCancelHeight);
    SizeForClient(Sizes::kClientWidth, Sizes::kClientHeight, dpi, false);
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
    const UINT dpi = DpiOf(dialog_);
    Layout(dpi);
    SizeForClient(Sizes::kClientWidth, Sizes::kClientHeight, dpi, true);

    DisableOwner();
    ShowWindow(dialog_, SW_SHOW);
    SetForegroundWindow(dialog_);
    SendMessageW(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(combo_), TRUE);

    while (modalResult_ == 0) {
        WPARAM quitCode = 0;
        const Pumped pumped = PumpMessage(quitCode);
        // A quit request ends the dialog like Cancel and is passed on to the main loop.
        if (pumped == Pumped::Quit) PostQuitMessage(static_cast<int>(quitCode));
        if (pumped != Pumped::Message) modalResult_ = platform::kIdCancel;
    }

    EnableOwner();
    ShowWindow(dialog_, SW_HIDE);
    return modalResult_;
}

}  // namespace win32gui

#include "Owneddialog.h"

#include <utility>

#include "Nativecontrols.h"

namespace win32gui {

TOwnedDialog::~TOwnedDialog() {
    if (dialog_ == nullptr || !IsWindow(dialog_)) return;
    // The derived dialog is gone already: its messages are not passed on.
    SetWindowLongPtrW(dialog_, DWLP_USER, 0);
    DestroyWindow(dialog_);
}

void TOwnedDialog::Create(HINSTANCE instance, HWND owner) {
    dialog_ = CreateEmptyDialog(instance, owner, style_, exStyle_, &TOwnedDialog::DialogProc,
                                reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK TOwnedDialog::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        auto* self = reinterpret_cast<TOwnedDialog*>(lParam);
        self->dialog_ = dialog;
        KeepDialogLayoutOwn(dialog);
        self->CreateControls();
        // The focus is set when the dialog is shown.
        return FALSE;
    }
    auto* self = reinterpret_cast<TOwnedDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (self == nullptr) return FALSE;
    switch (message) {
        case WM_DPICHANGED: {
            self->Layout(HIWORD(wParam));
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(dialog, nullptr, suggested->left, suggested->top, 0, 0,
                         SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
            return TRUE;
        }
        case WM_NCDESTROY:
            self->dialog_ = nullptr;
            self->ForgetControls();
            return FALSE;
        default:
            return self->HandleMessage(message, wParam, lParam) ? TRUE : FALSE;
    }
}

void TOwnedDialog::SetFont(std::initializer_list<HWND> controls, int fontHeight, UINT dpi) {
    if (font_ && fontDpi_ == dpi) return;
    // The controls take the new font before the old one is deleted.
    FontHandle font = MakeFormFont(fontHeight, dpi);
    for (const HWND control : controls) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    font_ = std::move(font);
    fontDpi_ = dpi;
}

void TOwnedDialog::SizeForClient(int clientWidth, int clientHeight, UINT dpi, bool centre) {
    const SIZE outer = OuterSizeForClient(Scaled(clientWidth, dpi), Scaled(clientHeight, dpi), style_, exStyle_, false, dpi);
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    POINT corner{0, 0};
    if (centre) {
        corner = CentredOnScreen(Owner(), outer);
    } else {
        flags |= SWP_NOMOVE;
    }
    SetWindowPos(dialog_, nullptr, corner.x, corner.y, outer.cx, outer.cy, flags);
}

void TOwnedDialog::CentreOnOwner() {
    RECT frame{};
    GetWindowRect(dialog_, &frame);
    const POINT corner = CentredOnScreen(Owner(), SIZE{frame.right - frame.left, frame.bottom - frame.top});
    SetWindowPos(dialog_, nullptr, corner.x, corner.y, 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TOwnedDialog::DisableOwner() {
    const HWND owner = Owner();
    ownerWasEnabled_ = owner != nullptr && IsWindowEnabled(owner);
    if (ownerWasEnabled_) EnableWindow(owner, FALSE);
}

void TOwnedDialog::EnableOwner() {
    if (std::exchange(ownerWasEnabled_, false)) EnableWindow(Owner(), TRUE);
}

TOwnedDialog::Pumped TOwnedDialog::PumpMessage(WPARAM& quitCode) {
    MSG message{};
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == -1) return Pumped::Failed;
    if (got == 0) {
        quitCode = message.wParam;
        return Pumped::Quit;
    }
    if (!IsDialogMessageW(dialog_, &message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return Pumped::Message;
}

}  // namespace win32gui

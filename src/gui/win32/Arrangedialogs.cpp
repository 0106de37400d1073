#include "Arrangedialogs.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <string>

#include "Resource.h"
#include "platform/Codepage.h"

namespace win32gui {
namespace {

std::wstring WideOf1251(const std::string& text) {
    const std::u16string wide = platform::Cp1251ToUtf16(text);
    return std::wstring(wide.begin(), wide.end());
}

void SetText(HWND dialog, int id, const std::string& cp1251) {
    SetDlgItemTextW(dialog, id, WideOf1251(cp1251).c_str());
}

// The dialog's own object; each procedure is given it when the dialog opens.
template <typename Dialog>
Dialog* Self(HWND dialog, UINT message, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    return reinterpret_cast<Dialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

}  // namespace

INT_PTR CALLBACK TPlaceDialog::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = Self<TPlaceDialog>(dialog, message, lParam);
    const TArrangeTexts& texts = ArrangeTexts();
    const int last = static_cast<int>(std::min<std::size_t>(std::max<std::size_t>(self != nullptr ? self->count_ : 1, 1),
                                                            INT_MAX));
    switch (message) {
        case WM_INITDIALOG: {
            SetWindowTextW(dialog, WideOf1251(texts.placeCaption).c_str());
            SetText(dialog, IDC_PLACE_BOOK, *self->bookName_);
            SetText(dialog, IDC_PLACE_LABEL, texts.placeLabel + std::to_string(last) + ")");
            SetText(dialog, IDOK, texts.move);
            SetText(dialog, IDCANCEL, texts.cancel);
            SendDlgItemMessageW(dialog, IDC_PLACE_SPIN, UDM_SETRANGE32, 1, last);
            SendDlgItemMessageW(dialog, IDC_PLACE_SPIN, UDM_SETPOS32, 0,
                                static_cast<LPARAM>(std::min<std::size_t>(self->place_, INT_MAX)));
            const HWND edit = GetDlgItem(dialog, IDC_PLACE_EDIT);
            SetFocus(edit);
            SendMessageW(edit, EM_SETSEL, 0, -1);
            return FALSE;  // the focus is set: on the place
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK && self != nullptr) {
                BOOL number = FALSE;
                const UINT place = GetDlgItemInt(dialog, IDC_PLACE_EDIT, &number, FALSE);
                if (number == FALSE || place < 1 || place > static_cast<UINT>(last)) {
                    // A place outside the list: the field again, its text chosen for typing over.
                    MessageBeep(MB_ICONWARNING);
                    const HWND edit = GetDlgItem(dialog, IDC_PLACE_EDIT);
                    SetFocus(edit);
                    SendMessageW(edit, EM_SETSEL, 0, -1);
                    return TRUE;
                }
                self->place_ = place;
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

bool TPlaceDialog::Execute(const std::string& bookName, std::size_t count, std::size_t& place) {
    bookName_ = &bookName;
    count_ = count;
    place_ = place;
    const INT_PTR result = DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_PLACE), owner_, &TPlaceDialog::DialogProc,
                                           reinterpret_cast<LPARAM>(this));
    bookName_ = nullptr;
    if (result != IDOK) return false;
    place = place_;
    return true;
}

INT_PTR CALLBACK TSortDialog::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = Self<TSortDialog>(dialog, message, lParam);
    const TArrangeTexts& texts = ArrangeTexts();
    switch (message) {
        case WM_INITDIALOG: {
            SetWindowTextW(dialog, WideOf1251(texts.sortCaption).c_str());
            SetText(dialog, IDC_SORT_AUTHOR, texts.byAuthor);
            SetText(dialog, IDC_SORT_TITLE, texts.byTitle);
            SetText(dialog, IDOK, texts.sort);
            SetText(dialog, IDCANCEL, texts.cancel);
            const int chosen = self->order_ == TBookOrder::Title ? IDC_SORT_TITLE : IDC_SORT_AUTHOR;
            CheckRadioButton(dialog, IDC_SORT_AUTHOR, IDC_SORT_TITLE, chosen);
            SetFocus(GetDlgItem(dialog, chosen));
            return FALSE;  // the focus is set: on the chosen order
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK && self != nullptr) {
                self->order_ = IsDlgButtonChecked(dialog, IDC_SORT_TITLE) == BST_CHECKED ? TBookOrder::Title
                                                                                          : TBookOrder::AuthorThenTitle;
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

bool TSortDialog::Execute(TBookOrder& order) {
    order_ = order;
    const INT_PTR result = DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_SORT), owner_, &TSortDialog::DialogProc,
                                           reinterpret_cast<LPARAM>(this));
    if (result != IDOK) return false;
    order = order_;
    return true;
}

}  // namespace win32gui

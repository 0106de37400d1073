#include "Newbookdialog.h"

#include <shobjidl.h>

#include <vector>

#include "Resource.h"
#include "platform/Codepage.h"

namespace win32gui {
namespace {

std::wstring WideOf1251(const std::string& text) {
    const std::u16string wide = platform::Cp1251ToUtf16(text);
    return std::wstring(wide.begin(), wide.end());
}
std::wstring WideOfUtf8(const std::string& text) {
    const std::u16string wide = platform::Utf8ToUtf16(text);
    return std::wstring(wide.begin(), wide.end());
}
std::string Utf8Of(HWND control) {
    const int length = GetWindowTextLengthW(control);
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(control, buffer.data(), length + 1);
    return platform::Utf16ToUtf8(std::u16string(buffer.begin(), buffer.begin() + length));
}

void SetText(HWND dialog, int id, const std::wstring& text) { SetDlgItemTextW(dialog, id, text.c_str()); }

// Without the two lines on what was found, the buttons move up into their place and the
// dialog ends below the buttons.
void CloseUpButtons(HWND dialog) {
    RECT summary{}, ok{};
    GetWindowRect(GetDlgItem(dialog, IDC_NEWBOOK_SUMMARY), &summary);
    GetWindowRect(GetDlgItem(dialog, IDOK), &ok);
    const int shift = ok.top - summary.top;
    for (const int id : {IDOK, IDCANCEL}) {
        const HWND button = GetDlgItem(dialog, id);
        RECT place{};
        GetWindowRect(button, &place);
        MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&place), 2);
        SetWindowPos(button, nullptr, place.left, place.top - shift, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT frame{};
    GetWindowRect(dialog, &frame);
    SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top - shift,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

TNewBookDialog::TNewBookDialog()
    : TNewBookDialog(TCaptions{&NewBookTexts().caption, &NewBookTexts().author, &NewBookTexts().title,
                               &NewBookTexts().announcer, &NewBookTexts().write, &NewBookTexts().cancel}) {}

TBookNamesDialog::TBookNamesDialog()
    : TNewBookDialog(TCaptions{&BookNamesTexts().caption, &BookNamesTexts().author, &BookNamesTexts().title,
                               &BookNamesTexts().announcer, &BookNamesTexts().save, &BookNamesTexts().cancel}) {}

INT_PTR CALLBACK TNewBookDialog::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TNewBookDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG: {
            self = reinterpret_cast<TNewBookDialog*>(lParam);
            SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
            const TCaptions& texts = self->captions_;
            const TNewBookForm& form = *self->form_;
            SetWindowTextW(dialog, WideOf1251(*texts.caption).c_str());
            SetText(dialog, IDC_NEWBOOK_AUTHOR_LABEL, WideOf1251(*texts.author));
            SetText(dialog, IDC_NEWBOOK_TITLE_LABEL, WideOf1251(*texts.title));
            SetText(dialog, IDC_NEWBOOK_ANNOUNCER_LABEL, WideOf1251(*texts.announcer));
            SetText(dialog, IDOK, WideOf1251(*texts.accept));
            SetText(dialog, IDCANCEL, WideOf1251(*texts.cancel));
            SetText(dialog, IDC_NEWBOOK_AUTHOR, WideOfUtf8(form.author));
            SetText(dialog, IDC_NEWBOOK_TITLE, WideOfUtf8(form.title));
            SetText(dialog, IDC_NEWBOOK_ANNOUNCER, WideOfUtf8(form.announcer));
            SetText(dialog, IDC_NEWBOOK_SUMMARY, WideOf1251(form.summary));
            SetText(dialog, IDC_NEWBOOK_LEFTOUT, WideOf1251(form.leftOut));
            // Hidden lines are left out of the Tab order too.
            if (form.summary.empty()) ShowWindow(GetDlgItem(dialog, IDC_NEWBOOK_SUMMARY), SW_HIDE);
            if (form.leftOut.empty()) ShowWindow(GetDlgItem(dialog, IDC_NEWBOOK_LEFTOUT), SW_HIDE);
            if (form.summary.empty() && form.leftOut.empty()) CloseUpButtons(dialog);
            return TRUE;  // the focus goes to the first field, the author
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK && self != nullptr) {
                self->form_->author = Utf8Of(GetDlgItem(dialog, IDC_NEWBOOK_AUTHOR));
                self->form_->title = Utf8Of(GetDlgItem(dialog, IDC_NEWBOOK_TITLE));
                self->form_->announcer = Utf8Of(GetDlgItem(dialog, IDC_NEWBOOK_ANNOUNCER));
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

bool TNewBookDialog::Execute(TNewBookForm& form) {
    form_ = &form;
    const INT_PTR result = DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_NEWBOOK), owner_, &TNewBookDialog::DialogProc,
                                           reinterpret_cast<LPARAM>(this));
    form_ = nullptr;
    return result == IDOK;
}

bool TFolderDialog::Execute(std::string& folder) {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    bool chosen = false;
    IFileOpenDialog* dialog = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                                   reinterpret_cast<void**>(&dialog)))) {
        FILEOPENDIALOGOPTIONS options = 0;
        dialog->GetOptions(&options);
        dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
        dialog->SetTitle(WideOf1251(WriteFolderCaption()).c_str());
        IShellItem* item = nullptr;
        if (SUCCEEDED(dialog->Show(owner_)) && SUCCEEDED(dialog->GetResult(&item))) {
            PWSTR path = nullptr;
            if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
                folder = platform::Utf16ToCp1251(reinterpret_cast<const char16_t*>(path));
                chosen = !folder.empty();
                CoTaskMemFree(path);
            }
            item->Release();
        }
        dialog->Release();
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return chosen;
}

}  // namespace win32gui

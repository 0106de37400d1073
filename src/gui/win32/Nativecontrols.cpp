#include "Nativecontrols.h"

#include <commctrl.h>
#include <commdlg.h>

#include <cwchar>

#include "platform/win32/Win32platform.h"

namespace win32gui {
namespace {

// Room for a long path in the open-file dialog, in UTF-16 code units.
constexpr DWORD kFileNameBuffer = 32768;
// The first guess at the length of a row's caption; the buffer grows when it is too small.
constexpr std::size_t kInitialCaptionBuffer = 256;
constexpr std::size_t kBufferGrowth = 2;
constexpr int kSizeSubItem = 1;
constexpr int kNoItem = -1;

}  // namespace

std::wstring Wide(const std::string& text) { return platform::WideName(text); }

std::string Narrow(const std::wstring& text) { return platform::AnsiName(text); }

std::string WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) return std::string();
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return Narrow(text);
}

// ----- ListViewControl -----

void ListViewControl::Clear() { SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0); }

void ListViewControl::ReserveRows(std::size_t count) {
    SendMessageW(list_, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), 0);
}

void ListViewControl::AddRow(const std::string& caption, const std::string& subItem) {
    std::wstring captionText = Wide(caption);
    std::wstring sizeText = Wide(subItem);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(RowCount());
    item.pszText = captionText.data();
    const auto row = SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    if (row < 0) return;
    LVITEMW size{};
    size.iSubItem = kSizeSubItem;
    size.pszText = sizeText.data();
    SendMessageW(list_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&size));
}

std::size_t ListViewControl::RowCount() {
    const auto count = SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0);
    return count > 0 ? static_cast<std::size_t>(count) : 0;
}

std::string ListViewControl::RowCaption(std::size_t row) {
    // LVM_GETITEMTEXTW does not tell the text's length: the buffer grows until the text
    // leaves room to spare.
    for (std::size_t size = kInitialCaptionBuffer;; size *= kBufferGrowth) {
        std::wstring buffer(size, L'\0');
        LVITEMW item{};
        item.iSubItem = 0;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(size);
        const auto length =
            SendMessageW(list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        if (length < 0) return std::string();
        if (static_cast<std::size_t>(length) + 1 < size) {
            buffer.resize(static_cast<std::size_t>(length));
            return Narrow(buffer);
        }
    }
}

int ListViewControl::SelectedRow() {
    return static_cast<int>(
        SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(kNoItem), MAKELPARAM(LVNI_SELECTED, 0)));
}

void ListViewControl::SelectRow(std::size_t row) {
    LVITEMW none{};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    none.state = 0;
    SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(kNoItem), reinterpret_cast<LPARAM>(&none));
    LVITEMW selected{};
    selected.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    selected.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&selected));
    SendMessageW(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

void ListViewControl::KeepCurrentRowSelected() {
    if (RowCount() == 0 || SelectedRow() >= 0) return;
    const auto focused =
        SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(kNoItem), MAKELPARAM(LVNI_FOCUSED, 0));
    SelectRow(focused >= 0 ? static_cast<std::size_t>(focused) : 0);
}

// ----- EditControl -----

void EditControl::SetText(const std::string& text) { SetWindowTextW(edit_, Wide(text).c_str()); }

// ----- MenuItemControl -----

void MenuItemControl::SetCaption(const std::string& caption) {
    std::wstring text = Wide(caption);
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STRING;
    item.dwTypeData = text.data();
    SetMenuItemInfoW(menu_, command_, FALSE, &item);
}

// ----- OpenFileDialog -----

OpenFileDialog::OpenFileDialog(const std::string& description, const std::vector<std::string>& patterns) {
    std::string joined;
    for (const std::string& pattern : patterns) {
        if (!joined.empty()) joined += ';';
        joined += pattern;
    }
    filter_ = Wide(description);
    filter_ += L'\0';
    filter_ += Wide(joined);
    filter_ += L'\0';
    filter_ += L'\0';
}

bool OpenFileDialog::Execute(std::string& fileName) {
    std::wstring buffer(kFileNameBuffer, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner_;
    dialog.lpstrFilter = filter_.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = kFileNameBuffer;
    // One file; a typed name need not exist (the card model reports a missing file).
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
    if (!GetOpenFileNameW(&dialog)) return false;
    buffer.resize(wcsnlen(buffer.c_str(), buffer.size()));
    fileName = Narrow(buffer);
    return true;
}

// ----- WindowMessageBoxes -----

int WindowMessageBoxes::ShowMessage(const std::string& text, const std::string& caption, unsigned flags) {
    const HWND owner = (owner_ != nullptr && IsWindow(owner_)) ? owner_ : nullptr;
    return MessageBoxW(owner, Wide(text).c_str(), Wide(caption).c_str(), flags);
}

}  // namespace win32gui

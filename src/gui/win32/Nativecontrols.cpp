#include "Nativecontrols.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <array>
#include <cwchar>

#include "platform/Paths.h"
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

constexpr DWORD kWordMask = 0xFFFF;
constexpr unsigned kWordBits = 16;
constexpr WORD LowWord(DWORD value) { return static_cast<WORD>(value & kWordMask); }
constexpr WORD HighWord(DWORD value) { return static_cast<WORD>(value >> kWordBits); }

// An in-memory dialog template without controls or title: style, extended style, no
// controls, position and size 0, no menu, the dialog class, an empty title.
constexpr std::size_t kTemplateWords = 12;
struct alignas(DWORD) EmptyDialogTemplate {
    std::array<WORD, kTemplateWords> words{};
};

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

HWND MakeControl(HWND parent, const wchar_t* className, const std::string& text, DWORD style, int id) {
    return CreateWindowExW(0, className, Wide(text).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

HWND CreateEmptyDialog(HINSTANCE instance, HWND owner, DWORD style, DWORD exStyle, DLGPROC procedure,
                       LPARAM parameter) {
    EmptyDialogTemplate empty;
    empty.words = {LowWord(style), HighWord(style), LowWord(exStyle), HighWord(exStyle)};
    return CreateDialogIndirectParamW(instance, reinterpret_cast<const DLGTEMPLATE*>(&empty), owner, procedure,
                                      parameter);
}

std::vector<std::string> ChosenFiles(const std::wstring& buffer) {
    std::vector<std::wstring> parts;
    for (std::size_t start = 0; start < buffer.size() && buffer[start] != L'\0';) {
        const std::size_t end = std::min(buffer.find(L'\0', start), buffer.size());
        parts.push_back(buffer.substr(start, end - start));
        start = end + 1;
    }
    std::vector<std::string> files;
    if (parts.size() == 1) files.push_back(Narrow(parts.front()));
    for (std::size_t i = 1; i < parts.size(); ++i) {
        files.push_back(platform::JoinPath(Narrow(parts.front()), Narrow(parts[i])));
    }
    return files;
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

// ----- StatusBarControl -----

void StatusBarControl::Announce(const std::string& text) {
    SendMessageW(bar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, bar_, OBJID_CLIENT, CHILDID_SELF);
}

// ----- MenuItemControl -----

void MenuItemControl::SetCaption(const std::string& caption) {
    std::wstring text = Wide(caption);
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STRING;
    item.dwTypeData = text.data();
    SetMenuItemInfoW(menu_, command_, FALSE, &item);
}

void MenuItemControl::SetChecked(bool checked) {
    CheckMenuItem(menu_, command_, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
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

bool OpenFileDialog::Execute(std::vector<std::string>& fileNames) {
    std::wstring buffer(kFileNameBuffer, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner_;
    dialog.lpstrFilter = filter_.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = kFileNameBuffer;
    // Several files; a typed name need not exist (the card model reports a missing file).
    dialog.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_HIDEREADONLY | OFN_ENABLESIZING;
    if (!GetOpenFileNameW(&dialog)) return false;
    fileNames = ChosenFiles(buffer);
    return !fileNames.empty();
}

// ----- WindowMessageBoxes -----

int WindowMessageBoxes::ShowMessage(const std::string& text, const std::string& caption, unsigned flags) {
    HWND owner = (owner_ != nullptr && IsWindow(owner_)) ? owner_ : nullptr;
    // While the progress window is up a box belongs to it: the main window stays disabled
    // under both, and the progress window is active again when the box has gone.
    const HWND popup = owner != nullptr ? GetLastActivePopup(owner) : nullptr;
    if (popup != nullptr && popup != owner && IsWindowVisible(popup)) owner = popup;
    return MessageBoxW(owner, Wide(text).c_str(), Wide(caption).c_str(), flags);
}

}  // namespace win32gui

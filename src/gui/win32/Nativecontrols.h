#pragma once
// The controls of the portable window logic (app/Controls.h) on native Windows controls.
// Texts are Windows-1251 inside the program and UTF-16 for the W functions.

#include <windows.h>

#include <string>
#include <vector>

#include "app/Controls.h"
#include "platform/Dialogs.h"

namespace win32gui {

std::wstring Wide(const std::string& text);
std::string Narrow(const std::wstring& text);
// The window's text, as Windows-1251.
std::string WindowText(HWND window);

// A visible child control with the given class, text, style and identifier, placed later.
HWND MakeControl(HWND parent, const wchar_t* className, const std::string& text, DWORD style, int id);
// A hidden dialog window without controls or title, owned by owner: the program places it and
// its controls in pixels. procedure gets parameter with WM_INITDIALOG.
HWND CreateEmptyDialog(HINSTANCE instance, HWND owner, DWORD style, DWORD exStyle, DLGPROC procedure,
                       LPARAM parameter);
// The file names of a GetOpenFileNameW answer with OFN_ALLOWMULTISELECT | OFN_EXPLORER: one
// full path, or the folder followed by the names chosen in it, each ended by a NUL, the list
// by a second NUL.
std::vector<std::string> ChosenFiles(const std::wstring& buffer);

// A report-style ListView with one selectable row. The current row carries both
// LVIS_FOCUSED and LVIS_SELECTED, the states Windows screen readers read.
class ListViewControl : public ui::IListView {
public:
    void Attach(HWND list) { list_ = list; }
    HWND Handle() const { return list_; }

    void Clear() override;
    void ReserveRows(std::size_t count) override;
    void AddRow(const std::string& caption, const std::string& subItem) override;
    std::size_t RowCount() override;
    std::string RowCaption(std::size_t row) override;
    int SelectedRow() override;
    void SelectRow(std::size_t row) override;
    // Selects the focused row again (the first when none has the focus) after a click beside
    // the rows or Ctrl+Space has left the list with rows but none selected.
    void KeepCurrentRowSelected();

private:
    HWND list_ = nullptr;
};

// A read-only EDIT.
class EditControl : public ui::IEdit {
public:
    void Attach(HWND edit) { edit_ = edit; }
    void SetText(const std::string& text) override;

private:
    HWND edit_ = nullptr;
};

// The status bar at the window's foot, one part: its text is its accessible name, and each
// text set is told to accessibility clients as a change of that name.
class StatusBarControl : public ui::IAnnouncement {
public:
    void Attach(HWND bar) { bar_ = bar; }
    void Announce(const std::string& text) override;

private:
    HWND bar_ = nullptr;
};

// An item of a menu, by its command identifier.
class MenuItemControl : public ui::IMenuItem {
public:
    void Attach(HMENU menu, UINT command) {
        menu_ = menu;
        command_ = command;
    }
    void SetCaption(const std::string& caption) override;
    void SetChecked(bool checked) override;

private:
    HMENU menu_ = nullptr;
    UINT command_ = 0;
};

// The system's open-file dialog with one filter entry, where several files can be chosen; the
// title and folder are the system's.
class OpenFileDialog : public ui::IOpenDialog {
public:
    OpenFileDialog(const std::string& description, const std::vector<std::string>& patterns);
    void Attach(HWND owner) { owner_ = owner; }
    bool Execute(std::vector<std::string>& fileNames) override;
    // The filter as GetOpenFileNameW takes it: description, NUL, patterns joined by ";",
    // NUL, NUL.
    const std::wstring& Filter() const { return filter_; }

private:
    HWND owner_ = nullptr;
    std::wstring filter_;
};

// MessageBoxW with the flags as given, owned by the main window.
class WindowMessageBoxes : public platform::IMessageBoxes {
public:
    void Attach(HWND owner) { owner_ = owner; }
    int ShowMessage(const std::string& text, const std::string& caption, unsigned flags) override;

private:
    HWND owner_ = nullptr;
};

}  // namespace win32gui

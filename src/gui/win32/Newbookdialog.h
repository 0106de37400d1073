#pragma once
// "Новая книга" on Windows: a dialog of the resource script whose captions come from the
// window logic; the fields keep Unicode text as typed. And the folder dialog of "Записать
// папку с книгой на карту памяти" (the shell's own folder picker).

#include <windows.h>

#include <string>

#include "app/Newbookdialog.h"

namespace win32gui {

class TNewBookDialog : public ui::INewBookDialog {
public:
    void Attach(HINSTANCE instance, HWND owner) {
        instance_ = instance;
        owner_ = owner;
    }
    bool Execute(TNewBookForm& form) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

    HINSTANCE instance_ = nullptr;
    HWND owner_ = nullptr;
    TNewBookForm* form_ = nullptr;
};

class TFolderDialog : public ui::IFolderDialog {
public:
    void Attach(HWND owner) { owner_ = owner; }
    bool Execute(std::string& folder) override;

private:
    HWND owner_ = nullptr;
};

}  // namespace win32gui

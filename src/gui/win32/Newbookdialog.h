#pragma once
// "Новая книга" on Windows: a dialog of the resource script whose captions come from the
// window logic; the fields keep Unicode text as typed. "Описание книги" is the same dialog
// with its own captions and without the lines on what was found. And the folder dialog of "Записать
// папку с книгой на карту памяти" (the shell's own folder picker).

#include <windows.h>

#include <string>

#include "app/Newbookdialog.h"

namespace win32gui {

class TNewBookDialog : public ui::INewBookDialog {
public:
    TNewBookDialog();
    void Attach(HINSTANCE instance, HWND owner) {
        instance_ = instance;
        owner_ = owner;
    }
    bool Execute(TNewBookForm& form) override;

protected:
    // The captions of one of the two dialogs: its title, field labels and buttons.
    struct TCaptions {
        const std::string *caption, *author, *title, *announcer, *accept, *cancel;
    };
    explicit TNewBookDialog(const TCaptions& captions) : captions_(captions) {}

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

    TCaptions captions_;
    HINSTANCE instance_ = nullptr;
    HWND owner_ = nullptr;
    TNewBookForm* form_ = nullptr;
};

class TBookNamesDialog : public TNewBookDialog, public ui::IBookNamesDialog {
public:
    TBookNamesDialog();
    bool Execute(TNewBookForm& form) override { return TNewBookDialog::Execute(form); }
};

class TFolderDialog : public ui::IFolderDialog {
public:
    void Attach(HWND owner) { owner_ = owner; }
    bool Execute(std::string& folder) override;

private:
    HWND owner_ = nullptr;
};

}  // namespace win32gui

#pragma once
// "Перемещение книги" and "Упорядочить книги" on Windows: dialogs of the resource script whose
// captions come from the window logic.

#include <windows.h>

#include "app/Arrangeflow.h"

namespace win32gui {

class TPlaceDialog : public ui::IPlaceDialog {
public:
    void Attach(HINSTANCE instance, HWND owner) {
        instance_ = instance;
        owner_ = owner;
    }
    bool Execute(const std::string& bookName, std::size_t count, std::size_t& place) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

    HINSTANCE instance_ = nullptr;
    HWND owner_ = nullptr;
    const std::string* bookName_ = nullptr;
    std::size_t count_ = 0;
    std::size_t place_ = 0;
};

class TSortDialog : public ui::ISortDialog {
public:
    void Attach(HINSTANCE instance, HWND owner) {
        instance_ = instance;
        owner_ = owner;
    }
    bool Execute(TBookOrder& order) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

    HINSTANCE instance_ = nullptr;
    HWND owner_ = nullptr;
    TBookOrder order_ = TBookOrder::AuthorThenTitle;
};

}  // namespace win32gui

#pragma once
// TCardSelectForm on Windows: a tool window of the dialog class with Label1, the editable
// ComboBox1 of the removable drives, BitBtn1 "OK" (default button) and BitBtn2 "Отмена".
// The window is made once at start-up, hidden, and shown modally as often as the logic asks.

#include <windows.h>

#include <string>

#include "Dpi.h"
#include "settings/Cardselectunit.h"

namespace win32gui {

class TCardSelectDialog : public ICardSelectView {
public:
    TCardSelectDialog() = default;
    ~TCardSelectDialog() override;
    TCardSelectDialog(const TCardSelectDialog&) = delete;
    TCardSelectDialog& operator=(const TCardSelectDialog&) = delete;

    // Makes the hidden dialog window, owned by the main window.
    void Create(HINSTANCE instance, HWND owner);
    HWND Handle() const { return dialog_; }

    void SetPrompt(const std::string& prompt) override;
    void ClearDrives() override;
    void AddDrive(const std::string& text) override;
    void SetText(const std::string& text) override;
    std::string Text() override;
    // Disables the owner, shows the dialog and runs its own message loop until OK (1) or
    // Cancel (2: the button, Esc or the close box).
    int ShowModal() override;

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    // Places the controls and sizes the window for the DPI; centres it when asked.
    void Layout(UINT dpi, bool centre);

    HWND dialog_ = nullptr;
    HWND label_ = nullptr;
    HWND combo_ = nullptr;
    HWND ok_ = nullptr;
    HWND cancel_ = nullptr;
    FontHandle font_;
    UINT fontDpi_ = 0;
    int modalResult_ = 0;
};

}  // namespace win32gui

#pragma once
// TCardSelectForm on Windows: a tool window of the dialog class with Label1, the editable
// ComboBox1 of the removable drives, BitBtn1 "OK" (default button) and BitBtn2 "Отмена".
// The window is made once at start-up, hidden, and shown modally as often as the logic asks.

#include <windows.h>

#include <string>

#include "Owneddialog.h"
#include "settings/Cardselectunit.h"

namespace win32gui {

class TCardSelectDialog : public TOwnedDialog, public ICardSelectView {
public:
    TCardSelectDialog();

    void SetPrompt(const std::string& prompt) override;
    void ClearDrives() override;
    void AddDrive(const std::string& text) override;
    void SetText(const std::string& text) override;
    std::string Text() override;
    // Disables the owner, shows the dialog and runs its own message loop until OK (1) or
    // Cancel (2: the button, Esc or the close box).
    int ShowModal() override;

private:
    void CreateControls() override;
    void Layout(UINT dpi) override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void ForgetControls() override { label_ = combo_ = ok_ = cancel_ = nullptr; }

    HWND label_ = nullptr;
    HWND combo_ = nullptr;
    HWND ok_ = nullptr;
    HWND cancel_ = nullptr;
    int modalResult_ = 0;
};

}  // namespace win32gui

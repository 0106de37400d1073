#pragma once
// The skeleton of the program's own dialog windows: made once, hidden, owned by the main
// window and laid out by the program (at 96 dpi, scaled), with the owner's input blocked
// while the dialog is modal and a message loop of its own.

#include <windows.h>

#include <initializer_list>

#include "Dpi.h"

namespace win32gui {

class TOwnedDialog {
public:
    TOwnedDialog(DWORD style, DWORD exStyle) : style_(style), exStyle_(exStyle) {}
    virtual ~TOwnedDialog();
    TOwnedDialog(const TOwnedDialog&) = delete;
    TOwnedDialog& operator=(const TOwnedDialog&) = delete;

    // Makes the hidden dialog window, owned by owner.
    void Create(HINSTANCE instance, HWND owner);
    HWND Handle() const { return dialog_; }

protected:
    // Makes the controls, once, when the dialog window is made.
    virtual void CreateControls() = 0;
    // Places the controls and sizes the window for the DPI.
    virtual void Layout(UINT dpi) = 0;
    // The dialog's other messages; true when handled.
    virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // The window is gone (the main window takes it along): the control handles are stale.
    virtual void ForgetControls() = 0;

    // The controls' font for the DPI, made anew when the DPI changes.
    void SetFont(std::initializer_list<HWND> controls, int fontHeight, UINT dpi);
    // Sizes the window for its client area; centred on the owner's screen when asked.
    void SizeForClient(int clientWidth, int clientHeight, UINT dpi, bool centre);
    void CentreOnOwner();
    HWND Owner() const { return GetWindow(dialog_, GW_OWNER); }
    // Disables the owner, as a modal dialog does; EnableOwner gives it its input back, before
    // the dialog hides, so that the owner becomes the active window again.
    void DisableOwner();
    void EnableOwner();

    enum class Pumped { Message, Quit, Failed };
    // Waits for one message and dispatches it, the dialog's keys (Tab, Enter, Escape) to the
    // dialog; Quit gives the quit request's code.
    Pumped PumpMessage(WPARAM& quitCode);

    HWND dialog_ = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

    DWORD style_;
    DWORD exStyle_;
    FontHandle font_;
    UINT fontDpi_ = 0;
    bool ownerWasEnabled_ = false;
};

}  // namespace win32gui

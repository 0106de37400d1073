#pragma once
// The main window TForm1 on Windows: GroupBox2 with the ListView books, GroupBox1 with the
// read-only EDIT status, the status bar that announces a moved book's place, the menu MainMenu1, and the progress window of long card work. It
// draws the controls and hands every event to the portable logic (TForm1 in app/Body.h), which
// decides what happens.

#include <windows.h>

#include <memory>
#include <vector>

#include "Arrangedialogs.h"
#include "Dpi.h"
#include "Nativecontrols.h"
#include "Newbookdialog.h"
#include "Progressdialog.h"
#include "Win32application.h"
#include "app/Body.h"

namespace win32gui {

class TMainWindow {
public:
    // Makes the hidden window with its controls and menu, centred on the screen, and the
    // window logic on them.
    TMainWindow(HINSTANCE instance, TWin32Application& application, ICardSelectView& cardSelectView,
                platform::Platform& platform);
    ~TMainWindow();
    TMainWindow(const TMainWindow&) = delete;
    TMainWindow& operator=(const TMainWindow&) = delete;

    HWND Handle() const { return window_; }
    TForm1& Form() { return *form_; }

    // The first showing starts the logic's FormShow from the message loop.
    void Show(int showCommand);
    // Keys the window handles before they reach a control: Tab and Shift+Tab move between
    // the list and the status line. True when the message was handled.
    bool PreTranslate(MSG& message);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK BooksProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR self);
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Gives the focus back to the control that had it last (the list at first).
    void FocusControl();
    void CreateMenuBar();
    void CreateControls();
    // Font, column widths and the window's outer size for the DPI.
    void ApplyDpi(UINT dpi);
    void Layout();
    // Runs a handler of the logic; an exception it raises is shown and the program goes on.
    template <typename Handler>
    void Guarded(Handler&& handler);

    TWin32Application& application_;
    HWND window_ = nullptr;
    HWND booksGroup_ = nullptr;   // GroupBox2
    HWND books_ = nullptr;
    HWND statusGroup_ = nullptr;  // GroupBox1
    HWND status_ = nullptr;
    HWND statusBar_ = nullptr;   // the announcement
    HWND lastFocus_ = nullptr;
    HMENU menu_ = nullptr;
    // The menu's commands, by command identifier minus the first one.
    std::vector<MenuCommand> commands_;
    FontHandle font_;
    UINT dpi_ = kDesignDpi;
    bool shown_ = false;
    // Handlers under way (a box of one may be up), and volumes that changed meanwhile.
    int handling_ = 0;
    bool drivesPending_ = false;

    ListViewControl booksControl_;
    EditControl statusControl_;
    StatusBarControl statusBarControl_;
    MenuItemControl n9_;
    MenuItemControl n17_;
    OpenFileDialog openDialog_;
    TNewBookDialog newBook_;
    TFolderDialog folderDialog_;
    TPlaceDialog placeDialog_;
    TSortDialog sortDialog_;
    TBookNamesDialog namesDialog_;
    WindowMessageBoxes boxes_;
    TProgressDialog progress_;
    std::unique_ptr<TForm1> form_;
};

}  // namespace win32gui

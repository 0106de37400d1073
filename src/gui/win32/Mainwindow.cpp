#include "Mainwindow.h"

#include <commctrl.h>
#include <dbt.h>

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <string>
#include <utility>

#include "Resource.h"

namespace win32gui {
namespace {

using Sizes = TMainFormLayout;

constexpr wchar_t kClassName[] = L"TForm1";
// No WS_CLIPCHILDREN: the group boxes do not paint their inside, the window's background does.
constexpr DWORD kWindowStyle = WS_OVERLAPPEDWINDOW;
constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT;
// Posted at the first showing; FormShow then runs from the message loop.
constexpr UINT kFormShowMessage = WM_APP + 1;
// Posted when the list's row lost its selection; handled once the list has settled.
constexpr UINT kKeepSelectionMessage = WM_APP + 2;
// Posted when the system says a volume came or went; told to the window logic from the loop.
constexpr UINT kDrivesChangedMessage = WM_APP + 3;

constexpr int kBooksGroupId = 100;
constexpr int kBooksId = 101;
constexpr int kStatusGroupId = 102;
constexpr int kStatusId = 103;
constexpr int kStatusBarId = 104;
constexpr int kBooksLabelId = 105;
constexpr int kStatusLabelId = 106;
constexpr UINT kFirstMenuCommand = 1000;
constexpr UINT_PTR kBooksSubclassId = 1;
constexpr int kNameColumn = 0;
constexpr int kSizeColumn = 1;
// Space between a group box's edge and what it holds, and below its caption, at 96 dpi.
constexpr int kGroupInset = 2;

const char* const kSeparatorCaption = "-";
const char* const kIntegrationItem = "N9";
const char* const kVerifyItem = "N17";

// The modifier keys held, as the window logic counts them.
unsigned ModifierState() {
    unsigned state = 0;
    if (GetKeyState(VK_SHIFT) < 0) state |= kShiftDown;
    if (GetKeyState(VK_MENU) < 0) state |= kAltDown;
    if (GetKeyState(VK_CONTROL) < 0) state |= kCtrlDown;
    return state;
}

HWND MakeChild(HWND parent, const wchar_t* className, const std::string& text, DWORD style, DWORD exStyle, int id) {
    return CreateWindowExW(exStyle, className, Wide(text).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

void RegisterWindowClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_ZWQMANAGER), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_ZWQMANAGER), IMAGE_ICON,
                                                        GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);
}

void AddColumn(HWND list, int index, const std::string& caption) {
    std::wstring text = Wide(caption);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_SUBITEM;
    column.pszText = text.data();
    column.iSubItem = index;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

}  // namespace

TMainWindow::TMainWindow(HINSTANCE instance, TWin32Application& application, ICardSelectView& cardSelectView,
                         platform::Platform& platform)
    : application_(application),
      openDialog_(MainFormTexts().openFilterDescription, MainFormTexts().openFilterPatterns) {
    RegisterWindowClass(instance, &TMainWindow::WindowProc);
    CreateMenuBar();
    window_ = CreateWindowExW(kWindowExStyle, kClassName, Wide(MainFormTexts().caption).c_str(), kWindowStyle,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, menu_, instance,
                              this);
    if (window_ == nullptr) {
        DestroyMenu(menu_);
        throw std::runtime_error("CreateWindowEx: " + std::to_string(GetLastError()));
    }
    CreateControls();
    ApplyDpi(DpiOf(window_));
    const SIZE outer{Scaled(Sizes::kWidth, dpi_), Scaled(Sizes::kHeight, dpi_)};
    const POINT corner = CentredOnScreen(window_, outer);
    SetWindowPos(window_, nullptr, corner.x, corner.y, outer.cx, outer.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();

    application_.SetMainWindow(window_);
    boxes_.Attach(window_);
    openDialog_.Attach(window_);
    newBook_.Attach(instance, window_);
    folderDialog_.Attach(window_);
    placeDialog_.Attach(instance, window_);
    sortDialog_.Attach(instance, window_);
    namesDialog_.Attach(instance, window_);
    progress_.Create(instance, window_);
    form_ = std::make_unique<TForm1>(TForm1Controls{boxes_, booksControl_, statusControl_, n9_, openDialog_,
                                                    application_, cardSelectView, progress_, &newBook_,
                                                    &folderDialog_, &placeDialog_, &sortDialog_, &namesDialog_,
                                                    &statusBarControl_, &n17_},
                                     platform);
}

TMainWindow::~TMainWindow() {
    if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
}

void TMainWindow::CreateMenuBar() {
    menu_ = CreateMenu();
    for (const TMenuDef& definition : MainMenu()) {
        const HMENU popup = CreatePopupMenu();
        for (const TMenuItemDef& item : definition.items) {
            if (item.caption == kSeparatorCaption) {
                AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
                continue;
            }
            const UINT command = kFirstMenuCommand + static_cast<UINT>(commands_.size());
            commands_.push_back(item.command);
            // The list's key for the same command is shown after a tab; the menu does not take it.
            const std::string caption = item.shortcut.empty() ? item.caption : item.caption + "\t" + item.shortcut;
            AppendMenuW(popup, MF_STRING, command, Wide(caption).c_str());
            if (item.name == kIntegrationItem) n9_.Attach(popup, command);
            if (item.name == kVerifyItem) n17_.Attach(popup, command);
        }
        AppendMenuW(menu_, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), Wide(definition.caption).c_str());
    }
}

void TMainWindow::CreateControls() {
    const TMainFormTexts& texts = MainFormTexts();
    // Made in tab order; the group boxes go below the controls they frame.
    // A group box names nothing for a screen reader: the list and the status line are named by a
    // label of no size just before each in the z-order and tab order, saying the group's caption.
    // The list says it in its own window text too, which it does not draw: Wine names a list
    // view by that text only, Windows by the label.
    booksGroup_ = MakeChild(window_, WC_BUTTONW, texts.booksGroup, BS_GROUPBOX | WS_CLIPSIBLINGS, 0, kBooksGroupId);
    MakeChild(window_, WC_STATICW, texts.booksGroup, SS_LEFT | SS_NOPREFIX, 0, kBooksLabelId);
    books_ = MakeChild(window_, WC_LISTVIEWW, texts.booksGroup,
                       LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP, WS_EX_CLIENTEDGE, kBooksId);
    statusGroup_ = MakeChild(window_, WC_BUTTONW, texts.statusGroup, BS_GROUPBOX | WS_CLIPSIBLINGS, 0, kStatusGroupId);
    MakeChild(window_, WC_STATICW, texts.statusGroup, SS_LEFT | SS_NOPREFIX, 0, kStatusLabelId);
    status_ = MakeChild(window_, WC_EDITW, std::string(), ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE,
                        kStatusId);
    // Out of the tab order: the window logic sets its text, a screen reader is told of it.
    statusBar_ = MakeChild(window_, STATUSCLASSNAMEW, std::string(), 0, 0, kStatusBarId);
    for (const HWND group : {booksGroup_, statusGroup_}) {
        SetWindowPos(group, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }

    SendMessageW(books_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    AddColumn(books_, kNameColumn, texts.nameColumn);
    AddColumn(books_, kSizeColumn, texts.sizeColumn);
    SetWindowSubclass(books_, &TMainWindow::BooksProc, kBooksSubclassId, reinterpret_cast<DWORD_PTR>(this));

    booksControl_.Attach(books_);
    statusControl_.Attach(status_);
    statusBarControl_.Attach(statusBar_);
    lastFocus_ = books_;
}

void TMainWindow::ApplyDpi(UINT dpi) {
    dpi_ = dpi;
    FontHandle font = MakeFormFont(Sizes::kFontHeight, dpi);
    for (const HWND control : {booksGroup_, books_, statusGroup_, status_, statusBar_}) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    }
    font_ = std::move(font);
    SendMessageW(books_, LVM_SETCOLUMNWIDTH, kNameColumn, Scaled(Sizes::kNameColumnWidth, dpi));
    SendMessageW(books_, LVM_SETCOLUMNWIDTH, kSizeColumn, Scaled(Sizes::kSizeColumnWidth, dpi));
}

void TMainWindow::Layout() {
    if (books_ == nullptr) return;
    RECT client{};
    GetClientRect(window_, &client);
    // The status bar places itself along the bottom edge; the groups share the rest.
    SendMessageW(statusBar_, WM_SIZE, 0, 0);
    RECT bar{};
    GetWindowRect(statusBar_, &bar);
    const int width = client.right - client.left;
    const int height = std::max(0, static_cast<int>(client.bottom - client.top - (bar.bottom - bar.top)));
    const int statusGroupHeight = Scaled(Sizes::kStatusGroupHeight, dpi_);
    const int booksGroupHeight = std::max(0, height - statusGroupHeight);

    // GroupBox2 fills what GroupBox1 at the bottom leaves; the list fills GroupBox2 below
    // its caption.
    MoveWindow(booksGroup_, 0, 0, width, booksGroupHeight, TRUE);
    const int inset = Scaled(kGroupInset, dpi_);
    const int listTop = TextHeight(font_.get()) + inset;
    MoveWindow(books_, inset, listTop, std::max(0, width - 2 * inset), std::max(0, booksGroupHeight - listTop - inset),
               TRUE);

    MoveWindow(statusGroup_, 0, booksGroupHeight, width, statusGroupHeight, TRUE);
    MoveWindow(status_, Scaled(Sizes::kStatusLeft, dpi_), booksGroupHeight + Scaled(Sizes::kStatusTop, dpi_),
               Scaled(Sizes::kStatusWidth, dpi_), Scaled(Sizes::kStatusHeight, dpi_), TRUE);
}

void TMainWindow::Show(int showCommand) {
    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
}

bool TMainWindow::PreTranslate(MSG& message) {
    if (window_ == nullptr || !IsChild(window_, message.hwnd)) return false;
    // Ctrl+E, "Извлечь карту памяти", from any control of the window.
    if (message.message == WM_KEYDOWN && message.wParam == 'E' && ModifierState() == kCtrlDown) {
        Guarded([this] { form_->RunMenuCommand(MenuCommand::Eject); });
        return true;
    }
    if (message.message != WM_KEYDOWN || message.wParam != VK_TAB) return false;
    const bool backwards = GetKeyState(VK_SHIFT) < 0;
    const HWND next = GetNextDlgTabItem(window_, GetFocus(), backwards ? TRUE : FALSE);
    if (next != nullptr) SetFocus(next);
    return true;
}

void TMainWindow::FocusControl() {
    const HWND target = lastFocus_ != nullptr ? lastFocus_ : books_;
    if (target != nullptr) SetFocus(target);
}

template <typename Handler>
void TMainWindow::Guarded(Handler&& handler) {
    ++handling_;
    try {
        handler();
    } catch (const std::exception& error) {
        application_.ShowException(error.what());
    } catch (...) {
        application_.ShowException(std::string());
    }
    --handling_;
    if (handling_ == 0 && drivesPending_ && window_ != nullptr) PostMessageW(window_, kDrivesChangedMessage, 0, 0);
}

LRESULT CALLBACK TMainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        auto* self = static_cast<TMainWindow*>(creation->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<TMainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    return self->HandleMessage(window, message, wParam, lParam);
}

LRESULT TMainWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            Layout();
            return 0;
        case WM_SHOWWINDOW:
            if (wParam != FALSE && !shown_) {
                shown_ = true;
                PostMessageW(window_, kFormShowMessage, 0, 0);
            }
            break;
        case kFormShowMessage:
            Guarded([this] { form_->FormShow(); });
            return 0;
        case WM_COMMAND:
            // Menu items: no notification code, no control.
            if (HIWORD(wParam) == 0 && lParam == 0) {
                const UINT index = LOWORD(wParam) - kFirstMenuCommand;
                if (LOWORD(wParam) >= kFirstMenuCommand && index < commands_.size()) {
                    const MenuCommand command = commands_[index];
                    Guarded([this, command] { form_->RunMenuCommand(command); });
                    return 0;
                }
            }
            break;
        case WM_NOTIFY: {
            const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
            if (change->hdr.hwndFrom == books_ && change->hdr.code == LVN_ITEMCHANGED &&
                (change->uOldState & LVIS_SELECTED) != 0 && (change->uNewState & LVIS_SELECTED) == 0) {
                PostMessageW(window_, kKeepSelectionMessage, 0, 0);
            }
            break;
        }
        case WM_DEVICECHANGE: {
            // A volume (a card, or a medium put in a reader) arrived or was taken away.
            const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
            if ((wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE) && header != nullptr &&
                header->dbch_devicetype == DBT_DEVTYP_VOLUME) {
                PostMessageW(window_, kDrivesChangedMessage, 0, 0);
            }
            return TRUE;
        }
        case kDrivesChangedMessage:
            drivesPending_ = handling_ > 0;
            if (!drivesPending_ && form_) Guarded([this] { form_->DrivesChanged(); });
            return 0;
        case kKeepSelectionMessage:
            booksControl_.KeepCurrentRowSelected();
            return 0;
        case WM_ACTIVATE:
            // The focus goes back to the control that had it when the window was left.
            if (LOWORD(wParam) == WA_INACTIVE) {
                const HWND focus = GetFocus();
                if (focus != nullptr && IsChild(window_, focus)) lastFocus_ = focus;
            } else if (HIWORD(wParam) == 0) {
                FocusControl();
                return 0;
            }
            break;
        case WM_SETFOCUS:
            FocusControl();
            return 0;
        case WM_DPICHANGED: {
            ApplyDpi(HIWORD(wParam));
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(window_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                         suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
            Layout();
            return 0;
        }
        case WM_CLOSE: {
            // During a card operation the window logic asks first, and the window closes once
            // the operation has ended.
            bool mayClose = true;
            if (form_) Guarded([this, &mayClose] { mayClose = form_->FormCloseQuery(); });
            if (mayClose) DestroyWindow(window_);
            return 0;
        }
        case WM_DESTROY:
            RemoveWindowSubclass(books_, &TMainWindow::BooksProc, kBooksSubclassId);
            if (form_) Guarded([this] { form_->FormDestroy(); });
            PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            window_ = nullptr;
            booksGroup_ = books_ = statusGroup_ = status_ = statusBar_ = lastFocus_ = nullptr;
            break;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK TMainWindow::BooksProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR /*id*/,
                                        DWORD_PTR self) {
    if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) {
        auto* window = reinterpret_cast<TMainWindow*>(self);
        const unsigned shift = ModifierState();
        // Enter and Delete reach the logic with any modifiers (Alt makes them system keys); the
        // list's own handling of the key goes on afterwards.
        if (wParam == VK_RETURN || wParam == VK_DELETE) {
            const auto key = static_cast<uint16_t>(wParam == VK_RETURN ? kKeyEnter : kKeyDelete);
            window->Guarded([window, key, shift] { window->form_->booksKeyDown(key, shift); });
        }
        // F2 and, with Ctrl, Up, Down and M belong to the logic alone: the list's current row
        // does not move with them.
        const bool ctrl = (shift & kCtrlDown) != 0;
        if (wParam == VK_F2 || (ctrl && (wParam == VK_UP || wParam == VK_DOWN || wParam == 'M'))) {
            const auto key = static_cast<uint16_t>(wParam == VK_F2 ? kKeyF2
                                                   : wParam == VK_UP ? kKeyUp
                                                   : wParam == VK_DOWN ? kKeyDown
                                                                       : kKeyM);
            window->Guarded([window, key, shift] { window->form_->booksKeyDown(key, shift); });
            return 0;
        }
    }
    return DefSubclassProc(list, message, wParam, lParam);
}

}  // namespace win32gui

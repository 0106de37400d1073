// windowprobe.exe: what a Windows screen reader would read from the running ZWQManager.exe,
// printed as UTF-8 lines for the window tests.
//
//   windowprobe.exe          the main window: "focus <class of the focused control>", then one
//                            line per row of the book list: "row <index> <F|-><S|-> <caption>"
//                            (F: LVIS_FOCUSED, S: LVIS_SELECTED)
//   windowprobe.exe TITLE    the texts of the controls of the dialog or box with that title (edit
//                            fields' too) in their order in the window, one "text <text>" line each, and
//                            "progress <position>" for a progress bar
//   windowprobe.exe volume arrival|removal LETTER    the drive's volume came or went
//
// The list's captions are read as another process must: through a buffer allocated in the
// program's own memory.
#include <windows.h>

#include <commctrl.h>
#include <dbt.h>
#include <cwctype>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr int kExitFound = 0;
constexpr int kExitNotFound = 1;
constexpr int kCaptionChars = 1024;
constexpr int kTextChars = 4096;
constexpr int kClassChars = 256;
constexpr UINT kAnswerMs = 2000;

// One line of output; line breaks inside the text become blanks.
void Print(std::wstring line) {
    for (wchar_t& c : line) {
        if (c == L'\r' || c == L'\n') c = L' ';
    }
    const auto length = static_cast<int>(line.size());
    const int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), length, utf8.data(), size, nullptr, nullptr);
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fputc('\n', stdout);
}

std::wstring ClassOf(HWND window) {
    wchar_t name[kClassChars] = {};
    GetClassNameW(window, name, kClassChars);
    return name;
}

// A row's caption, through memory of the process that owns the list.
std::wstring Caption(HANDLE process, HWND list, int row) {
    const SIZE_T bytes = sizeof(LVITEMW) + kCaptionChars * sizeof(wchar_t);
    auto* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE));
    if (remote == nullptr) return L"?";
    LVITEMW item{};
    item.iSubItem = 0;
    item.cchTextMax = kCaptionChars;
    item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
    std::wstring caption(kCaptionChars, L'\0');
    if (WriteProcessMemory(process, remote, &item, sizeof item, nullptr)) {
        SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
        ReadProcessMemory(process, remote + sizeof(LVITEMW), caption.data(), kCaptionChars * sizeof(wchar_t), nullptr);
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    caption.resize(wcsnlen(caption.c_str(), caption.size()));
    return caption;
}

int ProbeMainWindow() {
    const HWND main = FindWindowW(L"TForm1", nullptr);
    const HWND list = main != nullptr ? FindWindowExW(main, nullptr, WC_LISTVIEWW, nullptr) : nullptr;
    if (list == nullptr) return kExitNotFound;
    DWORD processId = 0;
    const DWORD thread = GetWindowThreadProcessId(main, &processId);
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    Print(L"focus " + (GetGUIThreadInfo(thread, &gui) && gui.hwndFocus != nullptr ? ClassOf(gui.hwndFocus) : L"-"));
    const HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    const auto rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
        const auto state = static_cast<UINT>(
            SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_FOCUSED | LVIS_SELECTED));
        std::wstring flags;
        flags += (state & LVIS_FOCUSED) != 0 ? L'F' : L'-';
        flags += (state & LVIS_SELECTED) != 0 ? L'S' : L'-';
        Print(L"row " + std::to_wstring(row) + L" " + flags + L" " +
              (process != nullptr ? Caption(process, list, row) : std::wstring(L"?")));
    }
    if (process != nullptr) CloseHandle(process);
    return kExitFound;
}

BOOL CALLBACK PrintText(HWND control, LPARAM /*unused*/) {
    if (ClassOf(control) == PROGRESS_CLASSW) {
        Print(L"progress " + std::to_wstring(SendMessageW(control, PBM_GETPOS, 0, 0)));
        return TRUE;
    }
    // Asked of the control itself, as a screen reader does: an edit field's text is its own,
    // which GetWindowText does not read from another process.
    std::wstring text(kTextChars, L'\0');
    DWORD_PTR length = 0;
    if (SendMessageTimeoutW(control, WM_GETTEXT, kTextChars, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                            kAnswerMs, &length) == 0) {
        length = 0;
    }
    text.resize(static_cast<std::size_t>(length));
    if (!text.empty()) Print(L"text " + text);
    return TRUE;
}

struct BoxSearch {
    const wchar_t* title;
    bool found;
};

// Every visible top-level window with the title (a wizard may show its pages in more than one).
BOOL CALLBACK PrintBox(HWND window, LPARAM search) {
    auto& wanted = *reinterpret_cast<BoxSearch*>(search);
    std::wstring text(kTextChars, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), kTextChars)));
    if (IsWindowVisible(window) && text == wanted.title) {
        wanted.found = true;
        EnumChildWindows(window, &PrintText, 0);
    }
    return TRUE;
}

int ProbeBox(const wchar_t* title) {
    BoxSearch search{title, false};
    EnumWindows(&PrintBox, reinterpret_cast<LPARAM>(&search));
    return search.found ? kExitFound : kExitNotFound;
}

// Tells the main window that the volume of a drive letter came or went, as the system does.
int TellVolume(const std::wstring& change, wchar_t letter) {
    DEV_BROADCAST_VOLUME volume{sizeof volume, DBT_DEVTYP_VOLUME, 0, 1u << (towupper(letter) - L'A'), 0};
    const HWND main = FindWindowW(L"TForm1", nullptr);
    if (main != nullptr) SendMessageW(main, WM_DEVICECHANGE, change == L"arrival" ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(&volume));
    return main != nullptr ? kExitFound : kExitNotFound;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 4 && std::wstring(argv[1]) == L"volume") return TellVolume(argv[2], argv[3][0]);
    const int result = argc > 1 ? ProbeBox(argv[1]) : ProbeMainWindow();
    std::fflush(stdout);
    return result;
}

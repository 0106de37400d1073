// listener.exe OUT STOP: what a Windows screen reader is told while the program runs. It hooks
// the events screen readers speak from (out of context, in this process's message loop), asks
// each event's object through MSAA and appends one UTF-8 line per event to OUT:
//
//   <event> TAB <name> TAB <role> TAB <states> TAB <value> TAB <description>
//
// States are the state texts joined by commas. When the focus enters a dialog or box other than
// the last one, or a dialog or alert event comes, a line "dialog TAB <title> TAB <texts>" follows
// with the dialog's static texts in tab order, joined by " / ", as a screen reader reads them.
// The first line is "ready" once the hooks are set; the program ends when the file STOP appears.
#include <windows.h>

#include <oleacc.h>

#include <cstdio>
#include <string>

namespace {

FILE* out = nullptr;
HWND lastDialog = nullptr;
constexpr int kTextChars = 4096;

void Write(std::wstring line) {
    for (wchar_t& c : line) {
        if (c == L'\r' || c == L'\n') c = L' ';
    }
    line += L'\n';
    const auto length = static_cast<int>(line.size());
    const int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), length, utf8.data(), size, nullptr, nullptr);
    std::fwrite(utf8.data(), 1, utf8.size(), out);
    std::fflush(out);
}

std::wstring Taken(BSTR text) {
    std::wstring result = text != nullptr ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    return result;
}

std::wstring WindowText(HWND window) {
    std::wstring text(kTextChars, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), kTextChars)));
    return text;
}

const wchar_t* EventName(DWORD event) {
    switch (event) {
        case EVENT_OBJECT_FOCUS: return L"focus";
        case EVENT_SYSTEM_DIALOGSTART: return L"dialogstart";
        case EVENT_SYSTEM_ALERT: return L"alert";
        case EVENT_OBJECT_NAMECHANGE: return L"namechange";
        case EVENT_OBJECT_VALUECHANGE: return L"valuechange";
        case EVENT_OBJECT_STATECHANGE: return L"statechange";
        case EVENT_OBJECT_SELECTION: return L"selection";
        case EVENT_SYSTEM_MENUSTART: return L"menustart";
        case EVENT_SYSTEM_MENUPOPUPSTART: return L"popupstart";
        default: return nullptr;
    }
}

// The dialog's static texts in tab order (the order of its children).
void WriteDialog(HWND dialog) {
    lastDialog = dialog;
    std::wstring texts;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t kind[64] = {};
        GetClassNameW(child, kind, 64);
        const std::wstring text = WindowText(child);
        if (lstrcmpiW(kind, L"Static") == 0 && IsWindowVisible(child) && !text.empty()) {
            texts += (texts.empty() ? L"" : L" / ") + text;
        }
    }
    Write(L"dialog\t" + WindowText(dialog) + L"\t" + texts);
}

void CALLBACK OnEvent(HWINEVENTHOOK /*hook*/, DWORD event, HWND window, LONG object, LONG child, DWORD /*thread*/,
                      DWORD /*time*/) {
    const wchar_t* name = EventName(event);
    if (name == nullptr) return;
    IAccessible* accessible = nullptr;
    VARIANT self{};
    std::wstring line = name;
    if (SUCCEEDED(AccessibleObjectFromEvent(window, static_cast<DWORD>(object), static_cast<DWORD>(child),
                                            &accessible, &self))) {
        BSTR text = nullptr;
        line += L"\t" + (accessible->get_accName(self, &text) == S_OK ? Taken(text) : std::wstring());
        VARIANT value{};
        wchar_t words[256] = L"";
        if (accessible->get_accRole(self, &value) == S_OK && value.vt == VT_I4) {
            GetRoleTextW(static_cast<DWORD>(value.lVal), words, 256);
        }
        line += L"\t" + std::wstring(words) + L"\t";
        VariantInit(&value);
        if (accessible->get_accState(self, &value) == S_OK && value.vt == VT_I4) {
            bool first = true;
            for (DWORD bit = 1; bit != 0 && bit <= STATE_SYSTEM_VALID; bit <<= 1) {
                if ((static_cast<DWORD>(value.lVal) & bit) == 0 || GetStateTextW(bit, words, 256) == 0) continue;
                line += (first ? L"" : L",") + std::wstring(words);
                first = false;
            }
        }
        line += L"\t" + (accessible->get_accValue(self, &text) == S_OK ? Taken(text) : std::wstring());
        line += L"\t" + (accessible->get_accDescription(self, &text) == S_OK ? Taken(text) : std::wstring());
        accessible->Release();
        VariantClear(&self);
    }
    Write(line);
    const HWND root = window != nullptr ? GetAncestor(window, GA_ROOT) : nullptr;
    wchar_t kind[64] = {};
    if (root != nullptr) GetClassNameW(root, kind, 64);
    const bool dialogEvent = event == EVENT_SYSTEM_DIALOGSTART || event == EVENT_SYSTEM_ALERT;
    if (root != nullptr && (dialogEvent || (event == EVENT_OBJECT_FOCUS && root != lastDialog &&
                                            lstrcmpW(kind, L"#32770") == 0))) {
        WriteDialog(root);
    }
    if (event == EVENT_OBJECT_FOCUS && lstrcmpW(kind, L"#32770") != 0) lastDialog = nullptr;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3 || (out = _wfopen(argv[1], L"ab")) == nullptr) return 2;
    CoInitialize(nullptr);
    const DWORD flags = WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS;
    HWINEVENTHOOK hooks[] = {
        SetWinEventHook(EVENT_SYSTEM_ALERT, EVENT_SYSTEM_DIALOGSTART, nullptr, &OnEvent, 0, 0, flags),
        SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_VALUECHANGE, nullptr, &OnEvent, 0, 0, flags)};
    // The stop file is waited for through a change notification of its folder, beside the messages.
    std::wstring folder = argv[2];
    folder.resize(folder.find_last_of(L"\\/") + 1);
    const HANDLE change = FindFirstChangeNotificationW(folder.c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
    if (hooks[0] == nullptr || hooks[1] == nullptr || change == INVALID_HANDLE_VALUE) return 2;
    Write(L"ready");
    while (GetFileAttributesW(argv[2]) == INVALID_FILE_ATTRIBUTES) {
        if (MsgWaitForMultipleObjects(1, &change, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0) {
            FindNextChangeNotification(change);
        }
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    for (HWINEVENTHOOK hook : hooks) UnhookWinEvent(hook);
    FindCloseChangeNotification(change);
    std::fclose(out);
    CoUninitialize();
    return 0;
}

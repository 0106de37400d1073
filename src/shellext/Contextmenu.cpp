#include "shellext/Contextmenu.h"

#include <shellapi.h>

#include <cstring>

#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "platform/win32/Win32platform.h"
#include "platform/win32/Win32process.h"
#include "settings/Appdatainiunit.h"
#include "settings/Optionsunit.h"
#include "shellext/Librarystate.h"

namespace shellext {
namespace {

using platform::Ansi;

// Where the program keeps its settings (as the program itself names them).
const char* const kCompanyWord = "kv8102tz";
const char* const kProgramWord = "ZWQManager";
const wchar_t* const kProgramFile = L"ZWQManager.exe";
// The item's offset from the first identifier Explorer gives us: we add one item.
constexpr UINT kItemOffset = 0;
// The longest command line CreateProcess takes, its terminating zero included.
constexpr std::size_t kCommandLineLimit = 32767;

// The card the user chose, read afresh from the program's settings file for every menu, so
// that a card chosen a moment ago counts. The platform services are our own: the program's
// shared ones would change the error mode of Explorer's process.
std::string ChosenCardPath() {
    platform::Win32FileSystem files;
    platform::Win32ShellFolders folders;
    platform::UnrarExtractor extractor;
    platform::Win32Drives drives;
    platform::Win32System system;
    platform::Platform services{files, folders, extractor, drives, system, platform::IntegrationStyle::ClassesRegistry,
                                nullptr};
    SettingsStore settings(kCompanyWord, kProgramWord, services);
    std::string cardPath;
    return LoadCardPath(settings, cardPath) ? cardPath : std::string();
}

// The paths of a CF_HDROP data object, as Explorer hands over a selection.
std::vector<std::wstring> DroppedPaths(IDataObject* data) {
    std::vector<std::wstring> paths;
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (FAILED(data->GetData(&format, &medium))) return paths;
    const auto drop = static_cast<HDROP>(GlobalLock(medium.hGlobal));
    if (drop != nullptr) {
        const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            const UINT length = DragQueryFileW(drop, i, nullptr, 0);
            std::wstring path(length + 1, L'\0');
            path.resize(DragQueryFileW(drop, i, path.data(), length + 1));
            if (!path.empty()) paths.push_back(path);
        }
        GlobalUnlock(medium.hGlobal);
    }
    ReleaseStgMedium(&medium);
    return paths;
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The program reads its arguments as Windows-1251 text: a path with a character that text
// cannot hold is handed over in its short form, which has none.
std::wstring ArgumentPath(const std::wstring& path) {
    return platform::WideName(platform::AnsiName(path)) == path ? path : platform::ShortPath(path);
}

void Tell(HWND owner, const std::string& text) {
    MessageBoxW(owner, platform::WideName(text).c_str(), platform::WideName(Ansi("ZWQ-менеджер")).c_str(), MB_OK | MB_ICONERROR);
}

// Copies text with its terminating zero into a buffer of size characters.
template <typename Char>
HRESULT CopyText(const std::basic_string<Char>& text, Char* buffer, UINT size) {
    if (buffer == nullptr || size == 0) return E_INVALIDARG;
    if (text.size() + 1 > size) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(buffer, text.c_str(), (text.size() + 1) * sizeof(Char));
    return S_OK;
}

}  // namespace

TContextMenu::TContextMenu() { ObjectCreated(); }

TContextMenu::~TContextMenu() { ObjectDestroyed(); }

HRESULT TContextMenu::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IShellExtInit)) {
        *object = static_cast<IShellExtInit*>(this);
    } else if (IsEqualIID(riid, IID_IContextMenu)) {
        *object = static_cast<IContextMenu*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG TContextMenu::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG TContextMenu::Release() {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT TContextMenu::Initialize(PCIDLIST_ABSOLUTE, IDataObject* data, HKEY) {
    paths_.clear();
    item_ = MenuItem::None;
    if (data == nullptr) return E_INVALIDARG;
    paths_ = DroppedPaths(data);
    if (paths_.empty()) return E_FAIL;
    std::vector<SelectedPath> selection;
    for (const std::wstring& path : paths_) selection.push_back({platform::AnsiName(path), IsFolder(path)});
    item_ = ChooseMenuItem(selection, ChosenCardPath());
    return S_OK;
}

HRESULT TContextMenu::QueryContextMenu(HMENU menu, UINT index, UINT firstId, UINT lastId, UINT flags) {
    // Nothing for the default verb alone (a double click) and nothing without room.
    if (item_ == MenuItem::None || (flags & CMF_DEFAULTONLY) != 0 || firstId + kItemOffset > lastId) {
        return MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_NULL, 0);
    }
    std::wstring text = platform::WideName(MenuItemText(item_));
    MENUITEMINFOW entry{};
    entry.cbSize = sizeof entry;
    entry.fMask = MIIM_ID | MIIM_STRING | MIIM_FTYPE;
    entry.fType = MFT_STRING;
    entry.wID = firstId + kItemOffset;
    entry.dwTypeData = text.data();
    if (!InsertMenuItemW(menu, index, TRUE, &entry)) return HRESULT_FROM_WIN32(GetLastError());
    return MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_NULL, kItemOffset + 1);
}

bool TContextMenu::IsOurCommand(const CMINVOKECOMMANDINFO* info) const {
    const std::string verb = MenuItemVerb(item_);
    if (info->cbSize >= sizeof(CMINVOKECOMMANDINFOEX) && (info->fMask & CMIC_MASK_UNICODE) != 0) {
        const auto* wide = reinterpret_cast<const CMINVOKECOMMANDINFOEX*>(info);
        if (!IS_INTRESOURCE(wide->lpVerbW)) return platform::WideName(verb) == wide->lpVerbW;
    }
    if (!IS_INTRESOURCE(info->lpVerb)) return verb == info->lpVerb;
    return LOWORD(reinterpret_cast<UINT_PTR>(info->lpVerb)) == kItemOffset;
}

HRESULT TContextMenu::InvokeCommand(CMINVOKECOMMANDINFO* info) {
    if (info == nullptr) return E_INVALIDARG;
    if (item_ == MenuItem::None || !IsOurCommand(info)) return E_FAIL;
    return StartProgram(info->hwnd, (info->fMask & CMIC_MASK_FLAG_NO_UI) != 0) ? S_OK : E_FAIL;
}

bool TContextMenu::StartProgram(HWND owner, bool quiet) const {
    const std::wstring library = ModulePath();
    const std::wstring program = library.substr(0, library.find_last_of(L'\\') + 1) + kProgramFile;
    std::wstring commandLine = platform::QuotedArgument(program);
    for (const std::wstring& path : paths_) commandLine += L" " + platform::QuotedArgument(ArgumentPath(path));
    if (commandLine.size() >= kCommandLineLimit) {
        if (!quiet) Tell(owner, Ansi("Выбрано слишком много книг для одного раза: выберите их в несколько приёмов"));
        return false;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        if (!quiet) Tell(owner, Ansi("Не удалось запустить программу ") + platform::AnsiName(program));
        return false;
    }
    // The program's boxes come to the front, as the user asked for them.
    AllowSetForegroundWindow(process.dwProcessId);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

HRESULT TContextMenu::GetCommandString(UINT_PTR command, UINT type, UINT*, CHAR* name, UINT size) {
    if (item_ == MenuItem::None || command != kItemOffset) return E_INVALIDARG;
    switch (type) {
    case GCS_VALIDATEA:
    case GCS_VALIDATEW: return S_OK;
    case GCS_HELPTEXTA: return CopyText(MenuItemHelp(item_), name, size);
    case GCS_HELPTEXTW: return CopyText(platform::WideName(MenuItemHelp(item_)), reinterpret_cast<wchar_t*>(name), size);
    case GCS_VERBA: return CopyText(MenuItemVerb(item_), name, size);
    case GCS_VERBW: return CopyText(platform::WideName(MenuItemVerb(item_)), reinterpret_cast<wchar_t*>(name), size);
    default: return E_INVALIDARG;
    }
}

}  // namespace shellext

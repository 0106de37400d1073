// What "regsvr32 /s" and "regsvr32 /s /u" call: the library writes and removes its own keys
// below HKEY_CLASSES_ROOT, and no other:
//   CLSID\{…}                                  the class, with its name
//   CLSID\{…}\InprocServer32                   default: the library's path; ThreadingModel=Apartment
//   *\shellex\ContextMenuHandlers\ZWQManager   default: {…}, for files
//   Directory\shellex\ContextMenuHandlers\ZWQManager   the same for folders
// The class key lies in the library's own view of the registry (a 32-bit library's in the
// 32-bit view of 64-bit Windows); the handler keys are shared by both libraries. Where a
// system lacks a key above a handler key ("shellex", "ContextMenuHandlers"), the handler key notes
// the highest one it brought along (value CreatedParentKey), and unregistering removes those
// again once they are empty.
#include <windows.h>
#include <olectl.h>

#include <array>
#include <string>

#include "platform/Codepage.h"
#include "platform/win32/Win32platform.h"
#include "shellext/Librarystate.h"

namespace shellext {
namespace {

const std::wstring kClassKey = std::wstring(L"CLSID\\") + kContextMenuClsidText;
const std::wstring kServerKey = kClassKey + L"\\InprocServer32";
// The file types whose menus get the item: every file, and folders.
const std::array<const wchar_t*, 2> kMenuOwners = {L"*", L"Directory"};
const wchar_t* const kHandlerPath = L"\\shellex\\ContextMenuHandlers\\ZWQManager";
const wchar_t* const kCreatedParent = L"CreatedParentKey";
const wchar_t* const kThreadingModel = L"ThreadingModel";
const wchar_t* const kApartment = L"Apartment";

// The registry view of the other library: the 32-bit one's for a 64-bit library and the other
// way round. (On 32-bit Windows the flag is ignored and names our own view.)
constexpr REGSAM kOtherView = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;

bool WriteDefault(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    HKEY handle = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                        &handle, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    const bool written =
        RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) == ERROR_SUCCESS;
    RegCloseKey(handle);
    return written;
}

// The default value of a key, empty when the key or the value is missing.
std::wstring ReadDefault(const std::wstring& key, REGSAM view) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE | view, &handle) != ERROR_SUCCESS) {
        return std::wstring();
    }
    std::wstring value(MAX_PATH, L'\0');
    auto bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    DWORD type = 0;
    const LONG result =
        RegQueryValueExW(handle, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &bytes);
    RegCloseKey(handle);
    if (result != ERROR_SUCCESS || type != REG_SZ) return std::wstring();
    value.resize(bytes / sizeof(wchar_t));
    while (!value.empty() && value.back() == L'\0') value.pop_back();
    return value;
}

bool KeyExists(const std::wstring& key, REGSAM view) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE | view, &handle) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(handle);
    return true;
}

std::wstring HandlerKey(const wchar_t* owner) { return std::wstring(owner) + kHandlerPath; }

// The key one level up; empty for a key right below the root.
std::wstring ParentOf(const std::wstring& key) {
    const std::size_t separator = key.find_last_of(L'\\');
    return separator == std::wstring::npos ? std::wstring() : key.substr(0, separator);
}

// The highest key above the handler key that is missing (a fresh system may even lack
// "Directory"), empty when they are all there.
std::wstring HighestMissingParent(const std::wstring& handlerKey) {
    std::wstring missing;
    for (std::wstring key = ParentOf(handlerKey); !key.empty() && !KeyExists(key, 0); key = ParentOf(key)) {
        missing = key;
    }
    return missing;
}

bool IsEmptyKey(const std::wstring& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    DWORD subKeys = 0;
    DWORD values = 0;
    const bool empty = RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values,
                                        nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
                       subKeys == 0 && values == 0;
    RegCloseKey(handle);
    return empty;
}

bool WriteHandler(const std::wstring& handlerKey) {
    // A second registration (or the other library's) keeps what the first one noted.
    const bool fresh = !KeyExists(handlerKey, 0);
    const std::wstring createdParent = fresh ? HighestMissingParent(handlerKey) : std::wstring();
    return WriteDefault(handlerKey, nullptr, kContextMenuClsidText) &&
           (createdParent.empty() || WriteDefault(handlerKey, kCreatedParent, createdParent));
}

// Removes the handler key and, up to the one it noted, the parents it brought along that
// nothing else has come to use.
bool RemoveHandler(const std::wstring& handlerKey) {
    std::wstring createdParent;
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, handlerKey.c_str(), 0, KEY_QUERY_VALUE, &handle) == ERROR_SUCCESS) {
        wchar_t buffer[MAX_PATH] = {};
        DWORD bytes = sizeof buffer - sizeof(wchar_t);
        DWORD type = 0;
        if (RegQueryValueExW(handle, kCreatedParent, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes) ==
                ERROR_SUCCESS &&
            type == REG_SZ) {
            createdParent = buffer;
        }
        RegCloseKey(handle);
    }
    if (RegDeleteTreeW(HKEY_CLASSES_ROOT, handlerKey.c_str()) != ERROR_SUCCESS) return false;
    // Only a key above the handler key, named as the registration wrote it.
    if (createdParent.empty() || handlerKey.compare(0, createdParent.size() + 1, createdParent + L"\\") != 0) {
        return true;
    }
    for (std::wstring key = ParentOf(handlerKey); key.size() >= createdParent.size() && IsEmptyKey(key);
         key = ParentOf(key)) {
        RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
    }
    return true;
}

bool DeleteKey(const std::wstring& key) {
    const LONG result = RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

bool Unregister() {
    bool removed = DeleteKey(kServerKey) && DeleteKey(kClassKey);
    // The handler keys stay while the other library is still registered, and a key of that
    // name that names another class is not ours.
    if (!KeyExists(kClassKey, kOtherView)) {
        for (const wchar_t* owner : kMenuOwners) {
            const std::wstring key = HandlerKey(owner);
            if (ReadDefault(key, 0) == kContextMenuClsidText) removed = RemoveHandler(key) && removed;
        }
    }
    return removed;
}

}  // namespace
}  // namespace shellext

extern "C" {

STDAPI DllRegisterServer() {
    using namespace shellext;
    const std::wstring library = ModulePath();
    if (library.empty()) return SELFREG_E_CLASS;
    bool written = WriteDefault(kClassKey, nullptr, platform::WideName(platform::Ansi("ZWQ-менеджер: контекстное меню"))) &&
                   WriteDefault(kServerKey, nullptr, library) && WriteDefault(kServerKey, kThreadingModel, kApartment);
    for (const wchar_t* owner : kMenuOwners) written = written && WriteHandler(HandlerKey(owner));
    if (written) return S_OK;
    // Half a registration would only confuse Explorer.
    Unregister();
    return SELFREG_E_CLASS;
}

STDAPI DllUnregisterServer() { return shellext::Unregister() ? S_OK : SELFREG_E_CLASS; }

}  // extern "C"

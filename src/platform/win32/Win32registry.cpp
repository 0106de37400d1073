#include <windows.h>

#include <cwchar>
#include <vector>

#include "platform/win32/Win32platform.h"

namespace platform {
namespace {

// STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS: enough to see that a key is
// there without asking for write access a restricted user lacks.
constexpr REGSAM kProbeAccess = STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS;
// A key name has at most 255 characters; the buffer adds the terminating zero.
constexpr DWORD kKeyNameBufferLength = 256;
// How often a value that keeps changing size while being read is tried.
constexpr int kReadAttempts = 4;

// A registry key handle, closed when it goes out of scope.
class KeyHandle {
public:
    KeyHandle() = default;
    ~KeyHandle() {
        if (handle_ != nullptr) RegCloseKey(handle_);
    }
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;

    HKEY get() const { return handle_; }
    HKEY* receive() { return &handle_; }

private:
    HKEY handle_ = nullptr;
};

// The key path below HKEY_CLASSES_ROOT as the system takes it: without the leading backslash.
std::wstring SubKeyName(const std::string& path) {
    const bool leadingBackslash = !path.empty() && path.front() == '\\';
    return WideName(leadingBackslash ? path.substr(1) : path);
}

bool OpenKey(const std::string& path, REGSAM access, KeyHandle& key) {
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, SubKeyName(path).c_str(), 0, access, key.receive()) == ERROR_SUCCESS;
}

bool OpenOrCreateKey(const std::string& path, KeyHandle& key) {
    return RegCreateKeyExW(HKEY_CLASSES_ROOT, SubKeyName(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_ALL_ACCESS, nullptr, key.receive(), nullptr) == ERROR_SUCCESS;
}

// nullptr for the default value, which the system names with either nullptr or "".
const wchar_t* ValueName(const std::wstring& name) { return name.empty() ? nullptr : name.c_str(); }

}  // namespace

bool Win32Registry::KeyExists(const std::string& path) {
    KeyHandle key;
    return OpenKey(path, kProbeAccess, key);
}

bool Win32Registry::CreateKey(const std::string& path) {
    KeyHandle key;
    return OpenOrCreateKey(path, key);
}

bool Win32Registry::SubKeys(const std::string& path, std::vector<std::string>& names) {
    names.clear();
    KeyHandle key;
    if (!OpenKey(path, KEY_READ, key)) return false;
    for (DWORD index = 0;; ++index) {
        std::vector<wchar_t> buffer(kKeyNameBufferLength, L'\0');
        DWORD length = kKeyNameBufferLength;
        const LONG result = RegEnumKeyExW(key.get(), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) return true;
        if (result != ERROR_SUCCESS) {
            names.clear();
            return false;
        }
        names.push_back(AnsiName(std::wstring(buffer.data(), length)));
    }
}

bool Win32Registry::DeleteKey(const std::string& path) {
    const std::wstring name = SubKeyName(path);
    // An empty name would be HKEY_CLASSES_ROOT itself.
    if (name.empty()) return false;
    // The system refuses a key that still has subkeys.
    return RegDeleteKeyW(HKEY_CLASSES_ROOT, name.c_str()) == ERROR_SUCCESS;
}

bool Win32Registry::WriteString(const std::string& path, const std::string& name, const std::string& value) {
    KeyHandle key;
    if (!OpenOrCreateKey(path, key)) return false;
    const std::wstring valueName = WideName(name);
    const std::wstring text = WideName(value);
    // The size counts the terminating zero, as REG_SZ data carries it.
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key.get(), ValueName(valueName), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          bytes) == ERROR_SUCCESS;
}

bool Win32Registry::ReadString(const std::string& path, const std::string& name, std::string& value) {
    const std::wstring subKey = SubKeyName(path);
    const std::wstring valueName = WideName(name);
    DWORD bytes = 0;
    LONG result = RegGetValueW(HKEY_CLASSES_ROOT, subKey.c_str(), ValueName(valueName), RRF_RT_REG_SZ, nullptr,
                               nullptr, &bytes);
    // The value may grow between asking for its size and reading it; then it is read again
    // with the new size.
    for (int attempt = 0; attempt < kReadAttempts && (result == ERROR_SUCCESS || result == ERROR_MORE_DATA);
         ++attempt) {
        std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
        bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        result = RegGetValueW(HKEY_CLASSES_ROOT, subKey.c_str(), ValueName(valueName), RRF_RT_REG_SZ, nullptr,
                              buffer.data(), &bytes);
        if (result == ERROR_SUCCESS) {
            // The system ends the text with a zero; anything after the first one is not text.
            value = AnsiName(std::wstring(buffer.data(), wcsnlen(buffer.data(), buffer.size())));
            return true;
        }
    }
    return false;
}

}  // namespace platform

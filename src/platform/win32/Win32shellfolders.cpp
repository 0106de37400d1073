#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "platform/win32/Win32platform.h"

namespace platform {
namespace {
constexpr DWORD kLongPathBuffer = 32768;
}

std::string Win32ShellFolders::TempFolder() {
    std::vector<wchar_t> buffer(MAX_PATH + 1, L'\0');
    const DWORD n = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (n == 0 || n >= buffer.size()) return std::string();
    std::wstring folder(buffer.data(), n);
    if (folder.back() != L'\\') folder += L'\\';
    return AnsiName(folder);
}

std::string Win32ShellFolders::AppDataFolder() {
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer))) return std::string();
    return AnsiName(buffer);
}

std::string Win32ShellFolders::ProgramFile() {
    std::vector<wchar_t> buffer(kLongPathBuffer, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0 || n >= buffer.size()) return std::string();
    return AnsiName(std::wstring(buffer.data(), n));
}

}  // namespace platform

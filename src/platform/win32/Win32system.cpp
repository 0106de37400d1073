#include <windows.h>

#include <shellapi.h>

#include <vector>

#include "platform/win32/Win32platform.h"
#include "platform/win32/Win32process.h"

namespace platform {
namespace {

using IsUserAnAdminFunction = BOOL(WINAPI*)();
using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);

// The size of a pointer in a 64-bit program.
constexpr size_t kPointerSizeOf64Bit = 8;

// A function looked up with GetProcAddress, in its real type. The detour through a function
// without parameters keeps the compiler from warning about the cast between function types.
template <typename Function>
Function AsFunction(FARPROC address) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

// A module loaded for one call, released afterwards.
class LoadedLibrary {
public:
    explicit LoadedLibrary(const wchar_t* name) : module_(LoadLibraryW(name)) {}
    ~LoadedLibrary() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    HMODULE get() const { return module_; }

private:
    HMODULE module_;
};

// A text the system writes into a buffer of the caller's: fill(nullptr, 0) tells the length
// with the terminating zero, fill(buffer, size) the characters written without it. Returns
// "" when the system reports a failure.
template <typename Fill>
std::string SystemText(Fill fill) {
    DWORD size = fill(nullptr, 0);
    while (size != 0) {
        std::vector<wchar_t> buffer(size, L'\0');
        const DWORD written = fill(buffer.data(), size);
        if (written == 0) break;
        if (written < size) return AnsiName(std::wstring(buffer.data(), written));
        size = written + 1;  // the text grew in between
    }
    return std::string();
}

const wchar_t* NullWhenEmpty(const std::wstring& text) { return text.empty() ? nullptr : text.c_str(); }

}  // namespace

bool Win32System::IsAdmin() {
    // IsUserAnAdmin is looked up rather than linked, so that the program still starts on a
    // system whose shell32 lacks it.
    const LoadedLibrary shell32(L"shell32.dll");
    if (shell32.get() == nullptr) return false;
    const auto isUserAnAdmin = AsFunction<IsUserAnAdminFunction>(GetProcAddress(shell32.get(), "IsUserAnAdmin"));
    if (isUserAnAdmin == nullptr) return false;
    return isUserAnAdmin() != FALSE;
}

bool Win32System::IsWow64() {
    if constexpr (sizeof(void*) == kPointerSizeOf64Bit) {
        // A 64-bit program runs on 64-bit Windows only.
        return true;
    } else {
        // A 32-bit program asks whether it runs under the 32-bit layer of a 64-bit Windows;
        // the function is missing on the oldest systems, which are all 32-bit.
        const HMODULE kernel32 = GetModuleHandleW(L"kernel32");
        if (kernel32 == nullptr) return false;
        const auto isWow64Process = AsFunction<IsWow64ProcessFunction>(GetProcAddress(kernel32, "IsWow64Process"));
        if (isWow64Process == nullptr) return false;
        BOOL wow64 = FALSE;
        return isWow64Process(GetCurrentProcess(), &wow64) != FALSE && wow64 != FALSE;
    }
}

std::string Win32System::SystemDirectory() {
    return SystemText([](wchar_t* buffer, DWORD size) { return static_cast<DWORD>(GetSystemDirectoryW(buffer, size)); });
}

std::string Win32System::FindProgram(const std::string& name) {
    const std::wstring fileName = WideName(name);
    if (fileName.empty()) return std::string();
    return SystemText(
        [&fileName](wchar_t* buffer, DWORD size) { return SearchPathW(nullptr, fileName.c_str(), nullptr, size, buffer, nullptr); });
}

bool Win32System::StartProcess(const std::string& program, const std::vector<std::string>& arguments) {
    const std::wstring application = WideName(program);
    std::wstring commandLine = QuotedWhenBlank(application);
    for (const std::string& argument : arguments) commandLine += L" " + WideName(argument);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

int Win32System::RunElevated(const std::string& program, const std::string& parameters, const std::string& folder) {
    const std::wstring file = WideName(program);
    const std::wstring wideParameters = WideName(parameters);
    const std::wstring directory = WideName(folder);
    const HINSTANCE result = ShellExecuteW(nullptr, L"runas", file.c_str(), NullWhenEmpty(wideParameters),
                                           NullWhenEmpty(directory), SW_SHOWNORMAL);
    // The handle is no handle but a status code; above 32 means started.
    return static_cast<int>(reinterpret_cast<INT_PTR>(result));
}

std::string Win32System::CurrentDirectory() {
    return SystemText([](wchar_t* buffer, DWORD size) { return GetCurrentDirectoryW(size, buffer); });
}

}  // namespace platform

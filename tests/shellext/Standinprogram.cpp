// Stands in for ZWQManager.exe beside the context-menu library: records the command line it
// was started with in "commandline.txt" beside itself (UTF-16, written whole under another
// name first, so the file appears complete) and ends.
#include <windows.h>

#include <string>

int wmain() {
    std::wstring folder(MAX_PATH, L'\0');
    folder.resize(GetModuleFileNameW(nullptr, folder.data(), static_cast<DWORD>(folder.size())));
    folder.resize(folder.find_last_of(L'\\') + 1);
    const std::wstring partial = folder + L"commandline.partial";
    const std::wstring done = folder + L"commandline.txt";
    const std::wstring line = GetCommandLineW();
    const HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    const auto bytes = static_cast<DWORD>(line.size() * sizeof(wchar_t));
    const bool ok = WriteFile(file, line.data(), bytes, &written, nullptr) && written == bytes;
    CloseHandle(file);
    return ok && MoveFileExW(partial.c_str(), done.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}

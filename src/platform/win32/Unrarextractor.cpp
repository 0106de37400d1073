#include <windows.h>

#include <vector>

#include "platform/Paths.h"
#include "platform/win32/Win32platform.h"

namespace platform {
namespace {

const char* const kExtractorName = "unrar.exe";

std::wstring ShortPath(const std::wstring& path) {
    const DWORD size = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (size == 0) return path;
    std::vector<wchar_t> buffer(size, L'\0');
    const DWORD n = GetShortPathNameW(path.c_str(), buffer.data(), size);
    return (n == 0 || n >= size) ? path : std::wstring(buffer.data(), n);
}

bool HasBlank(const std::wstring& text) { return text.find(L' ') != std::wstring::npos; }

}  // namespace

UnrarExtractor::UnrarExtractor(std::string programFolder) : programFolder_(std::move(programFolder)) {}

std::wstring UnrarExtractor::CommandLine(const std::wstring& extractor, const std::wstring& archive,
                                         const std::wstring& destination) {
    std::wstring line = HasBlank(extractor) ? L"\"" + extractor + L"\"" : extractor;
    line += L" x \"" + archive + L"\" ";
    if (!HasBlank(destination)) {
        line += destination;
    } else {
        // Quoted, the trailing backslash is doubled so that it does not escape the quote.
        line += L"\"" + destination + L"\\\"";
    }
    return line;
}

bool UnrarExtractor::Extract(const std::string& archive, const std::string& folder) {
    std::string programFolder = programFolder_;
    if (programFolder.empty()) {
        Win32ShellFolders folders;
        programFolder = FolderOf(folders.ProgramFile());
    }
    const std::wstring extractor = WideName(JoinPath(programFolder, kExtractorName));
    if (GetFileAttributesW(extractor.c_str()) == INVALID_FILE_ATTRIBUTES) return false;

    // The destination ends in a backslash. A folder whose path holds blanks is given in its
    // short form when the volume has one.
    std::wstring destination = WideName(folder);
    if (HasBlank(destination)) destination = ShortPath(destination);
    destination += L'\\';
    std::wstring commandLine = CommandLine(ShortPath(extractor), WideName(archive), destination);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // The console extractor runs without a console window: one would take the foreground from
    // the program, and the box that reports the write would not get the keyboard.
    if (!CreateProcessW(extractor.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 1;
    const bool gotCode = GetExitCodeProcess(process.hProcess, &exitCode) != FALSE;
    CloseHandle(process.hProcess);
    return gotCode && exitCode == 0;
}

}  // namespace platform

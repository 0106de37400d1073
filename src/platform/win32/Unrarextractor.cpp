#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Paths.h"
#include "platform/win32/Win32platform.h"

namespace platform {
namespace {

const char* const kExtractorName = "unrar.exe";
// How often the running extractor's progress is looked at (and a stop request heard).
constexpr DWORD kPollMilliseconds = 100;
// The exit code of an extractor ended on request.
constexpr UINT kStoppedExitCode = 255;

std::wstring ShortPath(const std::wstring& path) {
    const DWORD size = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (size == 0) return path;
    std::vector<wchar_t> buffer(size, L'\0');
    const DWORD n = GetShortPathNameW(path.c_str(), buffer.data(), size);
    return (n == 0 || n >= size) ? path : std::wstring(buffer.data(), n);
}

bool HasBlank(const std::wstring& text) { return text.find(L' ') != std::wstring::npos; }

int64_t Combine(DWORD high, DWORD low) {
    ULARGE_INTEGER value{};
    value.HighPart = high;
    value.LowPart = low;
    return static_cast<int64_t>(value.QuadPart);
}

// The bytes of the files under a folder so far: how far the extractor has come.
int64_t BytesUnder(const std::wstring& folder) {
    int64_t total = 0;
    WIN32_FIND_DATAW data{};
    const HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    const std::unique_ptr<void, decltype(&FindClose)> closeFind(find, &FindClose);
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            total += Combine(data.nFileSizeHigh, data.nFileSizeLow);
        } else if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
            total += BytesUnder(folder + L"\\" + name);
        }
    } while (FindNextFileW(find, &data));
    return total;
}

int64_t FileBytes(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes)) return 0;
    return Combine(attributes.nFileSizeHigh, attributes.nFileSizeLow);
}

// Waits for the extractor, telling progress how far it has come against the archive's size;
// ends it when progress asks to stop, and returns only once it has gone. False when stopped.
bool WaitReporting(HANDLE process, int64_t total, const std::wstring& folder, const ExtractProgress& progress) {
    int64_t done = 0;
    for (;;) {
        if (progress) {
            // Never backwards, never beyond the archive (a compressed one unpacks to more).
            done = std::max(done, std::min(BytesUnder(folder), total));
            if (!progress(done, total)) {
                TerminateProcess(process, kStoppedExitCode);
                WaitForSingleObject(process, INFINITE);
                return false;
            }
        }
        if (WaitForSingleObject(process, progress ? kPollMilliseconds : INFINITE) != WAIT_TIMEOUT) return true;
    }
}

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

bool UnrarExtractor::Extract(const std::string& archive, const std::string& folder, const ExtractProgress& progress) {
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
    const int64_t size = FileBytes(WideName(archive));
    const bool finished = WaitReporting(process.hProcess, size, WideName(folder), progress);
    DWORD exitCode = 1;
    const bool gotCode = GetExitCodeProcess(process.hProcess, &exitCode) != FALSE;
    CloseHandle(process.hProcess);
    if (!finished || !gotCode || exitCode != 0) return false;
    return !progress || progress(size, size);
}

}  // namespace platform

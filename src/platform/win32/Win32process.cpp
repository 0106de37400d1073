#include "platform/win32/Win32process.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/win32/Win32platform.h"

namespace platform {
namespace {

// Room for the listing of a large archive between two looks at the pipe.
constexpr DWORD kPipeBufferBytes = 1u << 20;
constexpr UINT kStoppedExitCode = 1;
constexpr DWORD kUnknownExitCode = 1;

class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE handle) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
    ~Handle() { Reset(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE Get() const { return handle_; }
    HANDLE* Out() {
        Reset();
        return &handle_;
    }
    void Reset() {
        if (handle_ != nullptr) CloseHandle(handle_);
        handle_ = nullptr;
    }

private:
    HANDLE handle_ = nullptr;
};

// Moves what the pipe holds into output without blocking.
void Drain(HANDLE pipe, std::string& output) {
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) || available == 0) return;
        std::vector<char> buffer(available);
        DWORD read = 0;
        if (!ReadFile(pipe, buffer.data(), available, &read, nullptr) || read == 0) return;
        output.append(buffer.data(), read);
    }
}

int64_t Combine(DWORD high, DWORD low) {
    ULARGE_INTEGER value{};
    value.HighPart = high;
    value.LowPart = low;
    return static_cast<int64_t>(value.QuadPart);
}

// The bytes of the files under a folder so far.
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

}  // namespace

bool ExtractReporting(const std::string& archive, const std::string& folder, const ExtractProgress& progress,
                      const StopToken& stop,
                      const std::function<bool(const std::function<bool()>& keepGoing)>& extract) {
    if (!progress) return extract([&stop] { return !stop.Requested(); }) && !stop.Requested();
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    const int64_t total = GetFileAttributesExW(WideName(archive).c_str(), GetFileExInfoStandard, &attributes)
                              ? Combine(attributes.nFileSizeHigh, attributes.nFileSizeLow)
                              : 0;
    const std::wstring unpacked = WideName(folder);
    int64_t done = 0;
    // A compressed archive unpacks to more than its size.
    const auto keepGoing = [&] {
        done = std::max(done, std::min(BytesUnder(unpacked), total));
        progress(done, total);
        return !stop.Requested();
    };
    if (!extract(keepGoing)) return false;
    progress(total, total);
    return !stop.Requested();
}

std::wstring QuotedArgument(const std::wstring& argument) {
    std::wstring quoted = L"\"" + argument;
    if (!argument.empty() && argument.back() == L'\\') quoted += L'\\';
    return quoted + L"\"";
}

std::wstring QuotedWhenBlank(const std::wstring& argument) {
    return argument.find(L' ') == std::wstring::npos ? argument : QuotedArgument(argument);
}

std::wstring ShortPath(const std::wstring& path) {
    const DWORD size = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (size == 0) return path;
    std::vector<wchar_t> buffer(size, L'\0');
    const DWORD n = GetShortPathNameW(path.c_str(), buffer.data(), size);
    return (n == 0 || n >= size) ? path : std::wstring(buffer.data(), n);
}

ProcessRun RunProcess(const std::wstring& program, const std::wstring& commandLine, bool captureOutput,
                      const std::function<bool()>& keepGoing) {
    ProcessRun run;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    Handle outputRead, outputWrite, nullDevice;
    if (captureOutput) {
        SECURITY_ATTRIBUTES inheritable{};
        inheritable.nLength = sizeof inheritable;
        inheritable.bInheritHandle = TRUE;
        if (!CreatePipe(outputRead.Out(), outputWrite.Out(), &inheritable, kPipeBufferBytes)) return run;
        SetHandleInformation(outputRead.Get(), HANDLE_FLAG_INHERIT, 0);
        const HANDLE device = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          &inheritable, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (device == INVALID_HANDLE_VALUE) return run;
        *nullDevice.Out() = device;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = nullDevice.Get();
        startup.hStdOutput = outputWrite.Get();
        startup.hStdError = nullDevice.Get();
    }

    std::wstring line = commandLine;  // CreateProcessW may write into it
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &started)) {
        return run;
    }
    const Handle process(started.hProcess);
    const Handle thread(started.hThread);
    outputWrite.Reset();  // the program holds the only writing end now

    run.outcome = ProcessRun::Outcome::Exited;
    while (WaitForSingleObject(process.Get(), kProcessPollMilliseconds) == WAIT_TIMEOUT) {
        if (captureOutput) Drain(outputRead.Get(), run.output);
        if (keepGoing && !keepGoing()) {
            TerminateProcess(process.Get(), kStoppedExitCode);
            // Its files are closed once it has really ended, so the caller can remove them.
            WaitForSingleObject(process.Get(), INFINITE);
            run.outcome = ProcessRun::Outcome::Stopped;
            break;
        }
    }
    if (captureOutput) Drain(outputRead.Get(), run.output);
    if (!GetExitCodeProcess(process.Get(), &run.exitCode)) run.exitCode = kUnknownExitCode;
    return run;
}

}  // namespace platform

#include <windows.h>

#include <vector>

#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "platform/win32/Win32platform.h"
#include "platform/win32/Win32process.h"

namespace platform {
namespace {

const wchar_t* const kTarName = L"\\tar.exe";
// Where a 32-bit program on 64-bit Windows reaches the system's own 64-bit folder.
const wchar_t* const kNativeSystemFolder = L"\\Sysnative";
constexpr wchar_t kFirstPlainCharacter = L' ';
constexpr wchar_t kLastPlainCharacter = L'~';
// The kinds of entry that "tar -tvf" shows first on each line and that may be unpacked.
constexpr char kRegularFileMark = '-';
constexpr char kFolderMark = 'd';

const std::string kNoExtractor = Ansi(
    "Не найдены ни программа unrar.exe, ни системная программа tar.exe (она есть в Windows 10 и новее). "
    "Положите unrar.exe в папку ");
const std::string kTarCannotUnpack =
    Ansi("Системная программа tar.exe не смогла распаковать этот архив. Положите unrar.exe в папку ");
const std::string kRefusedEntry = Ansi("Архив не распакован: его файл ");
const std::string kRefusedEntryTail = Ansi(" ведёт за пределы папки книги или является ссылкой.");

std::wstring SystemFolder(UINT(WINAPI* query)(LPWSTR, UINT)) {
    std::vector<wchar_t> buffer(MAX_PATH, L'\0');
    const UINT n = query(buffer.data(), static_cast<UINT>(buffer.size()));
    return (n == 0 || n >= buffer.size()) ? std::wstring() : std::wstring(buffer.data(), n);
}

bool FileExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// tar reads its arguments in the system's ANSI code page: a path with other characters goes
// in its short form, which has none.
std::wstring ArgumentPath(const std::string& path) {
    const std::wstring wide = WideName(path);
    for (const wchar_t c : wide) {
        if (c < kFirstPlainCharacter || c > kLastPlainCharacter) return ShortPath(wide);
    }
    return wide;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// tar's listing is in the system's ANSI code page.
std::string ListedNameAsAnsi(const std::string& name) {
    if (name.empty()) return name;
    const int length = MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
    if (length <= 0) return name;
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), wide.data(), length);
    return AnsiName(wide);
}

}  // namespace

// ---- tar.exe ----

TarExtractor::TarExtractor(std::string tarProgram) : tarProgram_(std::move(tarProgram)) {}

std::string TarExtractor::ProgramPath() const {
    if (!tarProgram_.empty()) return tarProgram_;
    const std::wstring system = SystemFolder(GetSystemDirectoryW) + kTarName;
    if (FileExists(system)) return AnsiName(system);
    const std::wstring native = SystemFolder(GetWindowsDirectoryW) + kNativeSystemFolder + kTarName;
    return AnsiName(FileExists(native) ? native : system);
}

bool TarExtractor::Available() const { return FileExists(WideName(ProgramPath())); }

bool TarExtractor::ListingIsSafe(const std::string& names, const std::string& details, std::string& refused) {
    const std::vector<std::string> nameLines = Lines(names);
    const std::vector<std::string> detailLines = Lines(details);
    refused.clear();
    for (std::size_t i = 0; i < nameLines.size() || i < detailLines.size(); ++i) {
        const std::string name = i < nameLines.size() ? nameLines[i] : std::string();
        const std::string detail = i < detailLines.size() ? detailLines[i] : std::string();
        // A link shows another kind, or its target after the name ("-> target", "link to
        // target"), so the line no longer ends in the name.
        const std::string tail = " " + name;
        const bool plainKind = !detail.empty() && (detail.front() == kRegularFileMark || detail.front() == kFolderMark);
        const bool endsInName = detail.size() >= tail.size() &&
                                detail.compare(detail.size() - tail.size(), tail.size(), tail) == 0;
        // tar shows a backslash in a name as "\\", which splits into the same parts.
        if (!IsContainedEntry(name) || !plainKind || !endsInName) {
            refused = name.empty() ? detail : name;
            return false;
        }
    }
    return true;
}

bool TarExtractor::Extract(const std::string& archive, const std::string& folder, const ExtractProgress& progress,
                       const StopToken& stop) {
    return ExtractReporting(archive, folder, progress, stop,
                            [&](const std::function<bool()>& keepGoing) { return Extract(archive, folder, keepGoing); });
}

bool TarExtractor::Extract(const std::string& archive, const std::string& folder,
                           const std::function<bool()>& keepGoing) {
    failure_ = Failure::None;
    refusedName_.clear();
    const std::wstring tar = WideName(ProgramPath());
    if (!FileExists(tar)) {
        failure_ = Failure::Missing;
        return false;
    }
    const std::wstring program = QuotedArgument(tar);
    const std::wstring archiveArgument = QuotedArgument(ArgumentPath(archive));
    // Each step's failure: the run was stopped, or tar could not do it.
    const auto failed = [this](const ProcessRun& run) {
        if (run.Succeeded()) return false;
        failure_ = run.outcome == ProcessRun::Outcome::Stopped ? Failure::Stopped : Failure::Unreadable;
        return true;
    };

    const ProcessRun names = RunProcess(tar, program + L" -tf " + archiveArgument, true, keepGoing);
    if (failed(names)) return false;
    const ProcessRun details = RunProcess(tar, program + L" -tvf " + archiveArgument, true, keepGoing);
    if (failed(details)) return false;
    std::string refused;
    if (!ListingIsSafe(names.output, details.output, refused)) {
        failure_ = Failure::RefusedEntry;
        refusedName_ = ListedNameAsAnsi(refused);
        return false;
    }
    const ProcessRun unpacked = RunProcess(
        tar, program + L" -xf " + archiveArgument + L" -C " + QuotedArgument(ArgumentPath(folder)), false, keepGoing);
    return !failed(unpacked);
}

// ---- the choice between the two ----

Win32RarExtractor::Win32RarExtractor(std::string programFolder, std::string tarProgram)
    : unrar_(std::move(programFolder)), tar_(std::move(tarProgram)) {}

bool Win32RarExtractor::Extract(const std::string& archive, const std::string& folder, const ExtractProgress& progress,
                       const StopToken& stop) {
    return ExtractReporting(archive, folder, progress, stop,
                            [&](const std::function<bool()>& keepGoing) { return Extract(archive, folder, keepGoing); });
}

bool Win32RarExtractor::Extract(const std::string& archive, const std::string& folder,
                                const std::function<bool()>& keepGoing) {
    advice_.clear();
    // ZIP and 7z archives of books are tar.exe's alone; unrar.exe serves RAR books only.
    const bool rar = HasExtension(archive, ".rar");
    if (rar && unrar_.Available()) return unrar_.Extract(archive, folder, keepGoing);
    if (tar_.Extract(archive, folder, keepGoing)) return true;
    const std::string unrarFolder = FolderOf(unrar_.ExtractorPath());
    switch (tar_.LastFailure()) {
        case TarExtractor::Failure::Missing: advice_ = kNoExtractor + unrarFolder; break;
        case TarExtractor::Failure::Unreadable: advice_ = kTarCannotUnpack + unrarFolder; break;
        case TarExtractor::Failure::RefusedEntry: advice_ = kRefusedEntry + tar_.RefusedName() + kRefusedEntryTail; break;
        case TarExtractor::Failure::Stopped:
        case TarExtractor::Failure::None: break;
    }
    return false;
}

}  // namespace platform

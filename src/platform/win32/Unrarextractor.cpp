#include <windows.h>

#include "platform/Paths.h"
#include "platform/win32/Win32platform.h"
#include "platform/win32/Win32process.h"

namespace platform {
namespace {

const char* const kExtractorName = "unrar.exe";

bool HasBlank(const std::wstring& text) { return text.find(L' ') != std::wstring::npos; }

}  // namespace

UnrarExtractor::UnrarExtractor(std::string programFolder) : programFolder_(std::move(programFolder)) {}

std::string UnrarExtractor::ExtractorPath() const {
    std::string programFolder = programFolder_;
    if (programFolder.empty()) {
        Win32ShellFolders folders;
        programFolder = FolderOf(folders.ProgramFile());
    }
    return JoinPath(programFolder, kExtractorName);
}

bool UnrarExtractor::Available() const {
    return GetFileAttributesW(WideName(ExtractorPath()).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring UnrarExtractor::CommandLine(const std::wstring& extractor, const std::wstring& archive,
                                         const std::wstring& destination) {
    return QuotedWhenBlank(extractor) + L" x " + QuotedArgument(archive) + L" " + QuotedWhenBlank(destination);
}

bool UnrarExtractor::Extract(const std::string& archive, const std::string& folder, const ExtractProgress& progress,
                       const StopToken& stop) {
    return ExtractReporting(archive, folder, progress, stop,
                            [&](const std::function<bool()>& keepGoing) { return Extract(archive, folder, keepGoing); });
}

bool UnrarExtractor::Extract(const std::string& archive, const std::string& folder,
                             const std::function<bool()>& keepGoing) {
    const std::wstring extractor = WideName(ExtractorPath());
    if (GetFileAttributesW(extractor.c_str()) == INVALID_FILE_ATTRIBUTES) return false;

    // The destination ends in a backslash. A folder whose path holds blanks is given in its
    // short form when the volume has one.
    std::wstring destination = WideName(folder);
    if (HasBlank(destination)) destination = ShortPath(destination);
    destination += L'\\';
    const std::wstring commandLine = CommandLine(ShortPath(extractor), WideName(archive), destination);
    return RunProcess(extractor, commandLine, false, keepGoing).Succeeded();
}

}  // namespace platform

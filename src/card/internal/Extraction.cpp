#include "card/internal/Extraction.h"

#include "book/String_routines_unit.h"
#include "platform/Archive.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Shellfolders.h"

namespace card {
namespace {

const char* const kPrefix = "ZWQTMP";
const char* const kLockSuffix = ".lck";
constexpr int kMaxFolders = 1000000;

}  // namespace

TExtraction::TExtraction(platform::IFileSystem& files, std::string folder, std::unique_ptr<platform::IFileLock> lock)
    : files_(files), folder_(std::move(folder)), lock_(std::move(lock)) {}

TExtraction::~TExtraction() { Remove(); }

std::unique_ptr<TExtraction> TExtraction::Make(platform::IFileSystem& files, platform::IShellFolders& folders) {
    const std::string base = folders.TempFolder();
    if (base.empty()) return nullptr;
    for (int n = 0; n < kMaxFolders; ++n) {
        const std::string folder = base + kPrefix + std::to_string(n);
        if (files.Exists(folder)) continue;
        std::unique_ptr<platform::IFileLock> lock = files.TryLock(folder + kLockSuffix);
        if (!lock) continue;
        if (files.MakeDirectory(folder)) {
            return std::unique_ptr<TExtraction>(new TExtraction(files, folder, std::move(lock)));
        }
        if (!files.Exists(folder)) return nullptr;  // the temporary folder is unusable
    }
    return nullptr;
}

TCardError TExtraction::Unpack(platform::IArchiveExtractor& extractor, const std::string& archive,
                               const TProgressCallback& progress, const platform::StopToken& stop) {
    TProgressGate gate(progress, stop);
    TCardProgress unpacking;
    unpacking.phase = TCardProgress::Phase::Unpacking;
    unpacking.currentName = platform::FileNameOf(archive);
    const bool unpacked = extractor.Extract(
        archive, folder_,
        [&](int64_t done, int64_t total) {
            unpacking.bytesDone = done;
            unpacking.bytesTotal = total;
            gate.Report(unpacking);
        },
        stop);
    if (gate.stopped()) return TCardError::Of(TCardError::Code::Cancelled);
    if (unpacked) return TCardError();
    // What the extractor can tell the user: a missing program, a refused entry.
    TCardError error = TCardError::Of(TCardError::Code::Unpack);
    error.advice = extractor.FailureAdvice();
    return error;
}

void TExtraction::Remove() {
    if (!lock_) return;
    files_.RemoveTree(folder_);
    lock_.reset();
}

void RemoveStaleExtractions(platform::IFileSystem& files, platform::IShellFolders& folders) {
    const std::string base = folders.TempFolder();
    std::vector<platform::DirEntry> entries;
    if (base.empty() || !files.ListDirectory(platform::StripTrailingSeparators(base), entries)) return;
    const std::string prefix = kPrefix;
    const std::string suffix = kLockSuffix;
    for (const platform::DirEntry& entry : entries) {
        const std::string upper = AnsiUpperCase(entry.name);
        if (upper.compare(0, prefix.size(), prefix) != 0) continue;
        const bool lockFile = !entry.isDirectory && platform::HasExtension(entry.name, suffix);
        if (!entry.isDirectory && !lockFile) continue;
        const std::string number = entry.name.substr(prefix.size());
        const std::string digits = lockFile ? number.substr(0, number.size() - suffix.size()) : number;
        if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) continue;
        // A folder whose lock can be taken belongs to no running instance; a lock file left
        // without a holder goes when its lock is given up again.
        const std::string folder = base + prefix + digits;
        const std::unique_ptr<platform::IFileLock> lock = files.TryLock(folder + kLockSuffix);
        if (lock && entry.isDirectory) files.RemoveTree(folder);
    }
}

}  // namespace card

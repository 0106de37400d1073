// The extraction folders of RAR writes in the system's temporary folder: one per write, held by
// a lock while it exists, and the leftovers of earlier runs cleared away.
#include "book/String_routines_unit.h"
#include "card/Zwqcardunit.h"
#include "platform/Paths.h"
#include "platform/Platform.h"

namespace {

const char* const kTempFolderPrefix = "ZWQTMP";
const char* const kTempLockSuffix = ".lck";
constexpr int kMaxTempFolders = 1000000;

}  // namespace

bool TMemoryCard::CreateTempFolder() {
    TempFolder = kNoTempFolder;
    tempLock_.reset();
    const std::string base = platform_.folders.TempFolder();
    if (base.empty()) return false;
    // Never a folder that is already there: an earlier run's leftovers only push the number up.
    // The lock beside the folder tells other instances that a running one owns it.
    for (int n = 0; n < kMaxTempFolders; ++n) {
        const std::string folder = base + kTempFolderPrefix + std::to_string(n);
        if (platform_.files.Exists(folder)) continue;
        std::unique_ptr<platform::IFileLock> lock = platform_.files.TryLock(folder + kTempLockSuffix);
        if (!lock) continue;
        if (platform_.files.MakeDirectory(folder)) {
            TempFolder = folder;
            tempLock_ = std::move(lock);
            return true;
        }
        if (!platform_.files.Exists(folder)) return false;  // the temporary folder is unusable
    }
    return false;
}

void TMemoryCard::RemoveFolderTree(const std::string& folder) {
    if (!folder.empty() && folder != kNoTempFolder) platform_.files.RemoveTree(folder);
    if (folder == TempFolder) tempLock_.reset();
}

void TMemoryCard::RemoveStaleTempFolders() {
    const std::string base = platform_.folders.TempFolder();
    std::vector<platform::DirEntry> entries;
    if (base.empty() || !platform_.files.ListDirectory(platform::StripTrailingSeparators(base), entries)) return;
    const std::string prefix = kTempFolderPrefix;
    for (const platform::DirEntry& entry : entries) {
        const std::string upper = AnsiUpperCase(entry.name);
        if (upper.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string number = entry.name.substr(prefix.size());
        const std::string suffix = AnsiUpperCase(kTempLockSuffix);
        const bool lockFile = !entry.isDirectory && upper.size() > suffix.size() &&
                              upper.compare(upper.size() - suffix.size(), suffix.size(), suffix) == 0;
        const std::string digits = lockFile ? number.substr(0, number.size() - suffix.size()) : number;
        if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) continue;
        if (!entry.isDirectory && !lockFile) continue;
        // A folder whose lock can be taken belongs to no running instance; a lock file left
        // without a holder goes when its lock is given up again.
        const std::string folder = base + prefix + digits;
        const std::unique_ptr<platform::IFileLock> lock = platform_.files.TryLock(folder + kTempLockSuffix);
        if (lock && entry.isDirectory) platform_.files.RemoveTree(folder);
    }
}

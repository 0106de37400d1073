#pragma once
// An archive's unpacked copy: a folder ZWQTMPn of its own in the system's temporary folder,
// held by a lock file ZWQTMPn.lck beside it so that no other running instance takes it for a
// leftover. The object owns both and the unpacking; the folder goes with the object, or
// earlier once the book's files are on the card. Inside the card module only.

#include <memory>
#include <string>

#include "card/Cardoutcomes.h"
#include "card/Cardprogress.h"
#include "platform/Stoptoken.h"

namespace platform {
class IArchiveExtractor;
class IFileLock;
class IFileSystem;
class IShellFolders;
}  // namespace platform

namespace card {

class TExtraction {
public:
    // A folder that was not there before (an earlier run's leftovers only push the number
    // up), made and held; null when the temporary folder is unusable.
    static std::unique_ptr<TExtraction> Make(platform::IFileSystem& files, platform::IShellFolders& folders);
    ~TExtraction();
    TExtraction(const TExtraction&) = delete;
    TExtraction& operator=(const TExtraction&) = delete;

    const std::string& Folder() const { return folder_; }
    // Unpacks the archive into the folder, reporting the unpacking. The error when it was
    // stopped (Cancelled) or failed (Unpack, with the extractor's advice).
    TCardError Unpack(platform::IArchiveExtractor& extractor, const std::string& archive,
                      const TProgressCallback& progress, const platform::StopToken& stop);
    // Removes the folder now and gives up its lock: what was unpacked is no longer needed.
    void Remove();

private:
    TExtraction(platform::IFileSystem& files, std::string folder, std::unique_ptr<platform::IFileLock> lock);

    platform::IFileSystem& files_;
    std::string folder_;
    std::unique_ptr<platform::IFileLock> lock_;
};

// Removes the extraction folders that earlier runs left in the temporary folder and that no
// running instance holds.
void RemoveStaleExtractions(platform::IFileSystem& files, platform::IShellFolders& folders);

}  // namespace card

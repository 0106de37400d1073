#pragma once
// Unpacking of archives (RAR books; ZIP and 7z archives of books), into a folder that already
// exists.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Stoptoken.h"

namespace platform {

// How far an unpacking has come: bytes done of total (total 0 while unknown).
using ExtractProgress = std::function<void(int64_t done, int64_t total)>;

class IArchiveExtractor {
public:
    virtual ~IArchiveExtractor() = default;
    // Unpacks every entry of the archive under folder, keeping the entries' paths. False on
    // any failure: the extractor missing or failing, a damaged archive, an entry that would
    // land outside folder, or a stop asked for through stop, which the extractor polls while
    // it works. progress (may be empty) is called from the calling thread as the unpacking goes
    // on and, whole, at its end. After a false result nothing is still writing into folder.
    virtual bool Extract(const std::string& archive, const std::string& folder, const ExtractProgress& progress,
                         const StopToken& stop) = 0;
    bool Extract(const std::string& archive, const std::string& folder) {
        return Extract(archive, folder, ExtractProgress(), StopToken::Never());
    }
    // Words for the user about the last failed Extract (Windows-1251): what is missing and
    // where to put it, or which entry was refused. Empty when there is nothing to add to the
    // general unpacking error.
    virtual std::string FailureAdvice() const { return std::string(); }
    // The bytes the archive's files take once unpacked, as its listing gives them, without
    // unpacking anything; -1 when the listing cannot be read or this extractor cannot list.
    virtual int64_t ListedSize(const std::string& archive) {
        static_cast<void>(archive);
        return -1;
    }
};

}  // namespace platform

#pragma once
// Unpacking of RAR archives, into a folder that already exists.

#include <string>

namespace platform {

class IArchiveExtractor {
public:
    virtual ~IArchiveExtractor() = default;
    // Unpacks every entry of the archive under folder, keeping the entries' paths. False on
    // any failure: the extractor missing or failing, a damaged archive, an entry that would
    // land outside folder.
    virtual bool Extract(const std::string& archive, const std::string& folder) = 0;
    // Words for the user about the last failed Extract (Windows-1251): what is missing and
    // where to put it, or which entry was refused. Empty when there is nothing to add to the
    // general unpacking error.
    virtual std::string FailureAdvice() const { return std::string(); }
};

}  // namespace platform

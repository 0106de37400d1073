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
};

}  // namespace platform

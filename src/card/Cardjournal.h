#pragma once
// The journal: a file in the card's root that names a removal while it runs (the book's slot and
// a hash of its descriptor), so that a check after a pulled card knows the removal was asked
// for. One type writes it, reads it back and takes it away.

#include <string>

namespace platform {
class IFileSystem;
}

namespace card {

class TCardJournal {
public:
    static constexpr const char* kName = "ZWQJOURN.TMP";

    // What a journal names: the slot's folder name and the hash of its descriptor's bytes.
    struct TEntry {
        std::string slotName;
        std::string hash;
        // Whether the descriptor bytes are those of the book the journal names.
        bool Names(const std::string& descriptorBytes) const;
    };

    TCardJournal(platform::IFileSystem& files, std::string cardPath);

    // Writes the journal of the removal of the book in slot, whole or not at all.
    bool WriteRemoval(int slot, const std::string& descriptorBytes);
    // The journal's bytes read back; the last removal it names wins, empty fields when none.
    static TEntry Parse(const std::string& bytes);
    // Takes the journal away, under the name it is stored as (the card ignores letter case).
    bool Remove(const std::string& storedName = kName);

private:
    platform::IFileSystem& files_;
    std::string cardPath_;
};

}  // namespace card

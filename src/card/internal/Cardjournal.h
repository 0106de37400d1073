#pragma once
// The journal: a file in the card's root that names a renumbering while it runs (a removal
// and the moves that close its gap, books changing places, or gaps closed), so that a check
// after a pulled card can finish it. It names the whole plan: the book removed (its slot, a hash
// of its descriptor and its name), every move (from, to) with the moved book's new descriptor
// bytes, and a checksum of all that, so that a journal cut short is known for a batch that never
// began. An older journal names the removal alone, and is read as a batch without moves. One
// type writes it, reads it back and takes it away.

#include <optional>
#include <string>
#include <vector>

namespace platform {
class IFileSystem;
}

namespace card {

class TCardJournal {
public:
    static constexpr const char* kName = "ZWQJOURN.TMP";

    // The plan of a removal with its renumbering.
    struct TMove {
        int from = 0;
        int to = 0;
        std::string bytes;  // the book's descriptor under its new number
    };
    struct TBatch {
        // An arrangement removes nothing: its books change places, each parked under a name of
        // the program's own first (parked once they all are), then put under its new number.
        bool arranged = false;
        bool parked = false;
        // Gaps closed: nothing removed, every book moves down into a number already free.
        bool shift = false;
        int removed = 0;
        std::string hash;  // of the removed book's descriptor
        std::string name;  // the removed book's DisplayName; empty in an older journal
        std::vector<TMove> moves;
        // Whether the descriptor bytes are those of the book removed.
        bool Names(const std::string& descriptorBytes) const;
    };

    TCardJournal(platform::IFileSystem& files, std::string cardPath);

    // The journal's path on the card.
    std::string Path() const;
    // The hash a removal names its book's descriptor by.
    static std::string Hash(const std::string& descriptorBytes);
    // Writes the journal of a batch (the caller flushes it); one cut short is known by its
    // checksum. False, and nothing written, while a journal is already on the card: the batch
    // it names is for the check to finish, so no other batch may begin.
    bool Write(const TBatch& batch);
    // Replaces the journal (stored under storedName) by the same batch marked as parked, on the
    // medium when it returns true.
    bool MarkParked(TBatch batch, const std::string& storedName = kName);
    // Whether the bytes are a batch journal (whole or cut short).
    static bool IsBatch(const std::string& bytes);
    // The batch of a whole journal, an older one's too; none when it is cut short or damaged.
    static std::optional<TBatch> ParseBatch(const std::string& bytes);
    // The highest slot number the journal's bytes name (removed, moved from or to), 0 when none.
    static int HighestSlot(const std::string& bytes);
    // Takes the journal away, under the name it is stored as (the card ignores letter case).
    bool Remove(const std::string& storedName = kName);

private:
    static std::string Text(const TBatch& batch);

    platform::IFileSystem& files_;
    std::string cardPath_;
};

}  // namespace card

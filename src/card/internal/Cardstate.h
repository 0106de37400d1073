#pragma once
// The card as the check reads it: every slot's descriptor and folder, the scratch file and the
// journal. Inside the card module only.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "book/Ydrunit.h"
#include "card/internal/Cardjournal.h"

namespace card {

struct TSlotState {
    std::string descriptor;  // the descriptor's name as stored; empty when there is none
    std::string folder;      // the folder's name as stored; empty when there is none
    std::string bytes;       // the descriptor's bytes
    bool valid = false;      // the reader accepted the descriptor
    TBookInfo book;
    std::vector<std::string> missing;  // entries whose files are not on the card
};

struct TCardState {
    std::map<int, TSlotState> slots;
    std::string scratch;  // the scratch file's name as stored, empty when there is none
    std::string journal;  // the journal's name as stored, empty when there is none
    std::string journalBytes;
    // The batch the journal names, read once; none when it is cut short or damaged.
    std::optional<TCardJournal::TBatch> batch;
};

// The descriptors' bytes as read, by upper-cased name, for a listing that need not read them again.
std::map<std::string, std::string> DescriptorBytes(const TCardState& state);

}  // namespace card

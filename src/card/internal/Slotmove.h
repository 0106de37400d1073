#pragma once
// A book caught between two numbers by an earlier version of the program, which moved books
// down one at a time without a journal: its new descriptor (the old one's bytes with the slot
// name changed) written first, then the folder renamed and its new name flushed, then the old
// descriptor removed. A card pulled meanwhile holds both descriptors, or the new one and the
// folder under the old number; the check recognises both and finishes the move. Inside the
// card module only.

#include <string>
#include <vector>

#include "card/internal/Cardstate.h"

namespace platform {
class IFileSystem;
}

namespace card {

class TSlotMove {
public:
    TSlotMove(platform::IFileSystem& files, const std::string& cardPath) : files_(files), cardPath_(cardPath) {}

    // The end of a move whose new descriptor is on the card: the folder goes to its new name if
    // it is not there yet, the new name is flushed, then the old descriptor goes. False, with
    // the old descriptor kept, while the book is not whole under its new number on the medium.
    bool Finish(const std::string& oldDescriptor, const std::string& oldFolder, const std::string& newFolder);

    // A move cut short, as the check finds it.
    struct TFound {
        int from = 0;
        int to = 0;
        std::string name;  // the book's DisplayName
    };
    // The moves cut short on the card; their slots join explained, and slots already there are
    // passed over.
    std::vector<TFound> FindInterrupted(const TCardState& state, std::vector<int>& explained) const;

private:
    // Whether the folder (a name in the card's root) holds every file the descriptor of slot
    // names under the book's number.
    bool HoldsFilesOf(const std::string& folder, const TSlotState& slot, int number) const;

    platform::IFileSystem& files_;
    const std::string& cardPath_;
};

}  // namespace card

#pragma once
// A book given a lower number: its new descriptor (the old one's bytes with the slot name
// changed) is written first, then the folder is renamed and its new name flushed, then the old
// descriptor is removed. Between the steps the card holds both descriptors, or the new one and
// the folder under the old number; the check recognises both as a move cut short, and the
// repair finishes it the same way the move itself does. Inside the card module only.

#include <string>
#include <vector>

#include "card/internal/Cardroot.h"
#include "card/internal/Cardstate.h"

namespace platform {
class IFileSystem;
}

namespace card {

class TSlotMove {
public:
    TSlotMove(platform::IFileSystem& files, const std::string& cardPath) : files_(files), cardPath_(cardPath) {}

    // Moves the book in slot from to the free slot to, keeping root up to date. A step that
    // fails is undone and root is listed afresh; false then.
    bool Make(int from, int to, TCardRoot& root);

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

#include "card/internal/Slotmove.h"

#include <algorithm>

#include "card/internal/Cardroot.h"
#include "platform/Files.h"
#include "platform/Paths.h"

namespace card {

bool TSlotMove::Finish(const std::string& oldDescriptor, const std::string& oldFolder, const std::string& newFolder) {
    if (!files_.Exists(newFolder) && !files_.MoveNoReplace(oldFolder, newFolder)) return false;
    if (!files_.IsDirectory(newFolder) || files_.Exists(oldFolder)) return false;
    // The folder's new name is on the medium before the old descriptor goes, whatever order the
    // system would write them out in; a card pulled meanwhile holds both descriptors. The name
    // is an entry of the card's root, named with the folder for a system that flushes per handle.
    if (!files_.FlushFiles({newFolder, cardPath_})) return false;
    return files_.RemoveFile(oldDescriptor) || !files_.Exists(oldDescriptor);
}

bool TSlotMove::HoldsFilesOf(const std::string& folder, const TSlotState& slot, int number) const {
    return std::all_of(slot.book.Files.begin(), slot.book.Files.end(), [&](const std::string& entry) {
        return InSlotFolder(entry, SlotName(number)) &&
               files_.IsFile(platform::JoinPath(platform::JoinPath(cardPath_, folder), platform::EntryFileName(entry)));
    });
}

std::vector<TSlotMove::TFound> TSlotMove::FindInterrupted(const TCardState& state, std::vector<int>& explained) const {
    std::vector<TFound> found;
    const auto isExplained = [&explained](int n) {
        return std::find(explained.begin(), explained.end(), n) != explained.end();
    };
    const auto note = [&](int from, int to, const std::string& name) {
        found.push_back({from, to, name});
        explained.push_back(from);
        explained.push_back(to);
    };

    // Two descriptors of one book, one of them without its folder: the new one written before
    // the folder was renamed, or the old one not yet removed after.
    for (const auto& [lone, loneSlot] : state.slots) {
        if (loneSlot.descriptor.empty() || !loneSlot.folder.empty() || !loneSlot.valid || isExplained(lone)) continue;
        for (const auto& [other, otherSlot] : state.slots) {
            if (other == lone || otherSlot.descriptor.empty() || otherSlot.folder.empty() || !otherSlot.valid ||
                isExplained(other) || otherSlot.bytes == loneSlot.bytes) {
                continue;
            }
            // Books only ever move down.
            const bool folderNotMoved =
                other > lone && RenameSlotInDescriptor(otherSlot.bytes, SlotName(other), SlotName(lone)) == loneSlot.bytes;
            const bool descriptorLeft =
                lone > other && RenameSlotInDescriptor(loneSlot.bytes, SlotName(lone), SlotName(other)) == otherSlot.bytes;
            if (!folderNotMoved && !descriptorLeft) continue;
            note(folderNotMoved ? other : lone, folderNotMoved ? lone : other, loneSlot.book.DisplayName);
            break;
        }
    }

    // The same move with its steps written out of order (the old descriptor's removal reached
    // the card, the folder's new name did not): the new descriptor names a folder that is not
    // there, and the book's folder stays under the higher number without a descriptor. When
    // that folder holds every file the descriptor names, the move is finished; the folder is
    // never taken for an unfinished write.
    for (const auto& [to, toSlot] : state.slots) {
        if (toSlot.descriptor.empty() || !toSlot.folder.empty() || !toSlot.valid || isExplained(to)) continue;
        for (const auto& [from, fromSlot] : state.slots) {
            if (from <= to || !fromSlot.descriptor.empty() || fromSlot.folder.empty() || isExplained(from) ||
                !HoldsFilesOf(fromSlot.folder, toSlot, to)) {
                continue;
            }
            note(from, to, toSlot.book.DisplayName);
            break;
        }
    }
    return found;
}

}  // namespace card

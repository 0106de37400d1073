#include "card/internal/Removalbatch.h"

#include <algorithm>
#include <set>

#include "book/Ydrunit.h"
#include "platform/Files.h"
#include "platform/Paths.h"

namespace card {

std::string TRemovalBatch::Descriptor(int n) const {
    return platform::JoinPath(cardPath_, root_.File(SlotName(n) + kDescriptorExtension));
}

std::string TRemovalBatch::Folder(int n) const { return platform::JoinPath(cardPath_, root_.Folder(SlotName(n))); }

std::vector<TCardJournal::TMove> TRemovalBatch::Plan(int removed, const std::vector<int>& books) const {
    std::set<int> taken;
    for (int n = 1; n <= kHighestBookNumber; ++n) {
        if (n != removed && root_.SlotTaken(n)) taken.insert(n);
    }
    const auto freeFrom = [&taken](int first) {
        for (int n = std::max(first, 1); n <= kHighestBookNumber; ++n) {
            if (taken.count(n) == 0) return n;
        }
        return 0;
    };
    std::vector<int> numbers = books;
    std::sort(numbers.begin(), numbers.end());
    std::vector<TCardJournal::TMove> moves;
    int free = freeFrom(1);
    for (const int number : numbers) {
        if (free == 0) break;
        if (number <= free || number == removed) continue;
        std::string bytes;
        TBookInfo book;
        // Read once: the bytes checked are the bytes the journal keeps.
        const bool movable = root_.HasFolder(SlotName(number)) && files_.ReadWholeFile(Descriptor(number), bytes) &&
                             ParseBookDescriptor(book, Descriptor(number), bytes, files_);
        if (!movable) {
            free = freeFrom(number + 1);
            continue;
        }
        moves.push_back({number, free, RenameSlotInDescriptor(bytes, SlotName(number), SlotName(free))});
        taken.erase(number);
        taken.insert(free);
        free = freeFrom(free + 1);
    }
    return moves;
}

std::vector<std::string> TRemovalBatch::Written(const std::vector<TCardJournal::TMove>& moves) const {
    std::vector<std::string> paths{cardPath_};
    for (const TCardJournal::TMove& move : moves) paths.push_back(platform::JoinPath(cardPath_, SlotName(move.to) + kDescriptorExtension));
    return paths;
}

std::size_t TRemovalBatch::Move(const std::vector<TCardJournal::TMove>& moves,
                                const std::function<void(std::size_t)>& step, std::string& held) {
    for (std::size_t i = 0; i < moves.size(); ++i) {
        const TCardJournal::TMove& move = moves[i];
        if (step) step(i);
        const std::string newDescriptor = platform::JoinPath(cardPath_, SlotName(move.to) + kDescriptorExtension);
        const std::string newFolder = platform::JoinPath(cardPath_, SlotName(move.to));
        const std::string oldDescriptor = Descriptor(move.from);
        if (!files_.WriteUnflushed(newDescriptor, move.bytes)) return i;
        if (!files_.MoveNoReplace(Folder(move.from), newFolder)) {
            // The book stays whole under its old number, and is listed once.
            files_.RemoveFile(newDescriptor);
            return i;
        }
        // A later move may write this number's descriptor anew.
        if (!files_.RemoveFile(oldDescriptor) && files_.Exists(oldDescriptor)) {
            // The old descriptor would name files that have moved: the book goes back.
            held = oldDescriptor;
            if (files_.MoveNoReplace(newFolder, Folder(move.from))) files_.RemoveFile(newDescriptor);
            return i;
        }
    }
    return moves.size();
}

bool TRemovalBatch::NotBegun(const TCardJournal::TBatch& batch, const TCardState& state) const {
    const auto slot = [&state](int n) -> const TSlotState* {
        const auto it = state.slots.find(n);
        return it == state.slots.end() ? nullptr : &it->second;
    };
    const TSlotState* removed = slot(batch.removed);
    if (removed == nullptr || removed->descriptor.empty() || removed->folder.empty() || !removed->valid ||
        !removed->missing.empty() || !batch.Names(removed->bytes)) {
        return false;
    }
    return std::all_of(batch.moves.begin(), batch.moves.end(), [&](const TCardJournal::TMove& move) {
        const TSlotState* from = slot(move.from);
        const TSlotState* to = slot(move.to);
        const bool fromWhole = from != nullptr && !from->folder.empty() && !from->descriptor.empty() &&
                               RenameSlotInDescriptor(from->bytes, SlotName(move.from), SlotName(move.to)) == move.bytes;
        const bool toFree = move.to == batch.removed ||
                            std::any_of(batch.moves.begin(), batch.moves.end(),
                                        [&move](const TCardJournal::TMove& other) { return other.from == move.to; }) ||
                            to == nullptr || (to->descriptor.empty() && to->folder.empty());
        return fromWhole && toFree;
    });
}

bool TRemovalBatch::Finish(const TCardJournal::TBatch& batch, const TCardState& state) {
    const std::vector<TCardJournal::TMove>& moves = batch.moves;
    const auto isTarget = [&moves](int n) {
        return std::any_of(moves.begin(), moves.end(), [n](const TCardJournal::TMove& m) { return m.to == n; });
    };
    // Every descriptor the finish may write or remove, checked before anything changes: one
    // that cannot change would be left naming files that have moved.
    std::vector<std::string> changed{Descriptor(batch.removed)};
    for (const TCardJournal::TMove& move : moves) {
        changed.push_back(Descriptor(move.from));
        changed.push_back(platform::JoinPath(cardPath_, SlotName(move.to) + kDescriptorExtension));
    }
    for (const std::string& descriptor : changed) {
        if (files_.CanReplace(descriptor)) continue;
        held_ = descriptor;
        return false;
    }
    // A folder is only ever renamed onto a number whose folder has gone, so the renames that
    // reached the card are those of the moves whose folder left its number, or whose number a
    // later move's folder, itself moved, has taken since. Found from the last move back.
    std::vector<bool> moved(moves.size(), false);
    for (std::size_t k = moves.size(); k-- > 0;) {
        bool takenSince = false;
        for (std::size_t j = k + 1; j < moves.size(); ++j) takenSince = takenSince || (moves[j].to == moves[k].from && moved[j]);
        moved[k] = takenSince || !files_.IsDirectory(Folder(moves[k].from));
    }
    // The removed book's folder, unless a moved book's folder has taken its number.
    bool removedFolderTaken = false;
    for (std::size_t k = 0; k < moves.size(); ++k) removedFolderTaken = removedFolderTaken || (moves[k].to == batch.removed && moved[k]);
    if (!removedFolderTaken && files_.Exists(Folder(batch.removed)) && !files_.RemoveTree(Folder(batch.removed))) return false;
    if (!isTarget(batch.removed)) {
        const std::string descriptor = Descriptor(batch.removed);
        if (!files_.RemoveFile(descriptor) && files_.Exists(descriptor)) return false;
    }
    for (std::size_t k = 0; k < moves.size(); ++k) {
        if (!moved[k] && !files_.MoveNoReplace(Folder(moves[k].from), platform::JoinPath(cardPath_, SlotName(moves[k].to)))) {
            return false;
        }
    }
    // Every descriptor under its new number whole, whatever part of it arrived; the old ones
    // gone where no book took their number. Descriptors are only ever written here, never
    // moved, so the bytes the check read are still those under each name: one already whole is
    // left as it is, and the flush at the end covers it.
    const auto whole = [&state](const TCardJournal::TMove& move) {
        const auto it = state.slots.find(move.to);
        return it != state.slots.end() && !it->second.descriptor.empty() && it->second.bytes == move.bytes;
    };
    for (const TCardJournal::TMove& move : moves) {
        const std::string descriptor = platform::JoinPath(cardPath_, SlotName(move.to) + kDescriptorExtension);
        if (!files_.IsDirectory(Folder(move.to))) {
            // The book has gone since (removed by hand, or by a removal made while the batch
            // waited for the check): no descriptor under its number, whatever part arrived.
            if (!files_.RemoveFile(descriptor) && files_.Exists(descriptor)) return false;
            continue;
        }
        if (!whole(move) && !files_.WriteUnflushed(descriptor, move.bytes)) return false;
    }
    for (const TCardJournal::TMove& move : moves) {
        const std::string descriptor = Descriptor(move.from);
        if (!isTarget(move.from) && !files_.RemoveFile(descriptor) && files_.Exists(descriptor)) return false;
    }
    return files_.FlushFiles(Written(moves));
}

}  // namespace card

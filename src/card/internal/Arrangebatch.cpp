#include "card/internal/Arrangebatch.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "book/Ydrunit.h"
#include "platform/Files.h"
#include "platform/Paths.h"

namespace card {

std::string TArrangeBatch::ParkName(int from) {
    constexpr std::size_t kBufferSize = 32;
    char buffer[kBufferSize] = {};
    std::snprintf(buffer, sizeof buffer, "ZWQPARK%03d", from);
    return buffer;
}

std::string TArrangeBatch::Descriptor(int n) const {
    return platform::JoinPath(cardPath_, root_.File(SlotName(n) + kDescriptorExtension));
}

std::string TArrangeBatch::Folder(int n) const { return platform::JoinPath(cardPath_, root_.Folder(SlotName(n))); }

std::string TArrangeBatch::NewDescriptor(int n) const {
    return platform::JoinPath(cardPath_, SlotName(n) + kDescriptorExtension);
}

std::string TArrangeBatch::Parked(int from) const { return platform::JoinPath(cardPath_, ParkName(from)); }

std::optional<std::vector<TCardJournal::TMove>> TArrangeBatch::Plan(const std::vector<int>& order) const {
    std::vector<int> places = order;
    std::sort(places.begin(), places.end());
    std::vector<TCardJournal::TMove> moves;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const int from = order[i];
        const int to = places[i];
        if (from == to) continue;
        std::string bytes;
        TBookInfo book;
        const bool movable = root_.HasFolder(SlotName(from)) && files_.ReadWholeFile(Descriptor(from), bytes) &&
                             ParseBookDescriptor(book, Descriptor(from), bytes, files_);
        if (!movable) return std::nullopt;
        moves.push_back({from, to, RenameSlotInDescriptor(bytes, SlotName(from), SlotName(to))});
    }
    return moves;
}

bool TArrangeBatch::CanChange(const std::vector<TCardJournal::TMove>& moves) {
    // The books change places among themselves: a new descriptor's name is an old one's, checked
    // once, unless the book goes to a number no moved book had.
    std::set<int> from;
    for (const TCardJournal::TMove& move : moves) from.insert(move.from);
    std::vector<std::string> changed;
    for (const TCardJournal::TMove& move : moves) {
        changed.push_back(Descriptor(move.from));
        if (from.count(move.to) == 0) changed.push_back(NewDescriptor(move.to));
    }
    for (const std::string& descriptor : changed) {
        if (files_.CanReplace(descriptor)) continue;
        held_ = descriptor;
        return false;
    }
    return true;
}

bool TArrangeBatch::Park(const std::vector<TCardJournal::TMove>& moves, const std::function<void()>& step) {
    for (const TCardJournal::TMove& move : moves) {
        if (step) step();
        // The descriptor goes first: it is never on the card without its folder's files.
        const std::string descriptor = Descriptor(move.from);
        if (!files_.RemoveFile(descriptor) && files_.Exists(descriptor)) {
            held_ = descriptor;
            return false;
        }
        if (!files_.MoveNoReplace(Folder(move.from), Parked(move.from))) return false;
    }
    return true;
}

bool TArrangeBatch::Place(const std::vector<TCardJournal::TMove>& moves, const std::function<void()>& step) {
    for (const TCardJournal::TMove& move : moves) {
        if (step) step();
        // The folder first: its descriptor names the files under the new number.
        if (!files_.MoveNoReplace(Parked(move.from), platform::JoinPath(cardPath_, SlotName(move.to))) ||
            !files_.WriteUnflushed(NewDescriptor(move.to), move.bytes)) {
            return false;
        }
    }
    return true;
}

std::vector<std::string> TArrangeBatch::Written(const std::vector<TCardJournal::TMove>& moves) const {
    std::vector<std::string> paths{cardPath_};
    for (const TCardJournal::TMove& move : moves) paths.push_back(NewDescriptor(move.to));
    return paths;
}

bool TArrangeBatch::Finish(const TCardJournal::TBatch& batch, const TCardState& state, const std::string& journalName) {
    const std::vector<TCardJournal::TMove>& moves = batch.moves;
    if (!CanChange(moves)) return false;
    if (!batch.parked) {
        // Nothing has taken a new number yet: a book is under its old number or parked.
        for (const TCardJournal::TMove& move : moves) {
            const std::string descriptor = Descriptor(move.from);
            if (!files_.RemoveFile(descriptor) && files_.Exists(descriptor)) return false;
            if (!files_.IsDirectory(Parked(move.from)) && !files_.MoveNoReplace(Folder(move.from), Parked(move.from))) {
                return false;
            }
        }
        if (!files_.FlushFiles({cardPath_}) || !TCardJournal(files_, cardPath_).MarkParked(batch, journalName)) {
            return false;
        }
    }
    // Every book parked or under its new number: the parked ones go there now.
    for (const TCardJournal::TMove& move : moves) {
        const std::string folder = platform::JoinPath(cardPath_, SlotName(move.to));
        if (files_.IsDirectory(Parked(move.from)) && !files_.MoveNoReplace(Parked(move.from), folder)) return false;
        const auto slot = state.slots.find(move.to);
        const bool whole = batch.parked && slot != state.slots.end() && !slot->second.descriptor.empty() &&
                           slot->second.bytes == move.bytes;
        if (!whole && !files_.WriteUnflushed(NewDescriptor(move.to), move.bytes)) return false;
    }
    return files_.FlushFiles(Written(moves));
}

}  // namespace card

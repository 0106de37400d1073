#include "card/internal/Cardcheck.h"

#include <algorithm>

#include "book/String_routines_unit.h"
#include "card/internal/Cardjournal.h"
#include "card/internal/Renumbering.h"
#include "card/internal/Slotmove.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Platform.h"

namespace card {

std::map<std::string, std::string> DescriptorBytes(const TCardState& state) {
    std::map<std::string, std::string> bytes;
    for (const auto& [n, slot] : state.slots) {
        if (!slot.descriptor.empty()) bytes[AnsiUpperCase(slot.descriptor)] = slot.bytes;
    }
    return bytes;
}

TCardState TCardCheck::Read() {
    TCardState state;
    root_ = ListCardRoot(files_, cardPath_);
    int32_t n = 0;
    for (const auto& [upper, name] : root_.files) {
        const std::string path = platform::JoinPath(cardPath_, name);
        if (upper == AnsiUpperCase(platform::kReplaceScratchName)) state.scratch = name;
        if (upper == AnsiUpperCase(TCardJournal::kName)) {
            state.journal = name;
            files_.ReadWholeFile(path, state.journalBytes);
            state.batch = TCardJournal::ParseBatch(state.journalBytes);
        }
        if (!IsBookDescriptorName(name, n)) continue;
        TSlotState& slot = state.slots[n];
        slot.descriptor = name;
        slot.valid = files_.ReadWholeFile(path, slot.bytes) && ParseBookDescriptor(slot.book, path, slot.bytes, files_);
        if (!slot.valid) continue;
        for (const std::string& entry : slot.book.Files) {
            if (platform::IsContainedEntry(entry) &&
                !files_.Exists(platform::JoinPath(cardPath_, platform::EntryToPath(entry)))) {
                slot.missing.push_back(entry);
            }
        }
    }
    for (const auto& [upper, name] : root_.folders) {
        if (IsSlotFolderName(name, n)) state.slots[n].folder = name;
    }
    return state;
}

std::vector<TCardFinding> TCardCheck::Analyse(const TCardState& state) const {
    using Kind = TCardFinding::Kind;
    std::vector<TCardFinding> findings;
    std::vector<int> explained;
    const auto isExplained = [&explained](int n) {
        return std::find(explained.begin(), explained.end(), n) != explained.end();
    };
    const auto finding = [](Kind kind, int slot, std::string name, bool repairable) {
        TCardFinding f;
        f.kind = kind;
        f.slot = slot;
        f.name = std::move(name);
        f.repairable = repairable;
        return f;
    };

    // A batch cut short: the journal names its whole plan. Books changing places or gaps
    // closing are finished from whatever part reached the card; a removal too once anything of
    // it did, while before that the book is whole and stays.
    const std::optional<TCardJournal::TBatch>& batch = state.batch;
    const auto explain = [&explained](const TCardJournal::TBatch& b) {
        if (b.removed > 0) explained.push_back(b.removed);
        for (const TCardJournal::TMove& move : b.moves) {
            explained.push_back(move.from);
            explained.push_back(move.to);
        }
    };
    if (!state.journal.empty() && batch && batch->removed == 0) {
        TCardFinding f = finding(Kind::InterruptedArrangement, 0, std::string(), true);
        f.completes = true;
        findings.push_back(f);
        explain(*batch);
    } else if (!state.journal.empty()) {
        const auto removed = batch ? state.slots.find(batch->removed) : state.slots.end();
        const bool present = removed != state.slots.end() && !removed->second.descriptor.empty();
        const bool movedOnto = batch && std::any_of(batch->moves.begin(), batch->moves.end(), [&](const auto& move) {
                                   return move.to == batch->removed;
                               });
        // A journal cut short names a batch that never began. One whose number holds a book it
        // does not name and no move of it put there, or an older one (naming the book by its
        // descriptor alone) whose book is gone, has nothing left to do. Either is a scratch file.
        const bool stale = batch && ((present && !movedOnto && !batch->Names(removed->second.bytes)) ||
                                     (!present && batch->name.empty() && batch->moves.empty()));
        if (!batch || stale) {
            findings.push_back(finding(Kind::Scratch, 0, state.journal, true));
        } else {
            // An older journal names no book: its descriptor on the card does.
            std::string name = batch->name;
            if (name.empty() && present) name = removed->second.valid ? removed->second.book.DisplayName : removed->second.descriptor;
            TCardFinding f = finding(Kind::InterruptedRemoval, batch->removed, name, true);
            f.completes = !TRenumbering(files_, cardPath_, root_).NotBegun(*batch, state);
            findings.push_back(f);
            explain(*batch);
        }
    }

    for (const TSlotMove::TFound& move : TSlotMove(files_, cardPath_).FindInterrupted(state, explained)) {
        TCardFinding f = finding(Kind::InterruptedMove, move.from, move.name, true);
        f.toSlot = move.to;
        findings.push_back(f);
    }

    for (const auto& [n, slot] : state.slots) {
        if (isExplained(n)) continue;
        if (slot.descriptor.empty()) {
            findings.push_back(finding(Kind::PartialWrite, n, slot.folder, true));
        } else if (!slot.valid) {
            findings.push_back(finding(Kind::Unreadable, n, slot.descriptor, false));
        } else if (!slot.missing.empty()) {
            TCardFinding f = finding(Kind::MissingFiles, n, slot.book.DisplayName, false);
            f.files = slot.missing;
            findings.push_back(f);
        }
    }
    if (!state.scratch.empty()) findings.push_back(finding(Kind::Scratch, 0, state.scratch, true));

    // Gaps below the highest book; numbers above it hold nothing the player lists.
    int highest = 0;
    for (const auto& [n, slot] : state.slots) {
        if (slot.valid) highest = n;
    }
    for (int n = 1; n < highest && n <= kHighestBookNumber; ++n) {
        if (state.slots.count(n) == 0) findings.push_back(finding(Kind::Gap, n, std::string(), true));
    }
    return findings;
}

bool TCardCheck::Mend(const TCardFinding& finding, const TCardState& state) {
    using Kind = TCardFinding::Kind;
    const auto descriptorOf = [&](int n) {
        const auto it = state.slots.find(n);
        const bool stored = it != state.slots.end() && !it->second.descriptor.empty();
        return platform::JoinPath(cardPath_, stored ? it->second.descriptor : SlotName(n) + kDescriptorExtension);
    };
    const auto folderOf = [&](int n) {
        const auto it = state.slots.find(n);
        const bool stored = it != state.slots.end() && !it->second.folder.empty();
        return platform::JoinPath(cardPath_, stored ? it->second.folder : SlotName(n));
    };
    switch (finding.kind) {
        case Kind::InterruptedRemoval:
        case Kind::InterruptedArrangement: {
            if (!finding.completes || !state.batch) break;
            TRenumbering renumbering(files_, cardPath_, root_);
            const bool finished = renumbering.Finish(*state.batch, state, state.journal);
            held_ = renumbering.Held();
            return finished;
        }
        case Kind::InterruptedMove:
            // Finished as the move itself finishes; the old descriptor stays until the book is
            // whole under its new number.
            TSlotMove(files_, cardPath_).Finish(descriptorOf(finding.slot), folderOf(finding.slot), folderOf(finding.toSlot));
            break;
        case Kind::PartialWrite: files_.RemoveTree(folderOf(finding.slot)); break;
        case Kind::Scratch:
            // The journal goes last, after everything it explains is mended.
            if (finding.name != state.journal) files_.RemoveFile(platform::JoinPath(cardPath_, finding.name));
            break;
        case Kind::MissingFiles:
        case Kind::Unreadable:
        case Kind::Gap: break;
    }
    return true;
}

}  // namespace card

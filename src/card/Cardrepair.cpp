// The card check and repair as the card model offers them: the check's reading, its findings and
// its mending (internal/Cardcheck), then the gaps closed and the list made from the last reading.
#include <algorithm>
#include <map>

#include "book/String_routines_unit.h"

#include "card/Zwqcardunit.h"
#include "card/internal/Cardcheck.h"
#include "card/internal/Cardjournal.h"
#include "platform/Platform.h"

std::vector<TCardFinding> TMemoryCard::CheckCard() {
    card::TCardCheck check(platform_.files, CardPath, *root_);
    return check.Analyse(check.Read());
}

TCardRepair TMemoryCard::RepairCard(const TProgressCallback& progress) {
    TCardRepair repair;
    card::TCardCheck check(platform_.files, CardPath, *root_);
    const card::TCardState state = check.Read();
    const std::vector<TCardFinding> found = check.Analyse(state);
    if (found.empty()) {
        // A sound card: nothing to mend, and the list is made from what the check has read.
        ScanKnowing(card::DescriptorBytes(state));
        return repair;
    }
    // The journal stays while the removal it names could not be finished, for the next check.
    // The descriptors are those the check read, or those a finished batch wrote.
    bool journalDone = true;
    std::map<std::string, std::string> known = card::DescriptorBytes(state);
    for (const TCardFinding& finding : found) {
        if (!check.Mend(finding, state) && finding.JournalNames()) journalDone = false;
        if (!finding.JournalNames() || !finding.completes || !state.batch) continue;
        for (const auto& move : state.batch->moves) known[AnsiUpperCase(SlotName(move.to) + kDescriptorExtension)] = move.bytes;
    }
    // The journal goes once what it names is mended, and its removal is on the medium before
    // the gaps are closed under a journal of their own.
    if (!state.journal.empty() && journalDone &&
        card::TCardJournal(platform_.files, CardPath).Remove(state.journal)) {
        platform_.files.FlushFiles({CardPath});
    }
    if (!journalDone) known.clear();
    ScanKnowing(known);
    // While a batch the journal names could not be finished, no book moves: its plan must
    // still fit the card at the next check.
    const bool journalStays = !state.journal.empty() && !journalDone;
    if (!journalStays) repair.moves = CloseListedGaps(progress, known);
    const bool onlyGaps = std::all_of(found.begin(), found.end(), [](const TCardFinding& f) {
        return f.kind == TCardFinding::Kind::Gap;
    });
    if (onlyGaps && !NeedsCheck()) {
        // The check found nothing but gaps, and none is left: the books it read whole are
        // whole under their new numbers, and a fresh check would find the card sound.
        repair.mended = found;
        return repair;
    }

    // One more reading of the card serves the fresh check and the list.
    const card::TCardState after = check.Read();
    repair.leftAlone = check.Analyse(after);
    for (TCardFinding& left : repair.leftAlone) {
        if (left.JournalNames()) left.held = check.Held();
    }
    ScanKnowing(card::DescriptorBytes(after));
    for (const TCardFinding& finding : found) {
        const bool stays = std::any_of(repair.leftAlone.begin(), repair.leftAlone.end(), [&finding](const TCardFinding& left) {
            return left.kind == finding.kind && left.slot == finding.slot && left.toSlot == finding.toSlot &&
                   left.name == finding.name;
        });
        if (!stays) repair.mended.push_back(finding);
    }
    return repair;
}

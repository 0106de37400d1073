#include "app/Commandlinebatch.h"

#include <algorithm>

#include "app/Texts.h"
#include "book/String_routines_unit.h"
#include "platform/Commandline.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "settings/Optionsunit.h"

TBookArguments SortBookArguments(const std::vector<std::string>& arguments, const std::string& cardPath,
                                 const std::string& currentDirectory) {
    TBookArguments books;
    for (const std::string& argument : arguments) {
        if (platform::IsSwitchArgument(argument)) continue;
        const std::string fullPath =
            platform::IsBareFileName(argument) ? platform::JoinPath(currentDirectory, argument) : argument;
        (LiesOnCard(fullPath, cardPath) ? books.deletions : books.writes).push_back(fullPath);
    }
    return books;
}

TCommandLineBatch::Outcome TCommandLineBatch::Run(const TBookArguments& books) {
    if (books.deletions.empty() && books.writes.empty()) return Outcome::NothingNamed;
    const std::size_t deletions = books.deletions.size();
    if (deletions > 1 && teller_.Tell(texts::kDeleteManyHead + std::to_string(deletions) + texts::kDeleteManyTail,
                                      texts::kCaptionDeleteMany, boxflags::kQuestion) != platform::kIdYes) {
        return Outcome::Refused;
    }
    const bool deleted = Delete(Targets(books.deletions), deletions == 1);
    if (deletions > 1) {
        teller_.Tell(deleted ? texts::kDeleteManyDone : texts::kDeleteManyErrors, texts::kCaptionDeleteMany,
                     deleted ? boxflags::kInformation : boxflags::kWarning);
    }
    if (!books.writes.empty()) writer_.WriteBooks(books.writes);
    return Outcome::Done;
}

std::vector<TCommandLineBatch::TTarget> TCommandLineBatch::Targets(const std::vector<std::string>& paths) const {
    std::vector<TTarget> targets;
    for (const std::string& path : paths) {
        const std::string upper = AnsiUpperCase(path);
        for (const auto& book : card_.Books) {
            if (AnsiUpperCase(book->Path) != upper) continue;
            const bool named = std::any_of(targets.begin(), targets.end(),
                                           [&](const TTarget& target) { return target.slot == book->Number; });
            if (!named) targets.push_back({book->Number, book->DisplayName});
            break;
        }
    }
    return targets;
}

int TCommandLineBatch::Locate(const TTarget& target) const {
    int found = 0;
    int carriers = 0;
    for (const auto& book : card_.Books) {
        if (book->DisplayName != target.name) continue;
        if (book->Number == target.slot) return target.slot;
        found = book->Number;
        ++carriers;
    }
    return carriers == 1 ? found : 0;
}

bool TCommandLineBatch::Delete(std::vector<TTarget> targets, bool ask) {
    bool allDeleted = true;
    for (std::size_t t = 0; t < targets.size(); ++t) {
        // Never a book that no path named: one that cannot be found for sure is not deleted.
        const int slot = Locate(targets[t]);
        const auto book = std::find_if(card_.Books.begin(), card_.Books.end(),
                                       [slot](const auto& listed) { return slot > 0 && listed->Number == slot; });
        std::optional<TRemovalOutcome> outcome;
        if (book != card_.Books.end()) {
            outcome = removal_.Remove(static_cast<std::size_t>(book - card_.Books.begin()), ask);
        }
        if (outcome) removal_.Report(*outcome, false);
        if (!outcome || !outcome->removal) {
            allDeleted = false;
            continue;
        }
        // The renumbering moved books down: the later targets follow their books.
        for (std::size_t later = t + 1; later < targets.size(); ++later) {
            for (const auto& [from, to] : outcome->removal.moves) {
                if (targets[later].slot == from) {
                    targets[later].slot = to;
                    break;
                }
            }
        }
    }
    return allDeleted;
}

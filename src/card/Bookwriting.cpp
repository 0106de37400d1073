// Writing a found book to the card: its plan handed to the slot writer, in the smallest free
// slot (above every number a journal waiting for the check names).
#include "card/Zwqcardunit.h"
#include "card/internal/Bookplan.h"
#include "card/internal/Slotwriter.h"
#include "platform/Platform.h"

namespace {

using Code = TCardError::Code;

}  // namespace

TWriteOutcome TMemoryCard::AddBook(const std::string& path, const TProgressCallback& progress,
                                   const platform::StopToken& stop) {
    TFoundBook found;
    const TCardError notFound = FindBook(path, found, progress, stop);
    if (notFound.failed()) return TWriteOutcome::Failed(notFound);
    return WriteFoundBook(found, progress, stop);
}

TWriteOutcome TMemoryCard::WriteFoundBook(TFoundBook& found, const TProgressCallback& progress,
                                          const platform::StopToken& stop) {
    if (!found.book.DescriptorPath.empty()) {
        return AddBookFromDescriptor(found.book.DescriptorPath, std::move(found.extraction), progress, stop);
    }
    card::TBookPlan plan;
    const TCardError unnamed = card::PlanMadeBook(found.book, plan);
    if (unnamed.failed()) return TWriteOutcome::Failed(unnamed);
    plan.extraction = std::move(found.extraction);
    return PlaceBook(plan, progress, stop);
}

TWriteOutcome TMemoryCard::AddBookFromDescriptor(const std::string& descriptorPath,
                                                 std::unique_ptr<card::TExtraction> extraction,
                                                 const TProgressCallback& progress, const platform::StopToken& stop) {
    TBookInfo book;
    if (!ReadBookDescriptor(book, descriptorPath, platform_.files)) return TWriteOutcome::Failed(TCardError::Of(Code::NoBookInfo));
    card::TBookPlan plan = card::PlanDescriptorBook(book, platform_.files);
    plan.extraction = std::move(extraction);
    return PlaceBook(plan, progress, stop);
}

TWriteOutcome TMemoryCard::PlaceBook(card::TBookPlan& plan, const TProgressCallback& progress,
                                     const platform::StopToken& stop) {
    const auto failed = [&plan](TCardError error) { return TWriteOutcome::Failed(std::move(error), plan.displayName); };
    for (const auto& listed : Books) {
        if (listed->DisplayName == plan.displayName) return failed(TCardError::Of(Code::AlreadyOnCard, plan.displayName));
    }
    const std::string slot = NewBookSlotName();
    if (slot.empty()) return failed(TCardError::Of(Code::NoSlotName));
    // Everything is checked before the first byte is written: the files, then the room.
    if (plan.refused.failed()) return failed(plan.refused);
    if (VolumeGone()) return failed(TCardError::Of(Code::NoCard));
    const TWriteOutcome outcome = card::TSlotWriter(platform_.files, CardPath, slot, VerifyWrites).Write(plan, progress, stop);
    if (outcome) LastTitle = outcome.title;
    return outcome;
}

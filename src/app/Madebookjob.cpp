#include "app/Madebookjob.h"

#include "app/Cardtexts.h"
#include "book/Booksource.h"
#include "platform/Paths.h"

std::optional<TBookBatchResult> TMadeBookJob::Write(const std::string& path) {
    TBookBatchResult result;
    result.count = 1;
    result.path = path;
    result.name = platform::FileNameOf(platform::StripTrailingSeparators(path));
    TProgressPlan plan;
    plan.subject = result.name;
    plan.unpacks = IsBookArchiveName(platform::FileNameOf(path));
    TFoundBook found;
    TCardError error;
    session_.Run(plan, true, showAfter_,
                 [&](TProgressPlan&, const TProgressCallback& progress, const platform::StopToken& stop) {
                     error = card_.FindBook(path, found, progress, stop);
                 });
    TWriteOutcome outcome = TWriteOutcome::Failed(error);
    if (!error.failed()) {
        if (found.book.DescriptorPath.empty()) {
            // Closed without writing: the book goes, and with it what was unpacked.
            TNewBookForm form = NewBookForm(found.book);
            if (!dialog_.Execute(form)) return std::nullopt;
            ApplyNewBookForm(form, found.book);
            result.name = MadeDisplayName(found.book);
        }
        plan.subject = result.name;
        plan.unpacks = false;
        session_.Run(plan, true, std::chrono::milliseconds::zero(),
                     [&](TProgressPlan&, const TProgressCallback& progress, const platform::StopToken& stop) {
                         outcome = card_.WriteFoundBook(found, progress, stop);
                     });
    }
    if (outcome) {
        result.written = 1;
        result.title = outcome.title;
        return result;
    }
    result.end = outcome.cancelled ? TBookBatchResult::End::Cancelled : TBookBatchResult::End::Failed;
    result.error = CardErrorText(outcome.error);
    return result;
}

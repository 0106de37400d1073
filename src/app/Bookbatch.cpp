#include "app/Bookbatch.h"

#include <algorithm>

#include "app/Cardtexts.h"
#include "book/Booksource.h"
#include "book/Ydrunit.h"
#include "platform/Paths.h"

namespace {

bool IsArchive(const std::string& path) { return IsBookArchiveName(platform::FileNameOf(path)); }

// How the progress window names a book before the card model reports: a descriptor's book by
// its own name, an archive by its file's.
std::string BookSubject(const std::string& path, platform::IFileSystem& files) {
    TBookInfo book;
    if (!IsArchive(path) && ReadBookDescriptor(book, path, files)) return book.DisplayName;
    return platform::FileNameOf(platform::StripTrailingSeparators(path));
}

}  // namespace

TBookBatchResult TBookBatch::Write(const std::vector<std::string>& paths) {
    TBookBatchResult result;
    result.count = static_cast<int>(paths.size());
    if (paths.empty()) return result;
    TWriteOutcome outcome;
    outcome.written = true;
    TProgressPlan plan;
    plan.bookCount = result.count;
    plan.subject = BookSubject(paths.front(), files_);
    plan.unpacks = IsArchive(paths.front());
    session_.Run(plan, true, std::chrono::milliseconds::zero(),
                 [&](TProgressPlan& current, const TProgressCallback& progress, const platform::StopToken& stop) {
                     for (int i = 0; i < result.count && outcome; ++i) {
                         const std::string& path = paths[static_cast<std::size_t>(i)];
                         current.bookIndex = i + 1;
                         current.subject = BookSubject(path, files_);
                         current.unpacks = IsArchive(path);
                         // Each book after the first finds the card as the one before left it.
                         if (i > 0 && card_.FreeSpace() < 0) {
                             result.end = TBookBatchResult::End::CardGone;
                             return;
                         }
                         if (i > 0) card_.Scan();
                         outcome = card_.AddBook(path, progress, stop);
                         result.name = outcome.title;
                         if (!outcome) continue;
                         ++result.written;
                         result.title = outcome.title;
                     }
                 });
    if (result.end == TBookBatchResult::End::CardGone) return result;
    // The book that failed or was stopped is the one after the last written.
    result.path = paths[std::min(static_cast<std::size_t>(result.written), paths.size() - 1)];
    if (!outcome) {
        result.end = outcome.cancelled ? TBookBatchResult::End::Cancelled : TBookBatchResult::End::Failed;
        result.error = CardErrorText(outcome.error);
    }
    return result;
}

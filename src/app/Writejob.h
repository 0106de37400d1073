#pragma once
// Writing books to the card and telling how it went: a list of books one after another
// (TBookBatch), or a book the program makes itself after "Новая книга" (TMadeBookJob). The
// outcome is told once the list shows the card, so that the focus comes back from the box to the
// last book written.

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "app/Bookbatch.h"
#include "app/Newbookdialog.h"
#include "app/Progresssession.h"
#include "app/Teller.h"
#include "card/Zwqcardunit.h"
#include "platform/Files.h"

class TWriteJob {
public:
    // showAfter: how long the finding of a book the program makes runs before its progress
    // window appears.
    TWriteJob(TMemoryCard& card, platform::IFileSystem& files, TProgressSession& session, TTeller& teller,
              std::chrono::milliseconds showAfter)
        : card_(card), files_(files), session_(session), teller_(teller), showAfter_(showAfter) {}

    // The books of paths one after another behind one progress window; the first that fails or
    // is stopped ends the list. Nothing when there are none or the card is not there (said).
    // The card model's listing is not read again after the last book.
    std::optional<TBookBatchResult> Write(const std::vector<std::string>& paths);
    // The book of path, found and shown in dialog for the user to correct, then written.
    // Nothing when the card is not there or the user closed the dialog without writing.
    std::optional<TBookBatchResult> WriteMade(const std::string& path, ui::INewBookDialog& dialog);
    // The outcome, once the list shows the card: the card gone, the stop, the failure, or with
    // showSuccess the book written. How the writes ended; Failed when none ran.
    TBookBatchResult::End Report(const std::optional<TBookBatchResult>& result, bool showSuccess);
    // After a list of several books: that it was written, or that errors came up. A stop has
    // said how far the list came.
    void Summarize(TBookBatchResult::End end, std::size_t count);
    // Write, Report and Summarize, as the command line writes its books: with one book its
    // success box, with several a summary. True when every book was written.
    bool WriteBooks(const std::vector<std::string>& paths);

private:
    TMemoryCard& card_;
    platform::IFileSystem& files_;
    TProgressSession& session_;
    TTeller& teller_;
    std::chrono::milliseconds showAfter_;
};

#pragma once
// A book the program makes itself, written interactively: found (and an archive unpacked)
// behind the progress session, shown in "Новая книга" for the user to correct, then written
// behind the session again.

#include <chrono>
#include <optional>
#include <string>

#include "app/Bookbatch.h"
#include "app/Newbookdialog.h"
#include "app/Progresssession.h"
#include "card/Zwqcardunit.h"

class TMadeBookJob {
public:
    TMadeBookJob(TMemoryCard& card, TProgressSession& session, ui::INewBookDialog& dialog,
                 std::chrono::milliseconds showAfter)
        : card_(card), session_(session), dialog_(dialog), showAfter_(showAfter) {}

    // The book of path written as a batch of one; nothing when the user closed "Новая книга"
    // without writing (nothing is then written and nothing is left unpacked).
    std::optional<TBookBatchResult> Write(const std::string& path);

private:
    TMemoryCard& card_;
    TProgressSession& session_;
    ui::INewBookDialog& dialog_;
    std::chrono::milliseconds showAfter_;
};

#pragma once
// Writing a list of books to the card one after another behind one progress session.

#include <string>
#include <vector>

#include "app/Progresssession.h"
#include "card/Zwqcardunit.h"
#include "platform/Files.h"

struct TBookBatchResult {
    enum class End { Written, Failed, Cancelled, CardGone };
    End end = End::Written;
    int written = 0;
    int count = 0;
    // The book that failed or was stopped: its path, and its own name once its descriptor was
    // read; the card model's words for the failure.
    std::string path;
    std::string name;
    std::string error;
    // The DisplayName of the last book written.
    std::string title;
};

class TBookBatch {
public:
    TBookBatch(TMemoryCard& card, platform::IFileSystem& files, TProgressSession& session)
        : card_(card), files_(files), session_(session) {}

    // Writes the books in order, each on the card as the one before left it; the first that
    // fails or is stopped ends the batch. The window may be stopped ("Отмена").
    TBookBatchResult Write(const std::vector<std::string>& paths);

private:
    TMemoryCard& card_;
    platform::IFileSystem& files_;
    TProgressSession& session_;
};

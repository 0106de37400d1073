#pragma once
// Long card operations as the user follows them: the card model's progress in words for the
// progress window, and the window's layout.

#include <chrono>
#include <optional>
#include <string>

#include "app/Controls.h"
#include "card/Zwqcardunit.h"

// What a progress window is about: the work, its subject, and where a batch of writes stands.
struct TProgressPlan {
    enum class Work { Write, Delete, Arrange, Check, Repair };
    Work work = Work::Write;
    // A deletion: the book's name. A write: the file it comes from, until the book's own name
    // is known from its descriptor.
    std::string subject;
    // A RAR archive: unpacking is the first half of the book's work, copying the second.
    bool unpacks = false;
    // The book of the batch under way, counted from 1, of bookCount.
    int bookIndex = 1;
    int bookCount = 1;
};

// The progress window's view. The caption names the work and the book (with "книга k из n" in
// a batch); the activity says what is being done; the amount gives the percent, the book's
// megabytes done of all and, once it can be told, the time left. progress is empty before the
// operation's first report; elapsed is the time since it began. The percent is that of the
// whole batch, so it never goes back and reaches 100 when the last book is on the card.
ui::TProgressView DescribeProgress(const TProgressPlan& plan, const std::optional<TCardProgress>& progress,
                                   std::chrono::milliseconds elapsed);

// The progress window at 96 dots per inch, scaled by the front end to the screen: the
// activity, the bar and the amount one below the other, "Отмена" at the bottom right.
struct TProgressFormLayout {
    static constexpr int kClientWidth = 400, kClientHeight = 121;
    static constexpr int kLeft = 12, kWidth = 376, kTextHeight = 16;
    static constexpr int kActivityTop = 12, kBarTop = 34, kBarHeight = 18, kAmountTop = 60;
    static constexpr int kButtonLeft = 313, kButtonTop = 84, kButtonWidth = 75, kButtonHeight = 25;
    static constexpr int kFontHeight = -11;  // MS Sans Serif, 8 points
};
// The caption of its button, "Отмена".
const std::string& ProgressCancelCaption();

#pragma once
// The one voice of the window logic's boxes: every job says what it has to say through it. Once
// the user has chosen to close the program during a card operation it says nothing more, and no
// more card work starts.

#include <string>

#include "card/Zwqcardunit.h"
#include "platform/Dialogs.h"

// The buttons and icon of the boxes: a question (Yes, No, Cancel), and word of success, of a
// warning and of an error (OK).
namespace boxflags {
inline constexpr unsigned kQuestion = platform::kMbYesNoCancel | platform::kMbIconQuestion;
inline constexpr unsigned kInformation = platform::kMbOk | platform::kMbIconInformation;
inline constexpr unsigned kWarning = platform::kMbOk | platform::kMbIconWarning;
inline constexpr unsigned kError = platform::kMbOk | platform::kMbIconError;
}  // namespace boxflags

class TTeller {
public:
    explicit TTeller(platform::IMessageBoxes& boxes) : boxes_(boxes) {}

    // A message box; none (Cancel) once the user has chosen to close.
    int Tell(const std::string& text, const std::string& caption, unsigned flags);
    // The user chose to close the program: from now on nothing is told.
    void Close() { closing_ = true; }
    bool Closing() const { return closing_; }

private:
    platform::IMessageBoxes& boxes_;
    bool closing_ = false;
};

// Whether card work may start: the card is there (else a box says it is not) and the user has
// not chosen to close.
bool CardPresent(TMemoryCard& card, TTeller& teller);

#include "app/Teller.h"

#include "app/Texts.h"

int TTeller::Tell(const std::string& text, const std::string& caption, unsigned flags) {
    if (closing_) return platform::kIdCancel;
    return boxes_.ShowMessage(text, caption, flags);
}

bool CardPresent(TMemoryCard& card, TTeller& teller) {
    if (teller.Closing()) return false;
    if (card.FreeSpace() >= 0) return true;
    teller.Tell(texts::kCardMissing, texts::kCaptionCheck, boxflags::kWarning);
    return false;
}

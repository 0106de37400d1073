#pragma once
// "Проверить карту": the check behind the progress window, the findings in words, the question
// to mend them, the repair behind the window and its result; and the offer of the check after a
// scan that saw signs of trouble. The flow changes the card only through the repair, which it
// returns: the caller shows the card as the repair left it, then has the result told.

#include <chrono>
#include <optional>
#include <string>

#include "app/Progresssession.h"
#include "app/Teller.h"
#include "card/Zwqcardunit.h"

class TCardCheckFlow {
public:
    // showAfter: how long the check or the repair runs before its progress window appears; the
    // window's setting, read at each run.
    TCardCheckFlow(TTeller& teller, TMemoryCard& card, TProgressSession& session,
                   const std::chrono::milliseconds& showAfter)
        : teller_(teller), card_(card), session_(session), showAfter_(showAfter) {}
    TCardCheckFlow(TTeller&, TMemoryCard&, TProgressSession&, std::chrono::milliseconds&&) = delete;

    // The check of the card at cardPath, as the menu command runs it. What the repair did when
    // the user had the card mended (the card model's listing is then the card's); nothing when
    // the card was left as it was.
    std::optional<TCardRepair> Run(const std::string& cardPath);
    // After a repair, once the list shows the card: what was mended and what was left alone.
    void TellRepair(const TCardRepair& repair);
    // Once card work has ended: when the card model's listing saw signs of trouble, says once
    // per card that the card needs a check and offers it. As Run.
    std::optional<TCardRepair> Offer(const std::string& cardPath);
    // Work that must wait for the check: says why (refusal, under caption) and asks whether to
    // check now; true on Yes. In a command-line batch it only says why: the check is offered
    // once the batch has ended.
    bool Refuse(const std::string& refusal, const std::string& caption, bool inBatch);

private:
    TTeller& teller_;
    TMemoryCard& card_;
    TProgressSession& session_;
    const std::chrono::milliseconds& showAfter_;
    // The card path for which the check was offered or run in this run.
    std::string checkedCard_;
};

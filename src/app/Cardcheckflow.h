#pragma once
// "Проверить карту": the check behind the progress window, the findings in words, the question
// to mend them, the repair behind the window and its result; and the offer of the check after a
// scan that saw signs of trouble.

#include <chrono>
#include <string>

#include "app/Progresssession.h"
#include "card/Zwqcardunit.h"

// What the check asks of the window.
class ICheckWindow {
public:
    virtual ~ICheckWindow() = default;
    virtual int Tell(const std::string& text, const std::string& caption, unsigned flags) = 0;
    // The list and the status line from a fresh scan, the current book kept.
    virtual void RefreshBooks() = 0;
};

class TCardCheckFlow {
public:
    TCardCheckFlow(ICheckWindow& window, TMemoryCard& card, TProgressSession& session)
        : window_(window), card_(card), session_(session) {}

    // How long the check or the repair runs before its progress window appears.
    std::chrono::milliseconds showAfter{0};

    // The check of the card at cardPath, as the menu command runs it.
    void Run(const std::string& cardPath);
    // After a scan: when it saw signs of trouble, says once per card that the card needs a
    // check, and offers it. While held the offer waits for Release.
    void Offer(const std::string& cardPath);
    // A command-line batch is never interrupted by the offer: it comes once the batch ends.
    void Hold() { held_ = true; }
    void Release(const std::string& cardPath);
    // Work that must wait for the check: says why (refusal, under caption) and offers the check
    // at once, or while held says it and offers the check once the batch ends.
    void Refuse(const std::string& refusal, const std::string& caption, const std::string& cardPath);

private:
    ICheckWindow& window_;
    TMemoryCard& card_;
    TProgressSession& session_;
    // The card path for which the check was offered or run in this run.
    std::string checkedCard_;
    bool held_ = false;
    bool offerWaits_ = false;
};

// The main window's card as the system mounts and unmounts it, and taking it out.
#include "app/Body.h"
#include "app/Texts.h"
#include "settings/Optionsunit.h"

void TForm1::DrivesChanged() {
    if (settings == nullptr || teller_.Closing() || CheckSwitchGiven()) return;
    // The card model belongs to the work under way; a card pulled meanwhile ends it as a
    // failing card does, and the card is looked at once it has ended.
    if (session_.Running()) {
        drivesPending_ = true;
        return;
    }
    drivesPending_ = false;
    const std::string before = cardPath;
    switch (watch_.Look(cardPath)) {
        case TCardWatch::Change::Came: TakeCard(cardPath != before, wentName_, wentRow_); break;
        case TCardWatch::Change::Went:
            wentName_ = CurrentName();
            wentRow_ = CurrentRow();
            card->SetCardPath(std::string());
            card->Scan();
            ShowBooks(std::string(), 0);
            Announce(texts::kCardWent);
            break;
        case TCardWatch::Change::None: break;
    }
    if (const std::optional<std::string> root = watch_.Offer(cardPath)) {
        cardPath = *root;
        TakeCard(true, std::string(), 0);
        watch_.Chosen(cardPath);
    }
}

void TForm1::TakeCard(bool moved, const std::string& currentName, std::size_t row) {
    card->SetCardPath(cardPath);
    if (moved) SaveCardPath(*settings, cardPath);
    ShowCardAfterWork(true, currentName, row);
    Announce(TCardWatch::CameText(card->Books.size()));
}

void TForm1::Announce(const std::string& text) {
    if (controls_.announcement != nullptr) controls_.announcement->Announce(text);
}

void TForm1::EjectCard() {
    if (!CardPresent()) return;
    std::string reason;
    if (!platform_.drives.Eject(cardPath, reason)) {
        teller_.Tell(texts::kEjectRefused + reason, texts::kEjectCaption, platform::kMbOk | platform::kMbIconError);
        return;
    }
    // The list empties at once; the system's own word of the volume going comes later.
    DrivesChanged();
    teller_.Tell(texts::kEjected, texts::kEjectCaption, platform::kMbOk | platform::kMbIconInformation);
}

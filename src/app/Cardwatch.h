#pragma once
// The chosen card as it comes and goes while the window is open. The card is known by its
// volume (settings/Cardidentity) besides its path, so it is taken again wherever the system
// mounts it next; while it is away, a removable volume that holds books, or nothing yet, is
// offered to work with, and "Нет" holds for that volume until the program ends. A card folder
// that is a mount point (of any volume, removable or not) is the card only while it stays one.
// A look the system asks for while card work runs waits until the work has ended, and the book
// the listener was on when the card went is kept for when it comes back.

#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "app/Teller.h"
#include "platform/Platform.h"
#include "settings/Cardidentity.h"

class SettingsStore;

namespace texts {
extern const std::string kCardCameHead;     // "Карта памяти подключена: " + "12 книг"
extern const std::string kCardWent;         // "Карта памяти отключена"
extern const std::string kCardNotConnected;  // the status line while it is away
extern const std::string kEjectCaption;     // "Извлечь карту памяти": the menu item and the boxes
extern const std::string kEjected;          // "Карту памяти можно извлечь."
extern const std::string kEjectRefused;     // + the system's reason
}  // namespace texts

// A book of the list, by its name and row: the one the listener is on.
struct TListPlace {
    std::string name;
    std::size_t row = 0;
};

class TCardWatch {
public:
    TCardWatch(platform::Platform& platform, TTeller& teller) : platform_(platform), teller_(teller) {}

    enum class Change { None, Came, Went };

    // At start-up, the card path known: the stored identity read (learnt when none is stored
    // and the card is a removable volume now). Came when the card is mounted at another root,
    // which then replaces cardPath.
    Change Begin(SettingsStore& settings, std::string& cardPath);
    // The user chose cardPath (already saved): its volume becomes the card's identity.
    void Chosen(const std::string& cardPath);
    // Where the card is now, against where it was at the last look: Came (cardPath then names
    // the root it came at), Went, or None. here: where the list is, kept when the card went.
    Change Look(std::string& cardPath, const TListPlace& here);
    // Where the list was when the card last went: where it is again when the card comes back.
    const TListPlace& WentFrom() const { return wentFrom_; }
    // The system said volumes changed while card work ran: the look waits for its end.
    void Defer() { pending_ = true; }
    // Whether a look waits; it waits no more once asked.
    bool TakePending() { return std::exchange(pending_, false); }
    // Whether the card was there at the last look; Gone once it went away.
    bool Present() const { return present_; }
    bool Gone() const { return gone_; }
    // Whether the card is known by its volume (else by its folder alone).
    bool Known() const { return identity_.Known(); }
    // While the card is away: the question about the first removable volume that holds books
    // or nothing, not asked while it stays, not refused; its root when the answer is Yes.
    std::optional<std::string> Offer(const std::string& cardPath);
    // "Карта памяти подключена: 12 книг"
    static std::string CameText(std::size_t books);
    // "Обнаружена карта памяти CARD (12 книг). Работать с ней?"
    static std::string OfferText(const std::string& name, std::size_t books);

private:
    std::optional<std::string> Where(const std::string& cardPath);
    void Learn(const std::string& root);

    platform::Platform& platform_;
    TTeller& teller_;
    SettingsStore* settings_ = nullptr;
    TCardIdentity identity_;
    bool present_ = false;
    bool gone_ = false;
    bool pending_ = false;
    TListPlace wentFrom_;
    // The card path was a removable volume's root at the last look.
    bool atRoot_ = false;
    // The card path was a mount point when chosen or at start: the card is there while it is one.
    bool mountPoint_ = false;
    // Volumes answered "Нет" (by UUID, else root), and roots asked about while they stay.
    std::set<std::string> refused_;
    std::set<std::string> asked_;
};

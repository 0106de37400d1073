#include "app/Cardwatch.h"

#include <algorithm>
#include <vector>

#include "card/Zwqcardunit.h"
#include "platform/Codepage.h"
#include "settings/Cardselectunit.h"

namespace texts {
using platform::Ansi;
const std::string kCardCameHead = Ansi("Карта памяти подключена: ");
const std::string kCardWent = Ansi("Карта памяти отключена");
const std::string kCardNotConnected = Ansi("Карта памяти не подключена");
const std::string kEjectCaption = Ansi("Извлечь карту памяти");
const std::string kEjected = Ansi("Карту памяти можно извлечь.");
const std::string kEjectRefused = Ansi("Карту памяти нельзя извлечь: ");
}  // namespace texts

namespace {

using platform::Ansi;

const std::string kOfferHead = Ansi("Обнаружена карта памяти ");
const std::string kOfferTail = Ansi("). Работать с ней?");
const std::string kOfferCaption = Ansi("Выбор карты памяти");
// A fresh ext file system holds this folder and nothing else.
const std::string kLostAndFound = "lost+found";

bool Holds(const std::vector<std::string>& roots, const std::string& root) {
    return std::find(roots.begin(), roots.end(), root) != roots.end();
}

}  // namespace

std::string TCardWatch::CameText(std::size_t books) { return texts::kCardCameHead + BookCountText(books); }

std::string TCardWatch::OfferText(const std::string& name, std::size_t books) {
    return kOfferHead + name + " (" + BookCountText(books) + kOfferTail;
}

void TCardWatch::Learn(const std::string& root) {
    const platform::IDrives::VolumeIdentity volume = platform_.drives.Identity(root);
    identity_ = TCardIdentity{volume.uuid, volume.label};
    if (settings_ != nullptr) SaveCardIdentity(*settings_, platform_.files, identity_);
}

std::optional<std::string> TCardWatch::Where(const std::string& cardPath) {
    const std::vector<std::string> roots = platform_.drives.RemovableDrives();
    if (identity_.Known()) {
        for (const std::string& root : roots) {
            if (identity_.Matches(platform_.drives.Identity(root))) return root;
        }
        return std::nullopt;
    }
    const bool atRoot = Holds(roots, cardPath);
    const bool unmounted = atRoot_ && !atRoot;
    atRoot_ = atRoot;
    if (atRoot) Learn(cardPath);
    if (unmounted || (mountPoint_ && !platform_.drives.IsMountPoint(cardPath))) return std::nullopt;
    if (!platform_.files.IsDirectory(cardPath)) return std::nullopt;
    return cardPath;
}

TCardWatch::Change TCardWatch::Begin(SettingsStore& settings, std::string& cardPath) {
    settings_ = &settings;
    identity_ = LoadCardIdentity(settings, platform_.files);
    mountPoint_ = platform_.drives.IsMountPoint(cardPath);
    const std::optional<std::string> where = Where(cardPath);
    present_ = where.has_value();
    if (!where || *where == cardPath) return Change::None;
    cardPath = *where;
    return Change::Came;
}

void TCardWatch::Chosen(const std::string& cardPath) {
    identity_ = TCardIdentity{};
    mountPoint_ = platform_.drives.IsMountPoint(cardPath);
    atRoot_ = Holds(platform_.drives.RemovableDrives(), cardPath);
    if (atRoot_) {
        Learn(cardPath);
    } else if (settings_ != nullptr) {
        SaveCardIdentity(*settings_, platform_.files, identity_);
    }
    present_ = true;
    gone_ = false;
}

TCardWatch::Change TCardWatch::Look(std::string& cardPath, const TListPlace& here) {
    const std::optional<std::string> where = Where(cardPath);
    if (where && (!present_ || *where != cardPath)) {
        present_ = true;
        gone_ = false;
        cardPath = *where;
        return Change::Came;
    }
    if (!where && present_) {
        present_ = false;
        gone_ = true;
        wentFrom_ = here;
        return Change::Went;
    }
    return Change::None;
}

std::optional<std::string> TCardWatch::Offer(const std::string& cardPath) {
    const std::vector<std::string> roots = platform_.drives.RemovableDrives();
    // A volume taken out and put back is asked about again, unless it was refused. A card
    // reader's drive stays removable without its card, but then has no root folder.
    for (auto it = asked_.begin(); it != asked_.end();) {
        it = Holds(roots, *it) && platform_.files.IsDirectory(*it) ? std::next(it) : asked_.erase(it);
    }
    if (present_) return std::nullopt;
    for (const std::string& root : roots) {
        if (root == cardPath && identity_.Known()) continue;
        const platform::IDrives::VolumeIdentity volume = platform_.drives.Identity(root);
        const std::string key = volume.uuid.empty() ? root : volume.uuid;
        if (asked_.count(root) != 0 || refused_.count(key) != 0) continue;
        TMemoryCard card(platform_);
        card.SetCardPath(root);
        card.Scan();
        std::vector<platform::DirEntry> entries;
        const bool listed = platform_.files.ListDirectory(root, entries);
        const bool empty = listed && std::all_of(entries.begin(), entries.end(), [](const platform::DirEntry& entry) {
                               return entry.name == kLostAndFound;
                           });
        if (card.Books.empty() && !empty) continue;
        asked_.insert(root);
        const int answer = teller_.Tell(OfferText(volume.label.empty() ? root : volume.label, card.Books.size()),
                                        kOfferCaption, boxflags::kQuestion);
        if (answer == platform::kIdYes) return root;
        if (answer == platform::kIdNo) refused_.insert(key);
        return std::nullopt;
    }
    return std::nullopt;
}

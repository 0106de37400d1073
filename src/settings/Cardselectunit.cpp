#include "settings/Cardselectunit.h"

#include <utility>
#include <vector>

#include "book/String_routines_unit.h"
#include "card/Zwqcardunit.h"
#include "platform/Codepage.h"

namespace {

using platform::Ansi;

const std::string kNoCard = Ansi("Необходимо указать карту памяти");
const std::string kNoFolder = Ansi("Папка не найдена: ");
const std::string kListSeparator = ", ";

// The Russian plural forms go by the last two digits: 1, 21, 101 take the singular; 2 to 4,
// 22 to 24 the paucal; 11 to 14 and all others the plural.
constexpr std::size_t kDecimal = 10;
constexpr std::size_t kHundred = 100;
constexpr std::size_t kTeensFirst = 11, kTeensLast = 14;
constexpr std::size_t kPaucalFirst = 2, kPaucalLast = 4;

}  // namespace

const TCardSelectTexts& CardSelectTexts(platform::IntegrationStyle style) {
    static const TCardSelectTexts drives{
        Ansi("Выбор карты памяти"),
        Ansi("Выберите букву диска соответствующую карте памяти с ZWQ-книгами"),
        "OK",
        Ansi("Отмена"),
    };
    static const TCardSelectTexts folders{
        drives.caption,
        Ansi("Выберите папку карты памяти с ZWQ-книгами"),
        drives.ok,
        drives.cancel,
    };
    return style == platform::IntegrationStyle::FreeDesktop ? folders : drives;
}

std::string BookCountText(std::size_t count) {
    const std::size_t lastTwo = count % kHundred;
    const std::size_t last = count % kDecimal;
    const bool teens = lastTwo >= kTeensFirst && lastTwo <= kTeensLast;
    const char* word = "книг";
    if (!teens && last == 1) word = "книга";
    if (!teens && last >= kPaucalFirst && last <= kPaucalLast) word = "книги";
    return std::to_string(count) + " " + Ansi(word);
}

std::string TCardSelectForm::DriveText(const std::string& root) {
    if (platform_.integrationStyle != platform::IntegrationStyle::FreeDesktop) return root;
    TMemoryCard card(platform_);
    card.SetCardPath(root);
    card.Scan();
    const std::string books = BookCountText(card.Books.size()) + kListSeparator;
    const std::string label = platform_.drives.VolumeLabel(root);
    return label.empty() ? books + root : label + kListSeparator + books + root;
}

bool TCardSelectForm::Choose(std::string& cardPath) {
    const TCardSelectTexts& texts = CardSelectTexts(platform_.integrationStyle);
    view_.SetPrompt(texts.label);
    view_.ClearDrives();
    // Each drive as offered, and the root it stands for.
    std::vector<std::pair<std::string, std::string>> offered;
    for (const std::string& root : platform_.drives.RemovableDrives()) {
        offered.emplace_back(DriveText(root), root);
        view_.AddDrive(offered.back().first);
    }
    view_.SetText(cardPath);
    for (;;) {
        if (view_.ShowModal() != platform::kIdOk) return false;
        std::string text = view_.Text();
        for (const auto& [shown, root] : offered) {
            if (text == shown) text = root;
        }
        // Blanks around a path cannot be heard and name no folder: they are dropped.
        const std::string path = TrimBlanks(text);
        if (path.empty()) {
            boxes_.ShowMessage(kNoCard, texts.caption, platform::kMbOk | platform::kMbIconWarning);
        } else if (!platform_.files.IsDirectory(path)) {
            boxes_.ShowMessage(kNoFolder + path, texts.caption, platform::kMbOk | platform::kMbIconWarning);
        } else {
            cardPath = path;
            return true;
        }
    }
}

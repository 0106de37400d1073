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

const std::string kBookOne = Ansi(" книга");
const std::string kBookFew = Ansi(" книги");
const std::string kBookMany = Ansi(" книг");

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
    return std::to_string(count) + RussianPlural(static_cast<int64_t>(count), kBookOne, kBookFew, kBookMany);
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

#include "shellext/Menuchoice.h"

#include "book/Booksource.h"
#include "book/String_routines_unit.h"
#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "settings/Optionsunit.h"

namespace shellext {
namespace {

using platform::Ansi;

MenuItem ItemFor(const SelectedPath& selected, const std::string& cardPath) {
    const std::string name = platform::FileNameOf(selected.path);
    if (LiesOnCard(selected.path, cardPath)) {
        // Only a descriptor names a book on the card; its folder and files do not.
        return !selected.folder && IsDescriptorFileName(name) ? MenuItem::Delete : MenuItem::None;
    }
    if (selected.folder) {
        // The card itself, or a folder holding it, is no book to write onto it.
        const std::string folder = platform::StripTrailingSeparators(selected.path);
        const std::string card = platform::StripTrailingSeparators(cardPath);
        if (!card.empty() && (AnsiUpperCase(folder) == AnsiUpperCase(card) || LiesOnCard(card, folder))) {
            return MenuItem::None;
        }
        return MenuItem::Write;
    }
    // The files the program itself takes as books.
    return IsBookSourceName(name) ? MenuItem::Write : MenuItem::None;
}

}  // namespace

MenuItem ChooseMenuItem(const std::vector<SelectedPath>& selection, const std::string& cardPath) {
    if (selection.empty()) return MenuItem::None;
    const MenuItem first = ItemFor(selection.front(), cardPath);
    for (const SelectedPath& selected : selection) {
        if (ItemFor(selected, cardPath) != first) return MenuItem::None;
    }
    return first;
}

std::string MenuItemText(MenuItem item) {
    switch (item) {
    case MenuItem::Write: return Ansi("Записать на карту памяти");
    case MenuItem::Delete: return Ansi("Удалить с карты памяти");
    case MenuItem::None: break;
    }
    return std::string();
}

std::string MenuItemHelp(MenuItem item) {
    switch (item) {
    case MenuItem::Write: return Ansi("Записать выбранные книги на карту памяти программой ZWQ-менеджер");
    case MenuItem::Delete: return Ansi("Удалить выбранные книги с карты памяти программой ZWQ-менеджер");
    case MenuItem::None: break;
    }
    return std::string();
}

std::string MenuItemVerb(MenuItem item) {
    switch (item) {
    case MenuItem::Write: return "zwqwrite";
    case MenuItem::Delete: return "zwqdelete";
    case MenuItem::None: break;
    }
    return std::string();
}

}  // namespace shellext

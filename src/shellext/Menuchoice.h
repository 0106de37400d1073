#pragma once
// What the file manager's context menu offers for a selection: writing books onto the card,
// deleting books from it, or nothing. The same choice the program's command line makes with
// the paths it is given, so that the item never promises what the program will not do.

#include <string>
#include <vector>

namespace shellext {

enum class MenuItem { None, Write, Delete };

struct SelectedPath {
    std::string path;  // full path, Windows-1251
    bool folder = false;
};

// Write: every path is a book source off the card (a folder, or a file book/Booksource.h
// takes: a ".ydr" descriptor, a ".rar", ".zip" or ".7z" archive, a DAISY book's "ncc.html" or
// ".opf"). Delete: every path is a ".ydr" descriptor on the card at cardPath. None otherwise:
// an empty selection, another kind of file, a mix of the two kinds, a folder that is the card
// or holds it.
MenuItem ChooseMenuItem(const std::vector<SelectedPath>& selection, const std::string& cardPath);

// The item's text and its help string (Windows-1251); empty for None.
std::string MenuItemText(MenuItem item);
std::string MenuItemHelp(MenuItem item);
// The item's language-independent verb ("zwqwrite", "zwqdelete").
std::string MenuItemVerb(MenuItem item);

}  // namespace shellext

#include "card/internal/Cardroot.h"

#include <algorithm>

#include "book/String_routines_unit.h"
#include "book/Ydrunit.h"
#include "platform/Files.h"
#include "platform/Paths.h"

namespace card {
namespace {

std::string Find(const std::unordered_map<std::string, std::string>& names, const std::string& name) {
    const auto it = names.find(AnsiUpperCase(name));
    return it == names.end() ? std::string() : it->second;
}

}  // namespace

bool InSlotFolder(const std::string& entry, const std::string& slotName) {
    const std::size_t end = entry.find_first_of("\\/");
    return end != std::string::npos && platform::IsContainedEntry(entry) &&
           AnsiUpperCase(entry.substr(0, end)) == AnsiUpperCase(slotName);
}

bool TCardRoot::HasFile(const std::string& name) const { return files.count(AnsiUpperCase(name)) != 0; }

bool TCardRoot::HasFolder(const std::string& name) const { return folders.count(AnsiUpperCase(name)) != 0; }

std::string TCardRoot::File(const std::string& name) const {
    const std::string stored = Find(files, name);
    return stored.empty() ? name : stored;
}

std::string TCardRoot::Folder(const std::string& name) const {
    const std::string stored = Find(folders, name);
    return stored.empty() ? name : stored;
}

void TCardRoot::Note(const std::string& name, bool folder, bool present) {
    auto& names = folder ? folders : files;
    if (present) {
        names[AnsiUpperCase(name)] = name;
    } else {
        names.erase(AnsiUpperCase(name));
    }
}

bool TCardRoot::SlotTaken(int n) const {
    // A slot stays taken while either its descriptor or its folder is on the card, listed as a
    // book or not.
    const std::string name = SlotName(n);
    return HasFile(name + kDescriptorExtension) || HasFolder(name);
}

int TCardRoot::FreeSlot(int first, const std::map<int, bool>& changed) const {
    for (int n = std::max(first, 1); n <= kHighestBookNumber; ++n) {
        const auto it = changed.find(n);
        if (it != changed.end() ? it->second : !SlotTaken(n)) return n;
    }
    return 0;
}

TCardRoot ListCardRoot(platform::IFileSystem& files, const std::string& cardPath) {
    TCardRoot root;
    std::vector<platform::DirEntry> entries;
    if (cardPath.empty() || !files.ListDirectory(cardPath, entries)) return root;
    root.listed = true;
    for (const platform::DirEntry& e : entries) root.Note(e.name, e.isDirectory, true);
    return root;
}

void RemoveSlotFolder(platform::IFileSystem& files, const std::string& cardPath, const TCardRoot& root, int slot,
                      std::vector<std::string>& stayed) {
    const std::string folder = platform::JoinPath(cardPath, root.Folder(SlotName(slot)));
    // Thumbs.db, desktop.ini and the like, which other systems leave, go with the book; what a
    // link points to is not the book's.
    if (!files.IsLink(folder) && !files.IsDirectory(folder)) return;
    if (files.RemoveTree(folder) || !files.Exists(folder)) return;
    std::vector<platform::DirEntry> entries;
    files.ListDirectory(folder, entries);
    for (const platform::DirEntry& entry : entries) stayed.push_back(platform::JoinPath(folder, entry.name));
    if (stayed.empty()) stayed.push_back(folder);
}

}  // namespace card

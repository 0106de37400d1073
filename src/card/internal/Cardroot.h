#pragma once
// The card's root folder as the card model lists it, and the names of a slot in it: the
// descriptor BOOK_nnn.ydr and the folder BOOK_nnn. Inside the card module only.

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "book/Ydrunit.h"

namespace platform {
class IFileSystem;
}

namespace card {

inline constexpr const char* kCardEntrySeparator = "\\";

// Whether a file entry lies in the folder slotName: its first part names it (in any letter
// case, as the card's file system finds it) and it does not climb out.
bool InSlotFolder(const std::string& entry, const std::string& slotName);

// The names in the card's root as the last listing found them, kept up to date by the moves:
// upper-cased (the card's FAT file system compares names without letter case) to the name as
// stored.
struct TCardRoot {
    bool listed = false;
    std::unordered_map<std::string, std::string> files;
    std::unordered_map<std::string, std::string> folders;

    bool HasFile(const std::string& name) const;
    bool HasFolder(const std::string& name) const;
    // The name as stored, or the name itself when the listing does not hold it.
    std::string File(const std::string& name) const;
    std::string Folder(const std::string& name) const;
    void Note(const std::string& name, bool folder, bool present);
    // Whether the slot's descriptor or its folder is listed.
    bool SlotTaken(int n) const;
    // The lowest number from first on that is not taken, 0 when none; changed tells of the
    // numbers a plan has emptied (true) or taken (false) since the listing.
    int FreeSlot(int first, const std::map<int, bool>& changed = {}) const;
};

// The card's root listed once; not listed when there is no card path or it cannot be listed.
TCardRoot ListCardRoot(platform::IFileSystem& files, const std::string& cardPath);

// Empties and removes the book's own folder BOOK_nnn: everything in it, named by the
// descriptor or not; a link goes as a link. What stays (paths) joins stayed.
void RemoveSlotFolder(platform::IFileSystem& files, const std::string& cardPath, const TCardRoot& root, int slot,
                      std::vector<std::string>& stayed);

}  // namespace card

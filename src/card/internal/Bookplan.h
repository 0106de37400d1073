#pragma once
// A book ready for its slot on the card, whichever source it came from: a ready descriptor
// book (a .ydr beside its files, or unpacked from a RAR) or a book the program made of audio
// files. The slot writer takes it from there. Inside the card module only.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "book/Madebook.h"
#include "book/Ydrunit.h"
#include "card/Cardoutcomes.h"
#include "card/internal/Extraction.h"

namespace platform {
class IFileSystem;
}

namespace card {

// One file of a book on its way to the card.
struct TPlannedFile {
    std::string source;   // full path
    std::string name;     // its name in the book's folder on the card
    std::string shownAs;  // how the error box names it when it cannot be copied
    int64_t size = 0;
};

struct TBookPlan {
    std::string displayName;
    std::vector<TPlannedFile> files;
    // A file that cannot be read or would not be the book's alone on the card: told once the
    // card has given the book a number, before anything is written.
    TCardError refused;
    // The descriptor for the slot the book goes to ("BOOK_004"), naming the files there.
    std::function<std::string(const std::string& slotName)> descriptor;
    // The archive's unpacked copy the files come from; null for a book read in place.
    std::unique_ptr<TExtraction> extraction;
};

// The plan of a descriptor book read into book: every file it names checked. The card copy
// keeps the descriptor's "#" lines and empty lines; the entries are written anew.
TBookPlan PlanDescriptorBook(const TBookInfo& book, platform::IFileSystem& files);
// The plan of a made book, its files named by their place (001.mp3, ...); NoBookInfo when the
// book has no name or no file.
TCardError PlanMadeBook(const TMadeBook& book, TBookPlan& plan);

}  // namespace card

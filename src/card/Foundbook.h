#pragma once
// A book found at a path the user gave and not yet written: a ready descriptor book, or a book
// the program makes of audio files, shown to the user first. It owns the unpacked copy of the
// archive it came from, which goes with it when the book is not written after all.

#include <memory>

#include "book/Madebook.h"

namespace card {
class TExtraction;
}

struct TFoundBook {
    // A ready descriptor book has its DescriptorPath set; a made book's names may be edited.
    TMadeBook book;
    std::unique_ptr<card::TExtraction> extraction;

    TFoundBook();
    ~TFoundBook();
    TFoundBook(TFoundBook&&) noexcept;
    TFoundBook& operator=(TFoundBook&&) noexcept;
};

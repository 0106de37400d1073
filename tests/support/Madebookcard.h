#pragma once
// A card in a test's folder for writing made books, with the source folder beside it.

#include <string>
#include <vector>

#include "card/Zwqcardunit.h"
#include "support/Testsupport.h"

namespace testsupport {

class MadeBookCard {
public:
    MadeBookCard() : test(dir), card(test.platform) {
        MakeDirs(cardPath());
        card.SetCardPath(cardPath());
        card.Scan();
    }
    std::string cardPath() const { return dir / "card"; }
    // A path under the source folder, relative and written with '/' (UTF-8).
    std::string source(const std::string& relative) const { return dir / platform::Ansi("src/" + relative); }
    // Writes and rescans, as the main window does after every write; last keeps the outcome.
    bool Add(const std::string& path) {
        last = card.AddBook(path);
        card.Scan();
        return last;
    }
    Failure Why() const { return Failure(last.error); }
    // FindBook, keeping the book found for WriteFoundBook; its error.
    Failure Find(const std::string& path) { return Failure(card.FindBook(path, found)); }
    // The card's descriptor of slot n.
    std::string Descriptor(int n) const { return ReadFile(dir / ("card/" + TMemoryCard::SlotName(n) + ".ydr")); }
    std::string CardFile(int n, const std::string& name) const {
        return ReadFile(dir / ("card/" + TMemoryCard::SlotName(n) + "/" + name));
    }
    // What the temporary folder holds: nothing once a write has ended.
    std::vector<std::string> TempContent() const { return List(dir / "temp"); }

    TempDir dir;
    TestPlatform test;
    TMemoryCard card;
    TWriteOutcome last;
    TFoundBook found;
};

}  // namespace testsupport

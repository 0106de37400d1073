// renumber_bench: the cost of the card's batches that give books new numbers: deleting book 1
// of a full card (every other book moves down by one), the check mending a card whose book 1
// was deleted outside the program (the same moves), moving the last book to place 1 (every
// book moves up by one) and re-sorting the card (here its order reversed: every book moves).
// Prints, for each, its time against a bare baseline (the same folder renames and descriptor
// rewrites with no flush between them and one flush of the file system at the end: for an
// arrangement, which parks every book it moves, those of BareParked), against the fewest renames
// that do the work (a chain from a number set free, one book parked per cycle), the flushes the
// batch asked for, and how many times the card's root was listed (it must not grow with the
// number of books). Medians of five interleaved rounds.
//
// usage: renumber_bench [folder [batch]]   (the cards are made in folder, else in the temporary
// folder; with a batch's name, such as move_last_to_first, only that batch runs)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "book/Ydrunit.h"
#include "card/Zwqcardunit.h"
#include "platform/Paths.h"
#include "support/Testsupport.h"

namespace {

constexpr int kRounds = 5;
using Milliseconds = std::chrono::duration<double, std::milli>;

// The real file system, counting the listings of one folder and the flushes.
class CountingFiles : public testsupport::TestFiles {
public:
    explicit CountingFiles(std::string folder) : folder_(std::move(folder)) {}
    bool ListDirectory(const std::string& f, std::vector<platform::DirEntry>& e) override {
        if (f == folder_) ++listings;
        return TestFiles::ListDirectory(f, e);
    }
    bool FlushFiles(const std::vector<std::string>& p) override {
        ++flushes;
        return TestFiles::FlushFiles(p);
    }
    int listings = 0;
    int flushes = 0;

private:
    std::string folder_;
};

void MakeCard(const std::string& cardPath, int books) {
    for (int n = 1; n <= books; ++n) testsupport::MakeCardBook(cardPath, n, testsupport::Numbered("T", n), {"1.mp3"});
}

// The floor for the work: each book n renamed to the number to[n] (0: the book is removed),
// every moved descriptor rewritten, nothing flushed until one flush at the end. A chain of moves
// begins at a number set free; a cycle begins by parking one of its books.
Milliseconds Bare(platform::IFileSystem& files, const std::string& cardPath, const std::vector<int>& to) {
    const auto start = std::chrono::steady_clock::now();
    const auto slot = [&cardPath](int n) { return platform::JoinPath(cardPath, TMemoryCard::SlotName(n)); };
    const std::string parked = platform::JoinPath(cardPath, "ZWQPARK001");
    const int books = static_cast<int>(to.size()) - 1;
    std::vector<int> from(to.size(), 0);
    for (int n = 1; n <= books; ++n) from[to[n]] = to[n] != 0 ? n : 0;
    std::vector<bool> moved(to.size(), false);
    std::string last;
    const auto put = [&](const std::string& folder, const std::string& bytes, int oldNumber, int n) {
        files.WriteUnflushed(slot(n) + ".ydr",
                             RenameSlotInDescriptor(bytes, TMemoryCard::SlotName(oldNumber), TMemoryCard::SlotName(n)));
        files.MoveNoReplace(folder, slot(n));
        last = slot(n) + ".ydr";
    };
    // Fills the free number with the book that goes there, its number with the next, and so on;
    // returns the number left free at the end.
    const auto follow = [&](int free) {
        for (int source = from[free]; source != 0 && !moved[source]; source = from[free]) {
            std::string bytes;
            files.ReadWholeFile(slot(source) + ".ydr", bytes);
            put(slot(source), bytes, source, free);
            files.RemoveFile(slot(source) + ".ydr");
            moved[source] = true;
            free = source;
        }
        return free;
    };
    for (int n = 1; n <= books; ++n) {
        if (to[n] != 0) continue;
        files.RemoveTree(slot(n));
        files.RemoveFile(slot(n) + ".ydr");
        moved[n] = true;
        follow(n);
    }
    for (int n = 1; n <= books; ++n) {
        if (moved[n] || to[n] == n) continue;
        std::string bytes;
        files.ReadWholeFile(slot(n) + ".ydr", bytes);
        files.MoveNoReplace(slot(n), parked);
        files.RemoveFile(slot(n) + ".ydr");
        moved[n] = true;
        put(parked, bytes, n, follow(n));
    }
    files.FlushFiles({cardPath, last});
    return std::chrono::steady_clock::now() - start;
}

// The same renames and rewrites as an arrangement makes them: every moved book parked (its
// descriptor removed, its folder renamed to ZWQPARK and its old number), then each put under
// its new number with its new descriptor, one flush at the end. The descriptors are read
// before the clock starts, as the card's listing has read them before an arrangement.
Milliseconds BareParked(platform::IFileSystem& files, const std::string& cardPath, const std::vector<int>& to) {
    const auto slot = [&cardPath](int n) { return platform::JoinPath(cardPath, TMemoryCard::SlotName(n)); };
    const auto parked = [&cardPath](int n) { return platform::JoinPath(cardPath, "ZWQPARK" + std::to_string(1000 + n).substr(1)); };
    std::vector<std::string> bytes(to.size());
    for (std::size_t n = 1; n < to.size(); ++n) {
        if (to[n] != static_cast<int>(n)) files.ReadWholeFile(slot(static_cast<int>(n)) + ".ydr", bytes[n]);
    }
    const auto start = std::chrono::steady_clock::now();
    std::string last;
    for (std::size_t n = 1; n < to.size(); ++n) {
        if (to[n] == static_cast<int>(n)) continue;
        files.RemoveFile(slot(static_cast<int>(n)) + ".ydr");
        files.MoveNoReplace(slot(static_cast<int>(n)), parked(static_cast<int>(n)));
    }
    for (std::size_t n = 1; n < to.size(); ++n) {
        if (to[n] == static_cast<int>(n)) continue;
        files.MoveNoReplace(parked(static_cast<int>(n)), slot(to[n]));
        last = slot(to[n]) + ".ydr";
        files.WriteUnflushed(last, RenameSlotInDescriptor(bytes[n], TMemoryCard::SlotName(static_cast<int>(n)),
                                                          TMemoryCard::SlotName(to[n])));
    }
    files.FlushFiles({cardPath, last});
    return std::chrono::steady_clock::now() - start;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Whether the card's books stand where the batch was to put them: book n (titled "T<n>") under
// to[n], and nothing else listed.
bool Arranged(testsupport::TestPlatform& test, const std::string& cardPath, const std::vector<int>& to) {
    TMemoryCard card(test.platform);
    card.SetCardPath(cardPath);
    card.Scan();
    std::size_t kept = 0;
    for (std::size_t n = 1; n < to.size(); ++n) kept += to[n] != 0 ? 1 : 0;
    if (card.Books.size() != kept) return false;
    for (const auto& book : card.Books) {
        const std::size_t n = std::stoul(book->Title.substr(1));
        if (n >= to.size() || to[n] != book->Number) return false;
    }
    return true;
}

// A batch: the new number of each book n of a card of the given size (0: removed), and the
// card's call that does it.
struct Batch {
    const char* name;
    std::vector<int> sizes;
    std::function<int(int n, int books)> to;
    std::function<void(TMemoryCard&, int books)> run;
    // Whether the batch parks every book it moves (an arrangement) rather than moving each
    // into a number set free (a deletion): its own renames are then BareParked's.
    bool parks;
    // What happens to the card before the clock starts (may be empty), for the batch and its
    // baselines alike.
    std::function<void(const std::string& cardPath)> before = {};
};

std::size_t IndexOf(const TMemoryCard& card, int number) {
    for (std::size_t i = 0; i < card.Books.size(); ++i) {
        if (card.Books[i]->Number == number) return i;
    }
    return card.Books.size();
}

const Batch kBatches[] = {
    {"delete_first", {100, 300, TMemoryCard::kMaxSlot}, [](int n, int) { return n - 1; },
     [](TMemoryCard& card, int) { card.DeleteBook(IndexOf(card, 1)); }, false},
    // Book 1 deleted by a file manager or the player: the check finds the gap and closes it.
    {"gap_first_mended_by_check", {TMemoryCard::kMaxSlot}, [](int n, int) { return n - 1; },
     [](TMemoryCard& card, int) { card.RepairCard(); }, false,
     [](const std::string& cardPath) {
         std::filesystem::remove_all(platform::ToFsPath(platform::JoinPath(cardPath, "BOOK_001")));
         std::filesystem::remove(platform::ToFsPath(platform::JoinPath(cardPath, "BOOK_001.ydr")));
     }},
    {"move_last_to_first", {TMemoryCard::kMaxSlot}, [](int n, int books) { return n == books ? 1 : n + 1; },
     [](TMemoryCard& card, int books) { card.MoveBookTo(IndexOf(card, books), 1); }, true},
    {"resort_reversed", {TMemoryCard::kMaxSlot}, [](int n, int books) { return books + 1 - n; },
     [](TMemoryCard& card, int books) {
         std::vector<int> order;
         for (int n = books; n >= 1; --n) order.push_back(n);
         card.ArrangeBooks(order);
     }, true},
};

}  // namespace

int main(int argc, char** argv) {
    const testsupport::TempDir temp;
    const std::string base = argc > 1 ? platform::FromFsPath(argv[1]) : temp.path();
    testsupport::TestPlatform test(temp);
    const std::string cardPath = platform::JoinPath(base, "zwq-renumber-card");
    const Batch* current = nullptr;
    const auto freshCard = [&](int books) {
        std::filesystem::remove_all(platform::ToFsPath(cardPath));
        MakeCard(cardPath, books);
        if (current->before) current->before(cardPath);
        test.files.FlushFiles({cardPath});
    };
    const std::string only = argc > 2 ? argv[2] : "";
    for (const Batch& batch : kBatches) {
        if (!only.empty() && only != batch.name) continue;
        current = &batch;
        for (const int books : batch.sizes) {
            std::vector<int> to(static_cast<std::size_t>(books) + 1, 0);
            for (int n = 1; n <= books; ++n) to[n] = batch.to(n, books);
            std::vector<double> ours, bare, ratios, fewest, fewestRatios;
            int flushes = 0;
            int listings = 0;
            for (int round = 0; round < kRounds; ++round) {
                freshCard(books);
                {
                    CountingFiles files(cardPath);
                    platform::Platform counted{files, test.folders, test.platform.extractor, test.drives, test.system,
                                               test.platform.integrationStyle, nullptr};
                    TMemoryCard card(counted);
                    card.SetCardPath(cardPath);
                    card.Scan();
                    files.listings = 0;
                    files.flushes = 0;
                    const auto start = std::chrono::steady_clock::now();
                    batch.run(card, books);
                    ours.push_back(Milliseconds(std::chrono::steady_clock::now() - start).count());
                    flushes = files.flushes;
                    listings = files.listings;
                }
                if (!Arranged(test, cardPath, to)) std::printf("renumber_bench: %s left the card wrong\n", batch.name);
                freshCard(books);
                fewest.push_back(Bare(test.files, cardPath, to).count());
                if (!Arranged(test, cardPath, to)) std::printf("renumber_bench: its bare baseline left the card wrong\n");
                fewestRatios.push_back(ours.back() / fewest.back());
                if (batch.parks) {
                    freshCard(books);
                    bare.push_back(BareParked(test.files, cardPath, to).count());
                    if (!Arranged(test, cardPath, to)) std::printf("renumber_bench: its parking baseline left the card wrong\n");
                } else {
                    bare.push_back(fewest.back());
                }
                ratios.push_back(ours.back() / bare.back());
            }
            std::filesystem::remove_all(platform::ToFsPath(cardPath));
            std::printf("renumber_bench: %s books=%d batch_ms=%.1f bare_ms=%.1f ratio=%.2f fewest_renames_ms=%.1f "
                        "fewest_ratio=%.2f flushes=%d root_listings=%d\n",
                        batch.name, books, Median(ours), Median(bare), Median(ratios), Median(fewest),
                        Median(fewestRatios), flushes, listings);
        }
    }
    return 0;
}

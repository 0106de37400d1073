// renumber_bench: the cost of deleting book 1 of a full card, which moves every other book down
// by one. Prints, for cards of 100 and 999 books, the time the deletion took and how many times
// the card's root was listed (it must not grow with the number of books).
//
// usage: renumber_bench        (the cards are made in the system's temporary folder)
#include <chrono>
#include <cstdio>
#include <string>

#include "card/Zwqcardunit.h"
#include "support/Testsupport.h"

namespace {

constexpr int kCardSizes[] = {100, TMemoryCard::kMaxSlot};
using Milliseconds = std::chrono::duration<double, std::milli>;

// The real file system, counting the listings of one folder.
class CountingFiles : public testsupport::TestFiles {
public:
    explicit CountingFiles(std::string folder) : folder_(std::move(folder)) {}
    bool ListDirectory(const std::string& f, std::vector<platform::DirEntry>& e) override {
        if (f == folder_) ++listings;
        return TestFiles::ListDirectory(f, e);
    }
    int listings = 0;

private:
    std::string folder_;
};

}  // namespace

int main() {
    for (const int books : kCardSizes) {
        const testsupport::TempDir dir;
        testsupport::TestPlatform test(dir);
        const std::string cardPath = dir / "card";
        for (int n = 1; n <= books; ++n) testsupport::MakeCardBook(cardPath, n, testsupport::Numbered("T", n), {"1.mp3"});
        CountingFiles files(cardPath);
        platform::Platform counted{files, test.folders, test.platform.extractor, test.drives, test.system,
                                   test.platform.integrationStyle, nullptr};
        TMemoryCard card(counted);
        card.SetCardPath(cardPath);
        card.Scan();
        files.listings = 0;
        const auto start = std::chrono::steady_clock::now();
        card.DeleteBook(0);
        const Milliseconds took = std::chrono::steady_clock::now() - start;
        std::printf("renumber_bench: books=%d moves=%zu root_listings=%d delete_ms=%.1f\n", books,
                    card.LastMoves.size(), files.listings, took.count());
    }
    return 0;
}

// renumber_bench: the cost of deleting book 1 of a full card, which moves every other book down
// by one. Prints, for cards of 100, 300 and 999 books, the time the deletion took against a bare
// baseline (the same folder renames and descriptor rewrites in number order with no flush
// between them and one flush of the file system at the end), the flushes the deletion asked
// for, and how many times the card's root was listed (it must not grow with the number of
// books). Medians of five interleaved rounds.
//
// usage: renumber_bench [folder]   (the cards are made there, else in the temporary folder)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "book/Ydrunit.h"
#include "card/Zwqcardunit.h"
#include "platform/Paths.h"
#include "support/Testsupport.h"

namespace {

constexpr int kCardSizes[] = {100, 300, TMemoryCard::kMaxSlot};
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

// The floor for the work: book 1 removed, then every book renamed down in number order, its
// descriptor rewritten, nothing flushed until one flush at the end.
Milliseconds Bare(platform::IFileSystem& files, const std::string& cardPath, int books) {
    const auto start = std::chrono::steady_clock::now();
    const auto slot = [&cardPath](int n) { return platform::JoinPath(cardPath, TMemoryCard::SlotName(n)); };
    files.RemoveTree(slot(1));
    files.RemoveFile(slot(1) + ".ydr");
    for (int n = 2; n <= books; ++n) {
        std::string bytes;
        files.ReadWholeFile(slot(n) + ".ydr", bytes);
        files.WriteUnflushed(slot(n - 1) + ".ydr",
                             RenameSlotInDescriptor(bytes, TMemoryCard::SlotName(n), TMemoryCard::SlotName(n - 1)));
        files.MoveNoReplace(slot(n), slot(n - 1));
        files.RemoveFile(slot(n) + ".ydr");
    }
    files.FlushFiles({cardPath, slot(books - 1) + ".ydr"});
    return std::chrono::steady_clock::now() - start;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const testsupport::TempDir temp;
    const std::string base = argc > 1 ? platform::FromFsPath(argv[1]) : temp.path();
    testsupport::TestPlatform test(temp);
    for (const int books : kCardSizes) {
        std::vector<double> ours, bare, ratios;
        int flushes = 0;
        int listings = 0;
        for (int round = 0; round < kRounds; ++round) {
            const std::string cardPath = platform::JoinPath(base, "zwq-renumber-card");
            {
                std::filesystem::remove_all(platform::ToFsPath(cardPath));
                MakeCard(cardPath, books);
                CountingFiles files(cardPath);
                files.FlushFiles({cardPath});
                platform::Platform counted{files, test.folders, test.platform.extractor, test.drives, test.system,
                                           test.platform.integrationStyle, nullptr};
                TMemoryCard card(counted);
                card.SetCardPath(cardPath);
                card.Scan();
                files.listings = 0;
                files.flushes = 0;
                const auto start = std::chrono::steady_clock::now();
                card.DeleteBook(0);
                ours.push_back(Milliseconds(std::chrono::steady_clock::now() - start).count());
                flushes = files.flushes;
                listings = files.listings;
            }
            std::filesystem::remove_all(platform::ToFsPath(cardPath));
            MakeCard(cardPath, books);
            test.files.FlushFiles({cardPath});
            bare.push_back(Bare(test.files, cardPath, books).count());
            ratios.push_back(ours.back() / bare.back());
            std::filesystem::remove_all(platform::ToFsPath(cardPath));
        }
        std::printf("renumber_bench: books=%d delete_ms=%.1f bare_ms=%.1f ratio=%.2f flushes=%d root_listings=%d\n",
                    books, Median(ours), Median(bare), Median(ratios), flushes, listings);
    }
    return 0;
}

// made_book_bench: the time it takes to make the book of a folder of 1,000 MP3 files, which
// reads every file's tags and playing time. Prints the median and the slowest of several runs
// after a first run that fills the system's file cache.
//
// usage: made_book_bench FOLDER TEMPLATE_MP3   (FOLDER is filled with copies once)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "book/Madebook.h"
#include "platform/Codepage.h"
#include "platform/Files.h"

namespace {

constexpr int kFiles = 1000;
constexpr int kRuns = 7;
constexpr double kWantedSeconds = 2.0;
using Seconds = std::chrono::duration<double>;

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: made_book_bench FOLDER TEMPLATE_MP3\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    for (int i = 1; i <= kFiles; ++i) {
        // Ten subfolders of a hundred chapters each, as a book on CDs comes.
        const std::filesystem::path file =
            folder / ("CD" + std::to_string((i - 1) / 100 + 1)) / (std::string("Глава ") + std::to_string(i) + ".mp3");
        if (std::filesystem::exists(file)) continue;
        std::filesystem::create_directories(file.parent_path());
        std::filesystem::copy_file(argv[2], file);
    }
    const std::string path = platform::FromFsPath(folder);
    std::vector<double> times;
    TMadeBook book;
    for (int run = 0; run <= kRuns; ++run) {
        TNotMade error;
        const auto start = std::chrono::steady_clock::now();
        if (!MakeBook(path, {"bench"}, NativeBookServices(), book, error)) {
            std::fprintf(stderr, "FAILED: %s\n", platform::Cp1251ToUtf8(error.subject).c_str());
            return 1;
        }
        if (run > 0) times.push_back(Seconds(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    std::printf("folder of MP3: %zu files, %lld s of playing time; making the book %.3f s (median), %.3f s (slowest "
                "of %d); under %.1f s wanted\n",
                book.Files.size(), static_cast<long long>(book.TotalSeconds()), times[times.size() / 2], times.back(),
                kRuns, kWantedSeconds);
    return times[times.size() / 2] < kWantedSeconds ? 0 : 1;
}

// mp3_duration_bench: the time it takes to read the playing times of a book of 1,000 MP3
// chapters, from a cold file cache (as root, the system's caches are dropped before each run)
// and from a warm one. Two books: one as lame writes most books, each file with its Info/Xing
// frame (64 kbit/s 44.1 kHz, CBR and VBR), and one whose every frame is walked (22.05 kHz: CBR
// at 32 kbit/s, whose frames are too small for lame's Info frame, and VBR without its Xing
// frame). Prints the medians.
//
// usage: mp3_duration_bench FOLDER   (FOLDER is filled once: chapters encoded by lame, copied)
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "book/Mp3duration.h"
#include "platform/Files.h"
#include "platform/Platform.h"

namespace {

namespace fs = std::filesystem;
using Seconds = std::chrono::duration<double>;

constexpr int kFiles = 1000;
constexpr int kChapters = 10;  // distinct encodings, each copied to a hundred files
constexpr int kRuns = 5;
constexpr double kWantedSeconds = 1.0;

struct Book {
    const char* name;
    int rate;  // mono samples per second, as talking books are read
    const char* cbr;
    const char* vbr;  // lame's options for every other chapter
};
const Book kBooks[] = {{"headers", 44100, "-b 64 --cbr", "--nohist -V 7"},
                       {"walked", 22050, "-b 32 --cbr", "--nohist -V 9 -t"}};

// A chapter of a voice-like sound (a gliding tone that swells and falls, with noise) encoded by
// lame with an ID3v2 tag, as book tools write them.
bool EncodeChapter(const fs::path& target, const Book& book, int chapter) {
    const int rate = book.rate;
    const int seconds = 120 + 15 * chapter;
    const fs::path raw = target.parent_path() / "chapter.raw";
    {
        std::ofstream out(raw, std::ios::binary);
        double phase = 0;
        uint32_t noise = 12345u + static_cast<uint32_t>(chapter);
        for (int i = 0; i < seconds * rate; ++i) {
            const double t = static_cast<double>(i) / rate;
            const double loud = 0.5 + 0.5 * std::sin(2 * M_PI * 0.7 * t);
            phase += 2 * M_PI * (180 + 120 * std::sin(2 * M_PI * 0.25 * t)) / rate;
            noise = noise * 1664525u + 1013904223u;
            const double hiss = (static_cast<double>(noise >> 16) / 65536.0 - 0.5) * 8000;
            const auto sample = static_cast<int16_t>(9000 * loud * std::sin(phase) + hiss * loud * loud);
            out.write(reinterpret_cast<const char*>(&sample), sizeof sample);
        }
    }
    const std::string mode = chapter % 2 == 0 ? book.cbr : book.vbr;
    const std::string command = "lame --quiet -r -s " + std::to_string(rate / 1000.0) +
                                " -m m --bitwidth 16 --signed --little-endian " + mode +
                                " --add-id3v2 --ta 'Автор' --tl 'Книга' --tt 'Глава " + std::to_string(chapter) + "' '" +
                                raw.string() + "' '" + target.string() + "'";
    const bool ok = std::system(command.c_str()) == 0;
    fs::remove(raw);
    return ok;
}

bool MakeBook(const fs::path& folder, const Book& book, std::vector<std::string>& files) {
    const fs::path chapters = folder / book.name / "chapters";
    fs::create_directories(chapters);
    for (int c = 0; c < kChapters; ++c) {
        const fs::path chapter = chapters / (std::to_string(c) + ".mp3");
        if (!fs::exists(chapter) && !EncodeChapter(chapter, book, c)) return false;
    }
    for (int i = 1; i <= kFiles; ++i) {
        const fs::path file = folder / book.name / "book" / ("CD" + std::to_string((i - 1) / 100 + 1)) / (std::to_string(i) + ".mp3");
        if (!fs::exists(file)) {
            fs::create_directories(file.parent_path());
            fs::copy_file(chapters / (std::to_string(i % kChapters) + ".mp3"), file);
        }
        files.push_back(platform::FromFsPath(file));
    }
    return true;
}

// Puts everything written on the disk and empties the system's file cache; false when not root.
bool DropCaches() {
    if (geteuid() != 0) return false;
    ::sync();
    std::ofstream drop("/proc/sys/vm/drop_caches");
    drop << "3\n";
    return static_cast<bool>(drop.flush());
}

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Times reading every file's playing time, cold (when the caches can be dropped) and warm.
bool Measure(const Book& book, const std::vector<std::string>& files) {
    platform::IFileSystem& fileSystem = platform::NativePlatform().files;
    std::vector<double> cold, warm;
    int64_t total = 0, bytes = 0;
    for (const std::string& file : files) bytes += fileSystem.FileSize(file);
    for (int run = 0; run < 2 * kRuns; ++run) {
        const bool dropped = run < kRuns && DropCaches();
        if (run < kRuns && !dropped) continue;
        total = 0;
        const auto start = std::chrono::steady_clock::now();
        for (const std::string& file : files) total += std::max(Mp3Seconds(fileSystem, file), 0);
        (dropped ? cold : warm).push_back(Seconds(std::chrono::steady_clock::now() - start).count());
    }
    std::printf("MP3 playing times, %s: %d files, %lld MB, %lld h %lld min; ", book.name, kFiles,
                static_cast<long long>(bytes >> 20), static_cast<long long>(total / 3600),
                static_cast<long long>(total / 60 % 60));
    if (cold.empty()) {
        std::printf("cold: not measured (the caches can be dropped by root only); ");
    } else {
        std::printf("cold %.3f s (median of %d), ", Median(cold), kRuns);
    }
    std::printf("warm %.3f s\n", Median(warm));
    return cold.empty() || Median(cold) < kWantedSeconds;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mp3_duration_bench FOLDER\n");
        return 2;
    }
    bool fast = true;
    for (const Book& book : kBooks) {
        std::vector<std::string> files;
        if (!MakeBook(argv[1], book, files)) {
            std::fprintf(stderr, "FAILED: the chapters could not be encoded with lame\n");
            return 1;
        }
        const bool fastEnough = Measure(book, files);
        if (&book == &kBooks[0]) fast = fastEnough;
    }
    std::printf("the book with Info/Xing frames read cold in under %.1f s wanted\n", kWantedSeconds);
    return fast ? 0 : 1;
}

// The write benchmark's own program:
//
//   zwq-bench-write book FOLDER FILES KIBIBYTES    a book of FILES files of KIBIBYTES each, with
//                                                  its descriptor FOLDER/BOOK_001.ydr
//   zwq-bench-write rar FOLDER ARCHIVE             a stored RAR 5 archive of that book
//   zwq-bench-write unpack ARCHIVE FOLDER          unpacks ARCHIVE into FOLDER with the program's
//                                                  extractor
//   zwq-bench-write write CARD BOOK                writes BOOK (.ydr or .rar) onto the card folder
//                                                  CARD as the program does, with a progress
//                                                  callback as a window would give; with
//                                                  ZWQ_BENCH_TRACE set, prints when each phase
//                                                  began, to see where the time goes
//
// Paths are the system's (UTF-8). Exit code 0 on success; a failure is printed.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "app/Cardtexts.h"
#include "card/Zwqcardunit.h"
#include "platform/Codepage.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "support/Rarwriter.h"

namespace {

namespace fs = std::filesystem;

constexpr int64_t kBytesPerKibibyte = 1024;
constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
constexpr int kExitUsage = 2;
constexpr int kExitFailed = 1;
const char* const kDescriptorName = "BOOK_001.ydr";

// xorshift64: data that no file system or archive can shrink, the same on every run.
class Noise {
public:
    void Fill(std::string& block) {
        for (std::size_t i = 0; i + sizeof state_ <= block.size(); i += sizeof state_) {
            state_ ^= state_ << kShiftA;
            state_ ^= state_ >> kShiftB;
            state_ ^= state_ << kShiftC;
            for (std::size_t b = 0; b < sizeof state_; ++b) block[i + b] = static_cast<char>(state_ >> (b * kByteBits));
        }
    }

private:
    static constexpr int kShiftA = 13, kShiftB = 7, kShiftC = 17, kByteBits = 8;
    uint64_t state_ = 0x9E3779B97F4A7C15ull;
};

std::string FileName(int index) {
    char name[32] = {};
    std::snprintf(name, sizeof name, "%03d.mp3", index);
    return name;
}

bool MakeBook(const fs::path& folder, int files, int64_t kibibytes) {
    if (files <= 0 || kibibytes <= 0) return false;
    fs::create_directories(folder);
    const int64_t perFile = kibibytes * kBytesPerKibibyte;
    Noise noise;
    std::string block(kBlockBytes, '\0');
    std::string descriptor = "#TITLE=Bench\r\n#AUTHOR=ZWQ\r\n#TOTAL_SIZE_KB=" + std::to_string(kibibytes * files) + "\r\n";
    for (int i = 1; i <= files; ++i) {
        std::ofstream out(folder / FileName(i), std::ios::binary | std::ios::trunc);
        for (int64_t left = perFile; left > 0; left -= static_cast<int64_t>(block.size())) {
            noise.Fill(block);
            out.write(block.data(), static_cast<std::streamsize>(std::min<int64_t>(left, block.size())));
        }
        if (!out) return false;
        descriptor += FileName(i) + "\r\n";
    }
    std::ofstream out(folder / kDescriptorName, std::ios::binary | std::ios::trunc);
    out << descriptor;
    return static_cast<bool>(out);
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool MakeArchive(const fs::path& folder, const fs::path& archive) {
    std::vector<testsupport::RarEntry> entries;
    entries.push_back({kDescriptorName, ReadAll(folder / kDescriptorName), false});
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename() != kDescriptorName) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) entries.push_back({file.filename().string(), ReadAll(file), false});
    const std::string bytes = testsupport::MakeRar5(entries);
    std::ofstream out(archive, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

int WriteBook(const fs::path& card, const fs::path& book) {
    const auto start = std::chrono::steady_clock::now();
    const bool trace = std::getenv("ZWQ_BENCH_TRACE") != nullptr;
    const auto since = [start] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    TMemoryCard model;
    // The files are read back and checked, as the program does unless the user turns it off;
    // ZWQ_BENCH_NO_READBACK measures the write without the check.
    model.VerifyWrites = std::getenv("ZWQ_BENCH_NO_READBACK") == nullptr;
    model.SetCardPath(platform::FromFsPath(card));
    model.Scan();
    int reports = 0;
    int phase = -1;
    const TWriteOutcome written = model.AddBook(platform::FromFsPath(book), [&](const TCardProgress& progress) {
        ++reports;
        if (trace && static_cast<int>(progress.phase) != phase) {
            phase = static_cast<int>(progress.phase);
            std::cerr << "phase " << phase << " from " << since() << " s\n";
        }
    });
    if (trace) std::cerr << "written at " << since() << " s\n";
    if (!written) {
        std::cerr << "write failed: " << platform::Cp1251ToUtf8(CardErrorText(written.error)) << "\n";
        return kExitFailed;
    }
    std::cerr << reports << " progress reports\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    constexpr std::size_t kBookArgs = 4, kRarArgs = 3, kUnpackArgs = 3, kWriteArgs = 3;
    if (args.size() == kBookArgs && args[0] == "book") {
        return MakeBook(args[1], std::stoi(args[2]), std::stoll(args[3])) ? 0 : kExitFailed;
    }
    if (args.size() == kRarArgs && args[0] == "rar") return MakeArchive(args[1], args[2]) ? 0 : kExitFailed;
    if (args.size() == kUnpackArgs && args[0] == "unpack") {
        return platform::NativePlatform().extractor.Extract(platform::FromFsPath(args[1]), platform::FromFsPath(args[2]))
                   ? 0
                   : kExitFailed;
    }
    if (args.size() == kWriteArgs && args[0] == "write") return WriteBook(args[1], args[2]);
    std::cerr << "usage: zwq-bench-write book FOLDER FILES KIBIBYTES | rar FOLDER ARCHIVE | unpack ARCHIVE FOLDER | write CARD BOOK\n";
    return kExitUsage;
}

// The file system as the card model uses it, on the platform the tests run on.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/Crc32.h"
#include "platform/Platform.h"
#include "support/Crc32.h"
#include "support/Testsupport.h"

using testsupport::Exists;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

TEST(Files, CopiesAndMovesNeverReplace) {
    TempDir dir;
    platform::IFileSystem& files = platform::NativePlatform().files;
    WriteFile(dir / "a", "A");
    WriteFile(dir / "b", "B");
    EXPECT_FALSE(files.CopyWithProgress(dir / "a", dir / "b", {}, platform::StopToken::Never()));
    EXPECT_EQ(ReadFile(dir / "b"), "B");
    EXPECT_FALSE(files.MoveNoReplace(dir / "a", dir / "b"));
    EXPECT_EQ(ReadFile(dir / "b"), "B");
    EXPECT_TRUE(files.CopyWithProgress(dir / "a", dir / "c", {}, platform::StopToken::Never()));
    EXPECT_EQ(ReadFile(dir / "c"), "A");
    EXPECT_TRUE(files.MoveNoReplace(dir / "c", dir / "d"));
    EXPECT_FALSE(Exists(dir / "c"));
    // A folder is not copied as a file, and a missing source leaves no target.
    testsupport::MakeDirs(dir / "folder");
    EXPECT_FALSE(files.CopyWithProgress(dir / "folder", dir / "e", {}, platform::StopToken::Never()));
    EXPECT_FALSE(files.CopyWithProgress(dir / "missing", dir / "e", {}, platform::StopToken::Never()));
    EXPECT_FALSE(Exists(dir / "e"));
    // A big file is copied whole.
    const std::string big(3 * 1024 * 1024 + 17, 'z');
    WriteFile(dir / "big", big);
    EXPECT_TRUE(files.CopyWithProgress(dir / "big", dir / "big2", {}, platform::StopToken::Never()));
    EXPECT_EQ(ReadFile(dir / "big2"), big);
    // The CRC-32 of what a copy wrote is the one the medium gives back.
    uint32_t copied = 0, readBack = 0;
    EXPECT_TRUE(files.CopyWithProgress(dir / "big", dir / "big3", {}, platform::StopToken::Never(), &copied));
    EXPECT_TRUE(files.ReadBackCrc(dir / "big3", {}, platform::StopToken::Never(), readBack));
    EXPECT_EQ(copied, testsupport::Crc32(big));
    EXPECT_EQ(readBack, copied);
}

TEST(Files, AReplacingWriteIsWholeOrNothing) {
    TempDir dir;
    platform::IFileSystem& files = platform::NativePlatform().files;
    WriteFile(dir / "BOOK_001.ydr", "old");
    EXPECT_TRUE(files.WriteReplacing(dir / "BOOK_001.ydr", "new"));
    EXPECT_EQ(ReadFile(dir / "BOOK_001.ydr"), "new");
    EXPECT_FALSE(Exists(dir / "ZWQSAVE.TMP"));
    // A target that cannot be replaced keeps nothing of the attempt.
    testsupport::MakeDirs(dir / "BOOK_002.ydr/inner");
    EXPECT_FALSE(files.WriteReplacing(dir / "BOOK_002.ydr", "new"));
    EXPECT_EQ(testsupport::List(dir.path()), (std::vector<std::string>{"BOOK_001.ydr", "BOOK_002.ydr/"}));
    EXPECT_FALSE(files.WriteReplacing(dir / "missing/BOOK_003.ydr", "new"));
}

// The sum a copy takes and the read-back compares, against the plain byte-by-byte one: over any
// start and length (the wide steps take 64 bytes at a time where the processor can) and in pieces.
TEST(Files, TheSumOfTheBytesIsTheSameHoweverTheyArrive) {
    std::string bytes(4099, '\0');
    uint32_t seed = 1;
    for (char& c : bytes) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);
    for (const std::size_t start : {0, 1, 7}) {
        for (const std::size_t size : {0, 1, 15, 16, 63, 64, 65, 127, 128, 1000, 4092}) {
            const char* data = bytes.data() + start;
            const uint32_t expected = testsupport::Crc32(std::string_view(data, size));
            EXPECT_EQ(platform::Crc32(0, data, size), expected) << start << " " << size;
            for (const std::size_t cut : {size / 3, size - size / 5}) {
                EXPECT_EQ(platform::Crc32(platform::Crc32(0, data, cut), data + cut, size - cut), expected) << cut;
            }
        }
    }
}

TEST(Files, ACopyToTheCardReportsAsItGoesAndAStoppedOneLeavesNothing) {
    TempDir dir;
    platform::IFileSystem& files = platform::NativePlatform().files;
    const struct {
        int64_t size;
        int stopAtReport;  // 0: never
        bool readOnly;     // a book from a CD
    } cases[] = {{0, 0, false}, {1, 0, true}, {platform::kCopyChunkBytes + 1, 0, false},
                 {platform::kCopyChunkBytes + 1, 1, false}};
    int n = 0;
    for (const auto& c : cases) {
        const std::string label = std::to_string(c.size) + "/" + std::to_string(c.stopAtReport);
        const std::string from = dir / testsupport::Numbered("from", n);
        const std::string to = dir / testsupport::Numbered("to", n++);
        const std::string content(static_cast<std::size_t>(c.size), 'x');
        WriteFile(from, content);
        testsupport::SetReadOnly(from, c.readOnly);
        std::vector<int64_t> reports;
        platform::StopToken stop;
        const bool copied = files.CopyWithProgress(
            from, to,
            [&](int64_t done) {
                reports.push_back(done);
                if (static_cast<int>(reports.size()) == c.stopAtReport) stop.Request();
            },
            stop);
        EXPECT_EQ(files.FileSize(from), c.size) << label;
        if (c.stopAtReport != 0) {
            EXPECT_FALSE(copied) << label;
            EXPECT_FALSE(Exists(to)) << label;
            EXPECT_EQ(reports.size(), 1u) << label;
            continue;
        }
        ASSERT_TRUE(copied) << label;
        EXPECT_EQ(ReadFile(to), content) << label;
        EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end())) << label;
        EXPECT_EQ(reports.empty() ? int64_t{0} : reports.back(), c.size) << label;
        EXPECT_TRUE(files.FlushFiles({to})) << label;
    }
    // The same refusals as the plain copy; the sizes of what is no file are -1.
    EXPECT_FALSE(files.CopyWithProgress(dir / "from0", dir / "from1", {}, platform::StopToken::Never()));
    EXPECT_EQ(ReadFile(dir / "from1"), "x");
    EXPECT_FALSE(files.CopyWithProgress(dir / "missing", dir / "to9", {}, platform::StopToken::Never()));
    EXPECT_FALSE(Exists(dir / "to9"));
    EXPECT_EQ(files.FileSize(dir / "missing"), -1);
    EXPECT_EQ(files.FileSize(dir.path()), -1);
    EXPECT_TRUE(files.FlushFiles({}));
    EXPECT_FALSE(files.FlushFiles({dir / "missing"}));
    EXPECT_GT(files.ClusterSize(dir.path()), 0);
}

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>

#include "app/Cardtexts.h"
#include "card/Zwqcardunit.h"
#include "platform/Paths.h"
#include "support/Rarwriter.h"
#include "support/Testsupport.h"

using testsupport::A;
using testsupport::Crlf;
using testsupport::Exists;
using testsupport::List;
using testsupport::MakeSourceBook;
using testsupport::ReadFile;
using testsupport::SourceFile;
using testsupport::TempDir;
using testsupport::TestPlatform;
using testsupport::WriteFile;
using testsupport::RarEntry;
using testsupport::Failure;
using Code = TCardError::Code;

namespace {

const std::vector<std::string> kHeader = {A("#TITLE=Мастер и Маргарита"), A("#AUTHOR=Булгаков"), "#TOTAL_SIZE_KB=3"};
const std::string kDisplayName = A("Булгаков - Мастер и Маргарита");

class AddBook : public ::testing::Test {
protected:
    AddBook() : test(dir), card(test.platform) {
        testsupport::MakeDirs(cardPath());
        card.SetCardPath(cardPath());
        card.Scan();
    }
    std::string cardPath() const { return dir / "card"; }
    std::string source(const std::string& relative) const { return dir / ("src/" + relative); }
    // The card's content, sorted, folders' files as "folder/name".
    std::vector<std::string> CardContent() const {
        std::vector<std::string> all;
        for (const std::string& name : List(cardPath())) {
            all.push_back(name);
            if (name.back() == '/') {
                for (const std::string& inner : List(dir / ("card/" + name))) all.push_back(name + inner);
            }
        }
        return all;
    }
    // Writes and rescans, as the main window does after every write; last keeps the outcome.
    bool Add(const std::string& path) {
        last = card.AddBook(path);
        card.Scan();
        return last;
    }
    Failure Why() const { return Failure(last.error); }

    TempDir dir;
    TestPlatform test;
    TMemoryCard card;
    TWriteOutcome last;
};

}  // namespace

TEST_F(AddBook, WritesADescriptorBookIntoTheSmallestFreeSlot) {
    testsupport::MakeCardBook(cardPath(), 1, "One", {"a.mp3"});
    testsupport::MakeCardBook(cardPath(), 3, "Three", {"a.mp3"});
    card.Scan();
    std::vector<std::string> header = kHeader;
    header.insert(header.begin() + 1, "");
    header.push_back("#CUSTOM=kept");
    const std::string descriptor = MakeSourceBook(
        source(""), "BOOK_017.ydr", header,
        {{A("CD1\\Глава 1.mp3"), "one"}, {"02.mp3", "two"}, {"CD2\\cover.jpg", "img"}});

    ASSERT_TRUE(Add(descriptor)) << Why();
    EXPECT_EQ(card.LastTitle, kDisplayName);
    EXPECT_EQ(last.title, kDisplayName);
    // The card copy: "#" lines and empty lines as they were, then one flat entry per file.
    EXPECT_EQ(ReadFile(dir / "card/BOOK_002.ydr"),
              Crlf({kHeader[0], "", kHeader[1], kHeader[2], "#CUSTOM=kept", A("BOOK_002\\Глава 1.mp3"),
                    "BOOK_002\\02.mp3", "BOOK_002\\cover.jpg"}));
    EXPECT_EQ(ReadFile(dir / A("card/BOOK_002/Глава 1.mp3")), "one");
    EXPECT_EQ(ReadFile(dir / "card/BOOK_002/cover.jpg"), "img");
    ASSERT_EQ(card.Books.size(), 3u);
    EXPECT_EQ(card.FindFreeSlot(), 4);
    // No scratch file of the replacing write is left on the card.
    EXPECT_FALSE(Exists(dir / "card/ZWQSAVE.TMP"));
}

TEST_F(AddBook, ASourceInUtf16IsStoredAsWindows1251) {
    WriteFile(source("BOOK_001.ydr"),
              testsupport::Utf16File("#TITLE=Книга\r\n#TOTAL_SIZE_KB=1\r\n\r\nглава.mp3\r\n"));
    WriteFile(source(A("глава.mp3")), "x");
    ASSERT_TRUE(Add(source("BOOK_001.ydr"))) << Why();
    EXPECT_EQ(ReadFile(dir / "card/BOOK_001.ydr"), Crlf({A("#TITLE=Книга"), "#TOTAL_SIZE_KB=1", A("BOOK_001\\глава.mp3")}));
}

TEST_F(AddBook, TheExtensionDecides) {
    EXPECT_FALSE(Add(source("book.txt")));
    EXPECT_EQ(Why(), Failure(Code::UnsupportedFormat, ".txt"));
    EXPECT_FALSE(Add(source("book")));
    EXPECT_EQ(Why(), Failure(Code::UnsupportedFormat, ""));
    // Any letter case: a missing ".Ydr" file fails reading, a missing archive unpacking.
    EXPECT_FALSE(Add(source("BOOK_001.Ydr")));
    EXPECT_EQ(Why(), Failure(Code::NoBookInfo));
    for (const char* archive : {"book.Rar", "book.Zip", "book.7z"}) {
        EXPECT_FALSE(Add(source(archive)));
        EXPECT_EQ(Why(), Failure(Code::Unpack)) << archive;
    }
    EXPECT_EQ(CardContent(), std::vector<std::string>{});
}

TEST_F(AddBook, TheSourceDescriptorMustFollowTheNameRule) {
    const std::string descriptor = MakeSourceBook(source(""), "mybook.ydr", kHeader, {{"01.mp3", "x"}});
    EXPECT_FALSE(Add(descriptor));
    EXPECT_EQ(Why(), Failure(Code::NoBookInfo));
    EXPECT_EQ(CardContent(), std::vector<std::string>{});
}

TEST_F(AddBook, ABookWithTheSameAuthorAndTitleIsRefused) {
    ASSERT_TRUE(Add(MakeSourceBook(source("a"), "BOOK_001.ydr", kHeader, {{"01.mp3", "x"}})));
    std::vector<std::string> other = kHeader;
    other.push_back(A("#ANNOUNCER=Другой чтец"));
    EXPECT_FALSE(Add(MakeSourceBook(source("b"), "BOOK_001.ydr", other, {{"02.mp3", "y"}})));
    EXPECT_EQ(Why(), Failure(Code::AlreadyOnCard, kDisplayName));
    EXPECT_EQ(last.title, kDisplayName);
    // A title differing in letter case only is another book.
    const std::vector<std::string> lower = {A("#TITLE=мастер и маргарита"), A("#AUTHOR=Булгаков"), "#TOTAL_SIZE_KB=3"};
    EXPECT_TRUE(Add(MakeSourceBook(source("c"), "BOOK_001.ydr", lower, {{"03.mp3", "z"}})));
    EXPECT_EQ(card.Books.size(), 2u);
}

TEST_F(AddBook, AFailedCopyLeavesTheCardAsItWas) {
    testsupport::MakeCardBook(cardPath(), 1, "One", {"a.mp3"});
    card.Scan();
    const std::vector<std::string> before = CardContent();
    const std::string descriptor = MakeSourceBook(source(""), "BOOK_001.ydr", kHeader, {{"01.mp3", "x"}});
    WriteFile(descriptor, Crlf({kHeader[0], kHeader[1], kHeader[2], "01.mp3", "CD9\\missing.mp3"}));
    EXPECT_FALSE(Add(descriptor));
    EXPECT_EQ(Why(), Failure(Code::Copy, platform::JoinPath(source(""), "CD9\\missing.mp3")));
    EXPECT_EQ(CardContent(), before);
    EXPECT_EQ(card.FindFreeSlot(), 2);
}

TEST_F(AddBook, TwoFilesOfTheSameNameCannotBothLandInTheFlatFolder) {
    const std::string descriptor =
        MakeSourceBook(source(""), "BOOK_001.ydr", kHeader, {{"CD1\\01.mp3", "a"}, {"CD2\\01.mp3", "b"}});
    EXPECT_FALSE(Add(descriptor));
    EXPECT_EQ(Why(), Failure(Code::Copy, platform::JoinPath(source(""), "CD2\\01.mp3")));
    EXPECT_EQ(CardContent(), std::vector<std::string>{});
}

TEST_F(AddBook, ABookNeverReadsOutsideItsOwnFolder) {
    WriteFile(dir / "secret.txt", "private");
    const std::string secret = dir / "secret.txt";
    for (const std::string& entry : {std::string("..\\secret.txt"), std::string("CD1\\..\\..\\secret.txt"), secret,
                                     std::string("C:\\secret.txt"), std::string("C:secret.txt")}) {
        const std::string descriptor = source("BOOK_001.ydr");
        WriteFile(descriptor, Crlf({kHeader[0], kHeader[1], kHeader[2], entry}));
        EXPECT_FALSE(Add(descriptor)) << entry;
        EXPECT_EQ(Why(), Failure(Code::Copy, platform::JoinPath(source(""), entry)));
        EXPECT_EQ(CardContent(), std::vector<std::string>{}) << entry;
    }
}

TEST_F(AddBook, AFailedSaveLeavesTheCardAsItWas) {
    // A folder where the new descriptor must go: the slot counts as free (only a file takes
    // it), so the files are copied and then the save fails.
    testsupport::MakeDirs(dir / "card/BOOK_001.ydr");
    const std::string descriptor = MakeSourceBook(source(""), "BOOK_001.ydr", kHeader, {{"01.mp3", "x"}});
    EXPECT_FALSE(Add(descriptor));
    EXPECT_EQ(Why(), Failure(Code::Save, dir / "card/BOOK_001.ydr"));
    EXPECT_EQ(CardContent(), std::vector<std::string>{"BOOK_001.ydr/"});
}

TEST_F(AddBook, NoFolderNoSlot) {
    const std::string descriptor = MakeSourceBook(source(""), "BOOK_001.ydr", kHeader, {{"01.mp3", "x"}});
    card.SetCardPath(dir / "absent");
    EXPECT_FALSE(Add(descriptor));
    EXPECT_EQ(Why(), Failure(Code::Folder, dir / "absent/BOOK_001"));

    card.SetCardPath(cardPath());
    for (int n = 1; n <= TMemoryCard::kMaxSlot; ++n) testsupport::MakeDirs(cardPath() + platform::PathSeparator() + card.SlotName(n));
    EXPECT_FALSE(Add(descriptor));
    EXPECT_EQ(Why(), Failure(Code::NoSlotName));
    EXPECT_FALSE(Exists(dir / "card/BOOK_1000"));
}

// ---- RAR archives ----

namespace {

std::vector<RarEntry> ArchiveBook() {
    return {{"BOOK_001.ydr", Crlf({kHeader[0], kHeader[1], kHeader[2], A("Часть 1\\01 Глава.mp3"), "02.mp3"}), false},
            {"Часть 1", "", true},
            {"Часть 1/01 Глава.mp3", "first chapter", false},
            {"02.mp3", "second chapter", false}};
}

}  // namespace

class AddBookFromArchive : public AddBook, public ::testing::WithParamInterface<int> {
protected:
    std::string Archive(const std::string& name, const std::vector<RarEntry>& entries) {
        const std::string path = source(name);
        WriteFile(path, GetParam() == 4 ? testsupport::MakeRar4(entries) : testsupport::MakeRar5(entries));
        return path;
    }
    // The extraction folders left in the temporary folder.
    std::vector<std::string> TempContent() const { return List(dir / "temp"); }
};

INSTANTIATE_TEST_SUITE_P(RarVersions, AddBookFromArchive, ::testing::Values(4, 5),
                         [](const ::testing::TestParamInfo<int>& info) { return "Rar" + std::to_string(info.param); });

TEST_P(AddBookFromArchive, WritesTheBookAndRemovesTheExtractionFolder) {
    ASSERT_TRUE(Add(Archive("book.rar", ArchiveBook()))) << Why();
    EXPECT_EQ(card.LastTitle, kDisplayName);
    EXPECT_EQ(ReadFile(dir / "card/BOOK_001.ydr"),
              Crlf({kHeader[0], kHeader[1], kHeader[2], A("BOOK_001\\01 Глава.mp3"), "BOOK_001\\02.mp3"}));
    EXPECT_EQ(ReadFile(dir / A("card/BOOK_001/01 Глава.mp3")), "first chapter");
    EXPECT_EQ(card.TempFolder, dir / "temp/ZWQTMP0");
    EXPECT_EQ(TempContent(), std::vector<std::string>{});
}

TEST_P(AddBookFromArchive, AnExtractionFolderThatExistsIsNeverReused) {
    WriteFile(dir / "temp/ZWQTMP0/other.txt", "someone else's");
    WriteFile(dir / "temp/ZWQTMP1", "a file");
    ASSERT_TRUE(Add(Archive("book.RAR", ArchiveBook()))) << Why();
    EXPECT_EQ(card.TempFolder, dir / "temp/ZWQTMP2");
    EXPECT_EQ(TempContent(), (std::vector<std::string>{"ZWQTMP0/", "ZWQTMP1"}));
    EXPECT_EQ(ReadFile(dir / "temp/ZWQTMP0/other.txt"), "someone else's");
}

TEST_P(AddBookFromArchive, TheDescriptorMustLieAtTheTop) {
    std::vector<RarEntry> entries = ArchiveBook();
    entries[0].name = "Часть 1/BOOK_001.ydr";
    EXPECT_FALSE(Add(Archive("book.rar", entries)));
    EXPECT_EQ(Why(), Failure(Code::NoDescriptorInArchive));
    EXPECT_EQ(TempContent(), std::vector<std::string>{});
    EXPECT_EQ(CardContent(), std::vector<std::string>{});
}

TEST_P(AddBookFromArchive, ADamagedArchiveFailsToUnpack) {
    // An archive without entries holds no descriptor.
    EXPECT_FALSE(Add(Archive("empty.rar", {})));
    EXPECT_EQ(Why(), Failure(Code::NoDescriptorInArchive));
    const std::string path = source("bad.rar");
    WriteFile(path, testsupport::CorruptCopy(GetParam() == 4 ? testsupport::MakeRar4(ArchiveBook())
                                                                  : testsupport::MakeRar5(ArchiveBook())));
    EXPECT_FALSE(Add(path));
    EXPECT_EQ(Why(), Failure(Code::Unpack));
    WriteFile(path, "Rar!\x1A\x07");  // cut short
    EXPECT_FALSE(Add(path));
    EXPECT_EQ(Why(), Failure(Code::Unpack));
    EXPECT_EQ(TempContent(), std::vector<std::string>{});
    EXPECT_EQ(CardContent(), std::vector<std::string>{});
}

TEST_P(AddBookFromArchive, EntriesThatClimbOutAreRefused) {
    std::vector<RarEntry> entries = ArchiveBook();
    entries.push_back({"../escaped.txt", "outside", false});
    EXPECT_FALSE(Add(Archive("evil.rar", entries)));
    EXPECT_EQ(Why(), Failure(Code::Unpack));
    EXPECT_FALSE(Exists(dir / "escaped.txt"));
    EXPECT_EQ(TempContent(), std::vector<std::string>{});
    EXPECT_EQ(CardContent(), std::vector<std::string>{});
}

TEST_P(AddBookFromArchive, AFailedCopyFromAnArchiveCleansUpBothSides) {
    std::vector<RarEntry> entries = ArchiveBook();
    entries[0].data = Crlf({kHeader[0], kHeader[1], kHeader[2], "02.mp3", "missing.mp3"});
    EXPECT_FALSE(Add(Archive("book.rar", entries)));
    EXPECT_EQ(Why(), Failure(Code::Copy, platform::JoinPath(card.TempFolder, "missing.mp3")));
    EXPECT_EQ(TempContent(), std::vector<std::string>{});
    EXPECT_EQ(CardContent(), std::vector<std::string>{});
}

// ---- Progress, stopping, room on the card ----

namespace {

using Phase = TCardProgress::Phase;
using StopRule = std::function<bool(const std::vector<TCardProgress>& reports)>;

// Three files; the first and the last span more than one copy chunk, so that a stop can land
// inside them.
constexpr int64_t kBigFile = platform::kCopyChunkBytes + 1000;
const std::vector<SourceFile> kLongBook = {
    {"01.mp3", std::string(kBigFile, '1')}, {"02.mp3", "short"}, {"03.mp3", std::string(kBigFile, '3')}};

// Every entry under a folder with the size and checksum of its content ("/" for a folder):
// equal snapshots mean nothing was changed.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> entries;
    const std::filesystem::path root = platform::ToFsPath(folder);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        const std::string name = platform::FromFsPath(entry.path().lexically_relative(root));
        const std::string content = entry.is_directory() ? "" : ReadFile(platform::FromFsPath(entry.path()));
        entries[name] = entry.is_directory() ? "/"
                                             : std::to_string(content.size()) + ":" +
                                                   std::to_string(testsupport::Crc32(content));
    }
    return entries;
}

}  // namespace

class WriteProgress : public AddBook {
protected:
    // The long book as a descriptor beside its files or as a RAR 5 archive.
    std::string LongSource(bool archive) {
        if (!archive) return MakeSourceBook(source("long"), "BOOK_001.ydr", kHeader, kLongBook);
        std::vector<std::string> lines = kHeader;
        std::vector<RarEntry> entries = {{"BOOK_001.ydr", "", false}};
        for (const SourceFile& file : kLongBook) {
            lines.push_back(file.entry);
            entries.push_back({file.entry, file.content, false});
        }
        entries[0].data = Crlf(lines);
        WriteFile(source("long.rar"), testsupport::MakeRar5(entries));
        return source("long.rar");
    }
    // Writes, recording every report; stop (may be empty) looks at the reports so far, the
    // current one last, and says whether to ask for a stop.
    bool Write(const std::string& path, const StopRule& stop = {}) {
        reports.clear();
        reportsAfterStop = 0;
        platform::StopToken stopToken;
        return last = card.AddBook(
            path,
            [&](const TCardProgress& p) {
                reportsAfterStop += stopToken.Requested() ? 1 : 0;
                reports.push_back(p);
                if (stop && stop(reports)) stopToken.Request();
            },
            stopToken);
    }

    void EmptyCard() {
        std::filesystem::remove_all(platform::ToFsPath(cardPath()));
        testsupport::MakeDirs(cardPath());
        card.Scan();
    }

    std::vector<TCardProgress> reports;
    int reportsAfterStop = 0;
};

TEST_F(WriteProgress, AStopAnywhereLeavesTheCardAsItWas) {
    const auto flushes = [](const std::vector<TCardProgress>& r) {
        return std::count_if(r.begin(), r.end(), [](const TCardProgress& p) { return p.phase == Phase::Flushing; });
    };
    const struct {
        const char* when;
        bool archive;
        StopRule stop;
    } cases[] = {
        {"while unpacking", true, [](const auto& r) { return r.back().phase == Phase::Unpacking && r.back().bytesDone > 0; }},
        {"inside the first file", false,
         [](const auto& r) { return r.back().phase == Phase::Copying && r.back().itemIndex == 1 && r.back().bytesDone > 0; }},
        {"inside the first file of an archive", true,
         [](const auto& r) { return r.back().phase == Phase::Copying && r.back().itemIndex == 1 && r.back().bytesDone > 0; }},
        {"inside the last file", false,
         [](const auto& r) {
             const TCardProgress& p = r.back();
             return p.phase == Phase::Copying && p.itemIndex == p.itemCount && p.bytesDone > p.bytesTotal - kBigFile;
         }},
        {"before the flush", true, [&](const auto& r) { return flushes(r) == 1; }},
        {"before the descriptor", false, [&](const auto& r) { return flushes(r) == 2; }},
        {"while reading back", false, [](const auto& r) { return r.back().phase == Phase::Verifying && r.back().itemIndex == 2; }},
    };
    testsupport::MakeCardBook(cardPath(), 1, "One", {"a.mp3"});
    card.Scan();
    const auto before = Snapshot(cardPath());
    for (const auto& c : cases) {
        const std::string path = LongSource(c.archive);
        EXPECT_FALSE(Write(path, c.stop)) << c.when;
        EXPECT_TRUE(last.cancelled) << c.when;
        EXPECT_EQ(Why(), Failure(Code::Cancelled)) << c.when;
        EXPECT_EQ(reportsAfterStop, 0) << c.when;
        EXPECT_EQ(Snapshot(cardPath()), before) << c.when;
        EXPECT_EQ(List(dir / "temp"), std::vector<std::string>{}) << c.when;
    }
    // The next write is not taken for a cancelled one.
    ASSERT_TRUE(Write(LongSource(false))) << Why();
    EXPECT_FALSE(last.cancelled);
    EXPECT_EQ(ReadFile(dir / "card/BOOK_002/03.mp3"), kLongBook[2].content);
}

TEST_F(WriteProgress, ProgressReachesTheEndAndNeverGoesBack) {
    for (const bool archive : {false, true}) {
        EmptyCard();
        ASSERT_TRUE(Write(LongSource(archive))) << Why();
        ASSERT_FALSE(reports.empty());
        for (std::size_t i = 1; i < reports.size(); ++i) {
            const TCardProgress& a = reports[i - 1];
            const TCardProgress& b = reports[i];
            ASSERT_LE(a.phase, b.phase) << i;
            if (a.phase != b.phase) continue;
            EXPECT_LE(a.bytesDone, b.bytesDone) << i;
            EXPECT_LE(a.itemIndex, b.itemIndex) << i;
            EXPECT_EQ(a.bytesTotal, b.bytesTotal) << i;
        }
        for (const TCardProgress& p : reports) {
            EXPECT_LE(p.bytesDone, p.bytesTotal);
            if (p.phase == Phase::Copying) {
                EXPECT_EQ(p.bookName, kDisplayName);
            }
        }
        EXPECT_EQ(reports.front().phase, archive ? Phase::Unpacking : Phase::Copying);
        // Every phase ends at 100 %, the copy with the last file; the read-back comes last.
        for (const Phase phase : {Phase::Unpacking, Phase::Copying, Phase::Flushing}) {
            const auto last = std::find_if(reports.rbegin(), reports.rend(),
                                           [phase](const TCardProgress& p) { return p.phase == phase; });
            if (phase == Phase::Unpacking && !archive) continue;
            ASSERT_NE(last, reports.rend());
            EXPECT_EQ(last->Percent(), 100);
        }
        const TCardProgress& end = reports.back();
        EXPECT_EQ(end.phase, Phase::Verifying);
        EXPECT_EQ(end.Percent(), 100);
        EXPECT_EQ(end.bytesTotal, 2 * kBigFile + 5);
        EXPECT_EQ(end.itemIndex, 3);
        EXPECT_EQ(end.itemCount, 3);
        EXPECT_EQ(end.currentName, "03.mp3");
    }
}

TEST_F(WriteProgress, ABookThatDoesNotFitIsRefusedBeforeAnythingIsWritten) {
    // Files of 1, 4096 and 4097 bytes take 1 + 1 + 2 clusters of 4 KiB; the descriptor and the
    // book's folder one each: 6 clusters.
    constexpr int64_t kSmall = 4096;
    constexpr int64_t kLarge = 2 << 20;
    const std::vector<SourceFile> files = {
        {"01.mp3", "1"}, {"02.mp3", std::string(4096, '2')}, {"03.mp3", std::string(4097, '3')}};
    const struct {
        int64_t cluster;
        int64_t freeBytes;
        bool archive;
        const char* refusal;  // null: written
    } cases[] = {
        {kSmall, 6 * kSmall, false, nullptr},
        {kSmall, 5 * kSmall, false, "нужно 1 Мб, свободно 0 Мб"},
        {kSmall, 6 * kSmall - 1, true, "нужно 1 Мб, свободно 0 Мб"},
        // With clusters of 2 MiB each of the five things takes one.
        {kLarge, 5 * kLarge - 1, false, "нужно 10 Мб, свободно 9 Мб"},
        {kLarge, 5 * kLarge, true, nullptr},
    };
    std::vector<RarEntry> entries = {{"BOOK_001.ydr", Crlf({kHeader[0], kHeader[1], kHeader[2], "01.mp3", "02.mp3", "03.mp3"}), false}};
    for (const SourceFile& file : files) entries.push_back({file.entry, file.content, false});
    WriteFile(source("fit.rar"), testsupport::MakeRar4(entries));
    const std::string descriptor = MakeSourceBook(source("fit"), "BOOK_001.ydr", kHeader, files);
    test.files.useRealFreeBytes = false;
    test.files.useRealClusterSize = false;
    for (const auto& c : cases) {
        const std::string label = std::to_string(c.cluster) + "/" + std::to_string(c.freeBytes);
        test.files.clusterSize = c.cluster;
        test.files.freeBytes = c.freeBytes;
        EmptyCard();
        const bool written = Add(c.archive ? source("fit.rar") : descriptor);
        EXPECT_EQ(written, c.refusal == nullptr) << label;
        EXPECT_FALSE(last.cancelled) << label;
        if (c.refusal != nullptr) {
            EXPECT_EQ(CardErrorText(last.error), A("Книга не помещается на карту памяти: ") + A(c.refusal)) << label;
            EXPECT_EQ(CardContent(), std::vector<std::string>{}) << label;
        }
        EXPECT_EQ(List(dir / "temp"), std::vector<std::string>{}) << label;
    }
}

#include <gtest/gtest.h>

#include "book/Ydrunit.h"
#include "platform/Codepage.h"
#include "platform/Platform.h"
#include "support/Testsupport.h"

using testsupport::A;
using testsupport::Crlf;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

class Descriptor : public ::testing::Test {
protected:
    // Writes bytes as the named descriptor and reads it back.
    bool Read(const std::string& name, const std::string& bytes) {
        const std::string path = dir / name;
        WriteFile(path, bytes);
        book = TBookInfo();
        return ReadBookDescriptor(book, path);
    }
    bool Read(const std::vector<std::string>& lines) { return Read("BOOK_001.ydr", Crlf(lines)); }

    TempDir dir;
    TBookInfo book;
};

const std::vector<std::string> kMinimal = {"#TITLE=T", "#TOTAL_SIZE_KB=1", "01.mp3"};

}  // namespace

TEST_F(Descriptor, ReadsEveryFieldOfAValidDescriptor) {
    ASSERT_TRUE(Read("BOOK_007.ydr", Crlf({A("#TITLE=Война и мир"), A("#AUTHOR=Толстой"), A("#ANNOUNCER=Чтец"),
                                           "#TOTAL_SIZE_KB=2048", "#TOTAL_LENGTH_SEC=3600", "#FILE_NUM=2",
                                           "#COMMENT=kept", "", "01.mp3", "CD2\\02.mp3"})));
    EXPECT_EQ(book.Title, A("Война и мир"));
    EXPECT_EQ(book.Author, A("Толстой"));
    EXPECT_EQ(book.Announcer, A("Чтец"));
    EXPECT_EQ(book.DisplayName, A("Толстой - Война и мир"));
    EXPECT_EQ(book.FileName, "BOOK_007.ydr");
    EXPECT_EQ(book.Path, dir / "BOOK_007.ydr");
    EXPECT_EQ(book.Number, 7);
    EXPECT_EQ(book.TotalSize, 2048 * 1024);
    EXPECT_EQ(book.TotalLengthSec, 3600);
    EXPECT_EQ(book.FileNum, 2);
    EXPECT_EQ(book.Files, (std::vector<std::string>{"01.mp3", "CD2\\02.mp3"}));
    EXPECT_EQ(book.Lines.size(), 10u);  // every line, the empty one included
    EXPECT_EQ(book.Lines[7], "");
}

TEST_F(Descriptor, NameRule) {
    const std::string body = Crlf(kMinimal);
    EXPECT_TRUE(Read("book_001.YDR", body));
    EXPECT_EQ(book.Number, 1);
    EXPECT_TRUE(Read("BOOK_ 12.ydr", body));
    EXPECT_EQ(book.Number, 12);
    EXPECT_TRUE(Read("BOOK_000.ydr", body));
    EXPECT_EQ(book.Number, 0);
    for (const char* name : {"BOOK_12.ydr", "BOOK_0012.ydr", "BOOK_x12.ydr", "BOOK_1a2.ydr", "mybook.ydr",
                             "BOOK_001.ydx", "BOOK_   .ydr", "BOOK-001.ydr"}) {
        EXPECT_FALSE(Read(name, body)) << name;
    }
}

TEST_F(Descriptor, TooShortOrMissingFilesAreRejected) {
    EXPECT_FALSE(Read("BOOK_001.ydr", ""));
    EXPECT_FALSE(Read("BOOK_001.ydr", "x"));
    TBookInfo missing;
    EXPECT_FALSE(ReadBookDescriptor(missing, dir / "BOOK_002.ydr"));
    // A folder named like a descriptor is not a descriptor.
    testsupport::MakeDirs(dir / "BOOK_003.ydr");
    EXPECT_FALSE(ReadBookDescriptor(missing, dir / "BOOK_003.ydr"));
}

TEST_F(Descriptor, ValidityNeedsANameASizeAndAFile) {
    EXPECT_TRUE(Read({"#AUTHOR=A", "#TOTAL_SIZE_KB=1", "f"}));
    EXPECT_EQ(book.DisplayName, "A");
    EXPECT_TRUE(Read({"#TITLE=T", "#TOTAL_SIZE_KB=0", "f"}));
    EXPECT_EQ(book.DisplayName, "T");
    EXPECT_EQ(book.TotalSize, 0);
    EXPECT_FALSE(Read({"#TITLE=", "#AUTHOR=", "#TOTAL_SIZE_KB=1", "f"}));
    EXPECT_FALSE(Read({"#TITLE=T", "f"}));
    EXPECT_FALSE(Read({"#TITLE=T", "#TOTAL_SIZE_KB=1.5", "f"}));
    EXPECT_FALSE(Read({"#TITLE=T", "#TOTAL_SIZE_KB=-1", "f"}));
    EXPECT_FALSE(Read({"#TITLE=T", "#TOTAL_SIZE_KB=1"}));
}

TEST_F(Descriptor, KeysAndValues) {
    // Keys in any letter case, values as written, everything after the first "=".
    ASSERT_TRUE(Read({"#title=Mixed Case", "#Total_Size_KB= 100 ", "f"}));
    EXPECT_EQ(book.Title, "Mixed Case");
    EXPECT_EQ(book.TotalSize, 102400);
    ASSERT_TRUE(Read({"#TITLE=a=b", "#TOTAL_SIZE_KB=1", "f"}));
    EXPECT_EQ(book.Title, "a=b");
    // A later line of the same key wins; for numbers only when it is a number.
    ASSERT_TRUE(Read({"#TITLE=First", "#FILE_NUM=3", "#TOTAL_SIZE_KB=1", "#FILE_NUM=abc", "#TITLE=", "#AUTHOR=A",
                      "f"}));
    EXPECT_EQ(book.Title, "");
    EXPECT_EQ(book.FileNum, 3);
    EXPECT_EQ(book.DisplayName, "A");
    // A title line with a blank before its "#" sets the title and is also a file entry.
    ASSERT_TRUE(Read({" #TITLE=T", "#TOTAL_SIZE_KB=1"}));
    EXPECT_EQ(book.Title, "T");
    EXPECT_EQ(book.Files, std::vector<std::string>{" #TITLE=T"});
    // Unknown keys and a lone "#" are no entries.
    ASSERT_TRUE(Read({"#TITLE=T", "#", "#WHATEVER=1", "#TOTAL_SIZE_KB=1", "f"}));
    EXPECT_EQ(book.Files, std::vector<std::string>{"f"});
}

TEST_F(Descriptor, NumbersThatDoNotFitTheirFieldAreNotNumbers) {
    ASSERT_TRUE(Read({"#TITLE=T", "#TOTAL_SIZE_KB=5", "#TOTAL_SIZE_KB=9007199254740992", "#FILE_NUM=2147483648",
                      "#TOTAL_LENGTH_SEC=99999999999999999999", "f"}));
    EXPECT_EQ(book.TotalSize, 5 * 1024);
    EXPECT_EQ(book.FileNum, -1);
    EXPECT_EQ(book.TotalLengthSec, -1);
    // The largest size that fits is kept exactly; an oversized one alone makes the book invalid.
    ASSERT_TRUE(Read({"#TITLE=T", "#TOTAL_SIZE_KB=9007199254740991", "f"}));
    EXPECT_EQ(book.TotalSize, 9007199254740991LL * 1024);
    EXPECT_FALSE(Read({"#TITLE=T", "#TOTAL_SIZE_KB=99999999999999999999999999", "f"}));
}

TEST_F(Descriptor, LineBreaksAndNul) {
    ASSERT_TRUE(Read("BOOK_001.ydr", "#TITLE=T\r#TOTAL_SIZE_KB=1\n\nf1\r\nf2"));
    EXPECT_EQ(book.Lines, (std::vector<std::string>{"#TITLE=T", "#TOTAL_SIZE_KB=1", "", "f1", "f2"}));
    ASSERT_TRUE(Read("BOOK_001.ydr", std::string("#TITLE=T\r\n#TOTAL_SIZE_KB=1\r\nf1\r\n\0f2\r\n", 36)));
    EXPECT_EQ(book.Files, std::vector<std::string>{"f1"});
}

TEST_F(Descriptor, Utf16WithByteOrderMark) {
    ASSERT_TRUE(Read("BOOK_001.ydr", testsupport::Utf16File("\r\n#TITLE=Война\r\n\r\n#TOTAL_SIZE_KB=1\nГлава 1.mp3")));
    EXPECT_EQ(book.Title, A("Война"));
    EXPECT_EQ(book.Files, std::vector<std::string>{A("Глава 1.mp3")});
    // Empty lines never appear, a first empty one included.
    EXPECT_EQ(book.Lines, (std::vector<std::string>{A("#TITLE=Война"), "#TOTAL_SIZE_KB=1", A("Глава 1.mp3")}));
    // Characters 1251 lacks become "?"; a NUL ends a line's text; an odd last byte is ignored.
    ASSERT_TRUE(Read("BOOK_001.ydr", testsupport::Utf16File("#TITLE=日本\r\n#TOTAL_SIZE_KB=1\r\nf") +
                                         std::string("\0\0x\0\r\0g\0h", 9)));
    EXPECT_EQ(book.Title, "??");
    EXPECT_EQ(book.Files, (std::vector<std::string>{"f", "g"}));
    EXPECT_FALSE(Read("BOOK_001.ydr", "\xFF\xFE"));
}

TEST_F(Descriptor, LongUtf16LinesAreReadWhole) {
    const std::string longTitle(20000, 'x');
    ASSERT_TRUE(Read("BOOK_001.ydr", testsupport::Utf16File("#TITLE=" + longTitle + "\r\n#TOTAL_SIZE_KB=1\r\nf")));
    EXPECT_EQ(book.Title, longTitle);
}

TEST_F(Descriptor, OemRule) {
    const std::vector<std::string> ansi = {A("#TITLE=Преступление и наказание"), A("#AUTHOR=Ф. М. Достоевский"),
                                           "#TOTAL_SIZE_KB=1", A("Часть 1.mp3")};
    ASSERT_TRUE(Read(ansi));
    EXPECT_EQ(book.DisplayName, A("Ф. М. Достоевский - Преступление и наказание"));

    // The same text in code page 866.
    std::string oem;
    for (const char* utf8 : {"#TITLE=Преступление и наказание", "#AUTHOR=Ф. М. Достоевский", "#TOTAL_SIZE_KB=1",
                             "Часть 1.mp3"}) {
        for (const char16_t unit : platform::Utf8ToUtf16(utf8)) {
            if (unit < 0x80) oem += static_cast<char>(unit);
            else if (unit >= u'А' && unit <= u'п') oem += static_cast<char>(0x80 + (unit - u'А'));
            else if (unit >= u'р' && unit <= u'я') oem += static_cast<char>(0xE0 + (unit - u'р'));
        }
        oem += "\r\n";
    }
    ASSERT_TRUE(Read("BOOK_001.ydr", oem));
    EXPECT_EQ(book.DisplayName, A("Ф. М. Достоевский - Преступление и наказание"));
    EXPECT_EQ(book.Files, std::vector<std::string>{A("Часть 1.mp3")});

    // ASCII passes unchanged; 1251 text without capitals or strays is taken for OEM text.
    ASSERT_TRUE(Read({"#TITLE=Plain", "#TOTAL_SIZE_KB=1", "f"}));
    EXPECT_EQ(book.Title, "Plain");
    ASSERT_TRUE(Read({A("#TITLE=книга"), "#TOTAL_SIZE_KB=1", "f"}));
    EXPECT_EQ(book.Title, platform::Oem866ToCp1251(A("книга")));
    // Dashes, no-break space and Ё are not counted against 1251.
    ASSERT_TRUE(Read({A("#TITLE=Ёлка — Ель"), "#TOTAL_SIZE_KB=1", "f"}));
    EXPECT_EQ(book.Title, A("Ёлка — Ель"));
}

TEST(DescriptorLines, SplitAndJoin) {
    EXPECT_EQ(SplitLines("a\r\nb\r\n"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(SplitLines("a\n\nb"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(SplitLines("a\r\r\nb"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(SplitLines("\r\n"), std::vector<std::string>{""});
    EXPECT_EQ(SplitLines(""), std::vector<std::string>{});
    EXPECT_EQ(JoinLines({"a", "", "b"}), "a\r\n\r\nb\r\n");
}

TEST_F(Descriptor, TheCodePageWhoseFilesExistWins) {
    // Windows-1251 text without a capital letter, which the byte rule alone takes for OEM text.
    const std::string entry = A("глава.mp3");
    const std::string asOem = platform::Oem866ToCp1251(entry);
    const std::string body = Crlf({A("#TITLE=книга"), "#TOTAL_SIZE_KB=1", entry});
    struct Case {
        const char* what;
        std::vector<std::string> filesBeside;
        std::string read;
    };
    const Case cases[] = {
        {"the Windows-1251 reading's file", {entry}, entry},
        {"the OEM reading's file", {asOem}, asOem},
        {"neither: the byte rule", {}, asOem},
        {"both: the byte rule", {entry, asOem}, asOem},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TempDir folder;
        for (const std::string& name : c.filesBeside) WriteFile(folder / name, "x");
        WriteFile(folder / "BOOK_001.ydr", body);
        book = TBookInfo();
        ASSERT_TRUE(ReadBookDescriptor(book, folder / "BOOK_001.ydr"));
        EXPECT_EQ(book.Files, std::vector<std::string>{c.read});
    }
}

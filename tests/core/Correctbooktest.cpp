// Correcting a book's names on the card: the descriptor changes in its three name lines only, in
// its own encoding or as a whole in UTF-16, and the listing follows without a scan.
#include <gtest/gtest.h>

#include "card/Zwqcardunit.h"
#include "support/Cardmishaps.h"
#include "support/Testsupport.h"

using namespace std::string_literals;
using testsupport::A;
using testsupport::Failure;

namespace {

using Code = TCardError::Code;

// How a row's descriptor text is written: UTF-8 text stored as Windows-1251 or as UTF-16 with
// byte-order mark, or bytes as they stand (code page 866).
enum class Coding { Ansi, Utf16, Bytes };

std::string Stored(Coding coding, const std::string& text) {
    if (coding == Coding::Ansi) return platform::Ansi(text);
    return coding == Coding::Utf16 ? testsupport::Utf16File(text) : text;
}

class CorrectBook : public ::testing::Test {
protected:
    CorrectBook()
        : test(dir), files(dir / "card"),
          platform{files, test.folders, test.platform.extractor, test.drives, test.system,
                   platform::IntegrationStyle::FreeDesktop, nullptr},
          card(platform) {
        testsupport::MakeDirs(dir / "card");
        card.SetCardPath(dir / "card");
    }
    std::string at(const std::string& relative) const { return dir / ("card/" + relative); }
    // The book's record as a fresh listing of the card reads it.
    std::string Listed(std::size_t index, const std::string TBookInfo::*field) {
        TMemoryCard fresh(platform);
        fresh.SetCardPath(card.CardPath);
        fresh.Scan();
        return fresh.Books.at(index).get()->*field;
    }

    testsupport::TempDir dir;
    testsupport::TestPlatform test;
    testsupport::CardMishaps files;
    platform::Platform platform;
    TMemoryCard card;
};

}  // namespace

TEST_F(CorrectBook, ChangesOnlyTheNameLinesInTheDescriptorsEncoding) {
    const std::string entry = "#TOTAL_SIZE_KB=1\r\nBOOK_001\\01.mp3\r\n";
    const struct {
        const char* what;
        Coding before;
        std::string old;
        TBookNames names;
        Coding after;
        std::string corrected;
        const char* displayName;
    } cases[] = {
        {"1251: replaced in place, the key's spelling and the text after a NUL kept", Coding::Ansi,
         "#Title=Старое\r\n#AUTHOR=Кто\r\n#ANNOUNCER=Чтец\r\n" + entry + "\0хвост"s, {" Новое\r\nимя ", "Автор", "Диктор"},
         Coding::Ansi, "#Title=Новое  имя\r\n#AUTHOR=Автор\r\n#ANNOUNCER=Диктор\r\n" + entry + "\0хвост"s,
         "Автор - Новое  имя"},
        {"866: LF and CR ends", Coding::Bytes, "#TITLE=\x91\xA0\xA4\n#AUTHOR=X\r#TOTAL_SIZE_KB=1\nBOOK_001\\01.mp3\n",
         {"Дом", "Y", ""}, Coding::Bytes, "#TITLE=\x84\xAE\xAC\n#AUTHOR=Y\r#TOTAL_SIZE_KB=1\nBOOK_001\\01.mp3\n", "Y - Дом"},
        {"UTF-16: an emptied announcer's line goes with its end", Coding::Utf16,
         "#TITLE=Old\r\n#AUTHOR=Ωмега\n#ANNOUNCER=x\r#TOTAL_SIZE_KB=1\rBOOK_001\\01.mp3", {"Ἀνάβασις", "Ксенофонт", ""},
         Coding::Utf16, "#TITLE=Ἀνάβασις\r\n#AUTHOR=Ксенофонт\n#TOTAL_SIZE_KB=1\rBOOK_001\\01.mp3", "Ксенофонт - Ἀνάβασις"},
        {"1251 to UTF-16: every line, the ends kept, nothing after the NUL", Coding::Ansi,
         "#TITLE=Т\r\n#AUTHOR=А\n#TOTAL_SIZE_KB=1\rBOOK_001\\Глава.mp3\r\n\0\r\n#TITLE=хвост"s, {"Ἀ", "Ксенофонт", ""},
         Coding::Utf16, "#TITLE=Ἀ\r\n#AUTHOR=Ксенофонт\n#TOTAL_SIZE_KB=1\rBOOK_001\\Глава.mp3\r\n", "Ксенофонт - Ἀ"},
        {"866 to UTF-16: a dash 866 lacks", Coding::Bytes, "#TITLE=X\r\n#AUTHOR=\x91\xA0\xA4\r\n" + entry,
         {"Y — Z", "Сад", ""}, Coding::Utf16, "#TITLE=Y — Z\r\n#AUTHOR=Сад\r\n" + entry, "Сад - Y — Z"},
        {"1251 to UTF-16: small letters alone would read as 866", Coding::Ansi, "#TITLE=Old\r\n#AUTHOR=Who\r\n" + entry,
         {"война", "", ""}, Coding::Utf16, "#TITLE=война\r\n#AUTHOR=\r\n" + entry, "война"},
        {"missing lines after the last # line before the entries, with its end", Coding::Ansi,
         "#TITLE=T\r\n#TOTAL_SIZE_KB=1\nBOOK_001\\01.mp3\r\n#X=late\r\n", {"T", "Автор", "Чтец"}, Coding::Ansi,
         "#TITLE=T\r\n#TOTAL_SIZE_KB=1\n#AUTHOR=Автор\n#ANNOUNCER=Чтец\nBOOK_001\\01.mp3\r\n#X=late\r\n", "Автор - T"},
        {"missing lines at the top when an entry comes first", Coding::Ansi,
         "BOOK_001\\01.mp3\r\n#TITLE=T\r\n#TOTAL_SIZE_KB=1", {"T", "Автор", ""}, Coding::Ansi,
         "#AUTHOR=Автор\r\nBOOK_001\\01.mp3\r\n#TITLE=T\r\n#TOTAL_SIZE_KB=1", "Автор - T"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::WriteFile(at("BOOK_001.ydr"), Stored(c.before, c.old));
        card.Scan();
        ASSERT_EQ(card.Books.size(), 1u);
        EXPECT_EQ(Failure(card.CorrectBook(0, c.names)), Failure(Code::None));
        EXPECT_EQ(testsupport::ReadFile(at("BOOK_001.ydr")), Stored(c.after, c.corrected));
        EXPECT_EQ(card.Books[0]->DisplayName, A(c.displayName));
        EXPECT_EQ(card.Books[0]->DisplayName, Listed(0, &TBookInfo::DisplayName));
        EXPECT_EQ(card.Books[0]->Announcer, Listed(0, &TBookInfo::Announcer));
    }
}

TEST_F(CorrectBook, RefusesWithoutChangingTheCard) {
    enum class Mishap { None, Journal, Held };
    const struct {
        const char* what;
        Mishap mishap;
        TBookNames names;
        Failure failure;
    } cases[] = {
        {"title and author empty", Mishap::None, {" ", "\r\n", "Чтец"}, Code::NoBookInfo},
        {"another book's name", Mishap::None, {"T2", "Автор", ""}, {Code::AlreadyOnCard, A("Автор - T2")}},
        {"a batch waits for the check", Mishap::Journal, {"Новое", "Автор", ""}, Code::AwaitsCheck},
        {"the descriptor held", Mishap::Held, {"Новое", "Автор", ""}, {Code::Save, at("BOOK_001.ydr")}},
        {"its own name is no other book's", Mishap::None, {"T1", "Автор", "Чтец"}, Code::None},
        {"names differing in letter case differ", Mishap::None, {"t2", "Автор", ""}, Code::None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::MakeTree(card.CardPath, {});
        for (int n : {1, 2}) testsupport::MakeCardBook(card.CardPath, n, testsupport::Numbered("T", n), {"1.mp3"});
        if (c.mishap == Mishap::Journal) testsupport::WriteFile(at("ZWQJOURN.TMP"), "x");
        files.inUse = c.mishap == Mishap::Held ? std::vector<std::string>{at("BOOK_001.ydr")} : std::vector<std::string>{};
        card.Scan();
        const auto before = testsupport::Snapshot(card.CardPath);
        EXPECT_EQ(Failure(card.CorrectBook(0, c.names)), c.failure);
        if (c.failure.code == Code::None) continue;
        EXPECT_EQ(testsupport::Snapshot(card.CardPath), before);
        EXPECT_EQ(card.Books[0]->DisplayName, A("Автор - T1"));
    }
}

#include <gtest/gtest.h>

#include "app/Formharness.h"
#include "app/Newbookdialog.h"
#include "support/Bookfixtures.h"

using testsupport::A;
using testsupport::CopyFixture;
using testsupport::Fixture;

namespace {

class NewBook : public ::testing::Test, public formtest::Harness {
protected:
    void SetUp() override {
        StoreCard();
        form.FormShow();
    }
    std::string source(const std::string& relative) const { return dir / platform::Ansi("src/" + relative); }
    // A folder book: two MP3 files (5 s) and a picture.
    std::string FolderBook() {
        CopyFixture("plain2.mp3", source("Лев Толстой - Детство/1.mp3"));
        CopyFixture("plain3.mp3", source("Лев Толстой - Детство/2.mp3"));
        testsupport::WriteFile(source("Лев Толстой - Детство/cover.jpg"), "jpg");
        return source("Лев Толстой - Детство");
    }
};

TMadeBook Book(int files, int seconds, int unknown, int64_t bytes) {
    TMadeBook book;
    for (int i = 0; i < files; ++i) {
        TMadeFile file;
        file.size = i == 0 ? bytes : 0;
        file.seconds = i < unknown ? -1 : (i == unknown ? seconds : 0);
        book.Files.push_back(file);
    }
    return book;
}

}  // namespace

TEST(NewBookSummary, CountsTimeAndSizeInWords) {
    struct Case {
        TMadeBook book;
        const char* text;
    };
    const Case cases[] = {
        {Book(24, 5 * 3600 + 12 * 60, 0, 312LL << 20), "24 файла, 5 ч 12 мин, 312 Мб"},
        {Book(1, 59, 0, 1000), "1 файл, 1 мин, 0 Мб"},
        {Book(11, 0, 11, 5LL << 20), "11 файлов, время звучания неизвестно, 5 Мб"},
        {Book(21, 600, 1, 0), "21 файл, 10 мин (без 1 файла, время которых неизвестно), 0 Мб"},
    };
    for (const Case& c : cases) EXPECT_EQ(BookSummary(c.book), A(c.text));
}

TEST_F(NewBook, TheFolderItemShowsTheBookAndWritesItAsEdited) {
    folderDialog.answers.push_back(FolderBook());
    newBook.script.push_back([](TNewBookForm& shown) {
        shown.title = "Детство (сокращённо)";
        shown.announcer = "Иванов";
        return true;
    });
    form.RunMenuCommand(MenuCommand::WriteFolder);
    ASSERT_EQ(newBook.shown.size(), 1u);
    const TNewBookForm& shown = newBook.shown.front();
    EXPECT_EQ(shown.author, "Лев Толстой");
    EXPECT_EQ(shown.title, "Детство");
    EXPECT_EQ(shown.announcer, "");
    EXPECT_EQ(shown.summary, A("2 файла, 0 мин, 0 Мб"));
    EXPECT_EQ(shown.leftOut, A("Не MP3, не записываются: 1 файл JPG (cover.jpg)"));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, A("Книга Лев Толстой - Детство (сокращённо) успешно записана на карту памяти"));
    EXPECT_EQ(Slots(), (std::map<std::string, int>{{A("Детство (сокращённо)"), 1}}));
    EXPECT_NE(testsupport::ReadFile(dir / "card/BOOK_001.ydr").find(A("#ANNOUNCER=Иванов\r\n")), std::string::npos);
}

TEST_F(NewBook, CancelLeavesTheCardAndTheTemporaryFolderAsTheyWere) {
    for (const bool archive : {false, true}) {
        // (no tar.exe everywhere to unpack ZIP and 7z archives)
        if (archive && !testsupport::ArchivesUnpackable()) continue;
        newBook.shown.clear();
        if (archive) {
            openDialog.answers.push_back(Fixture("daisy.7z"));
            form.N4Click();
        } else {
            folderDialog.answers.push_back(FolderBook());
            form.RunMenuCommand(MenuCommand::WriteFolder);
        }
        ASSERT_EQ(newBook.shown.size(), 1u);
        EXPECT_EQ(newBook.shown[0].title, archive ? "Сказки" : "Детство");
        if (archive) {
            EXPECT_EQ(newBook.shown[0].announcer, "Иванов");
        }
        EXPECT_TRUE(boxes.boxes.empty());
        EXPECT_TRUE(Slots().empty());
        EXPECT_TRUE(testsupport::List(dir / "temp").empty());
    }
}

TEST_F(NewBook, DescriptorBooksAndFailuresGoWithoutTheDialog) {
    if (!testsupport::ArchivesUnpackable()) GTEST_SKIP() << "no tar.exe here to unpack ZIP and 7z archives";
    openDialog.answers.push_back(Fixture("descriptor.zip"));
    form.N4Click();
    EXPECT_TRUE(newBook.shown.empty());
    EXPECT_EQ(Slots(), (std::map<std::string, int>{{"Ready", 1}}));
    openDialog.answers.push_back(Fixture("nothing.zip"));
    form.N4Click();
    EXPECT_TRUE(newBook.shown.empty());
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].text, A("Во время записи книги ") + Fixture("nothing.zip") + A(" произошла ошибка\n") +
                                       A("В папке ") + Fixture("nothing.zip") +
                                       A(" нет файлов MP3, в ней 2 файла M4B, 1 файл TXT. Проигрыватель воспроизводит "
                                         "только MP3: переведите книгу в MP3 и запишите её снова"));
    EXPECT_EQ(boxes.boxes[1].flags, platform::kMbOk | platform::kMbIconError);
}

TEST_F(NewBook, TheCommandLineWritesAMadeBookWithoutTheDialog) {
    const std::string folder = FolderBook();
    CopyFixture("plain2.mp3", source("daisy/01.mp3"));
    testsupport::WriteDaisy2(source("daisy"), {{"dc:title", "Сказки"}}, {{"a.smil", {"01.mp3"}}});
    application.arguments = {folder, source("daisy/ncc.html")};
    form.ProcessBookArguments();
    EXPECT_TRUE(newBook.shown.empty());
    EXPECT_EQ(Slots(), (std::map<std::string, int>{{A("Детство"), 1}, {A("Сказки"), 2}}));
}

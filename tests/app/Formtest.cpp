#include <gtest/gtest.h>

#include <deque>
#include <functional>

#include "app/Formharness.h"
#include "app/Version.h"
#include "platform/Commandline.h"
#include "platform/Paths.h"

using namespace formtest;  // the harness, its box flags and what was said
using testsupport::A;
using testsupport::Crlf;
using testsupport::Exists;
using testsupport::MakeCardBook;
using testsupport::MakeSourceBook;
using testsupport::ReadFile;

namespace {

constexpr int64_t kMiB = 1048576;

// A window on a test card with the helpers the cases share.
class Window : public Harness {
public:
    // A book source beside its file, named BOOK_001.ydr in its own folder.
    std::string Source(const std::string& folder, const std::string& title) {
        return MakeSourceBook(dir / ("src/" + folder), "BOOK_001.ydr",
                              {"#TITLE=" + title, "#AUTHOR=" + A("Автор"), "#TOTAL_SIZE_KB=2048"},
                              {{"01.mp3", title}});
    }
    // Slot numbers of the books on the card, by title.
    void StartWithBooks(std::initializer_list<int> numbers) {
        for (int n : numbers) MakeCardBook(card(), n, testsupport::Numbered("T", n), {"1.mp3"});
        StoreCard();
        form.FormShow();
    }
    // Moves to a row as the arrow keys do; returns its caption.
    std::string MoveTo(std::size_t row) {
        books.selected = static_cast<int>(row);
        return books.rows.at(row).first;
    }
};

class Form : public ::testing::Test, public Window {};

}  // namespace

// ---- start-up ----

TEST_F(Form, FirstStartCancelledEndsWithNothingWritten) {
    form.FormShow();
    EXPECT_EQ(cardSelect.shows, 1);
    EXPECT_TRUE(application.terminated);
    EXPECT_FALSE(Exists(settingsFile()));
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(status.text, "");  // no scan happened
    EXPECT_EQ(n9.caption, "?");
}

TEST_F(Form, FirstStartStoresTheChosenCardAndAsksAboutIntegration) {
    test.drives.drives = {"E:\\", "F:\\"};
    cardSelect.script.push_back({platform::kIdOk, card()});
    form.FormShow();
    EXPECT_EQ(cardSelect.drives, (std::vector<std::string>{A("0 книг, E:\\"), A("0 книг, F:\\")}));
    EXPECT_EQ(cardSelect.textsShown, std::vector<std::string>{""});
    EXPECT_FALSE(application.terminated);
    EXPECT_EQ(ReadFile(settingsFile()), "CARD_PATH=" + card() + "\r\n");
    EXPECT_EQ(status.text.substr(0, A("Записано книг: 0, общим объемом 0 Мб.").size()),
              A("Записано книг: 0, общим объемом 0 Мб."));
    EXPECT_EQ(SaidBy(boxes), (std::vector<Said>{{A("Добавить приложение в контекстное меню файлового менеджера?"),
                                                 A("Интеграция с файловым менеджером"), kQuestion}}));
    // The dialog came before the list was filled.
    EXPECT_EQ(log.front(), "dialog");
    EXPECT_EQ(n9.caption, A("Интегрировать в файловый менеджер"));
    EXPECT_FALSE(application.closed);
}

TEST_F(Form, BlankInputAsksAgainAndTheTypedFolderIsTakenWithoutBlanks) {
    cardSelect.script = {{platform::kIdOk, std::string("   ")}, {platform::kIdOk, "  " + card() + "  "}};
    StoreSettings({"CARD_PATH=", "IS_ASKED_FOR_INTEGRATION=YES"});
    form.FormShow();
    EXPECT_EQ(cardSelect.shows, 2);
    EXPECT_EQ(SaidBy(boxes), (std::vector<Said>{{A("Необходимо указать карту памяти"), A("Выбор карты памяти"), kWarning}}));
    EXPECT_EQ(cardSelect.textsShown[1], "   ");  // the field keeps what it held
    EXPECT_EQ(form.cardPath, card());
    EXPECT_EQ(ReadFile(settingsFile()), Crlf({"CARD_PATH=" + card(), "IS_ASKED_FOR_INTEGRATION=YES"}));
}

TEST_F(Form, AStoredCardThatIsAbsentOpensQuietly) {
    // Windows asks the drive: a drive letter that no drive has. Elsewhere a missing folder.
    const std::string absent = platform::PathSeparator() == '\\' ? std::string("Q:\\") : dir / "absent";
    StoreSettings({"CARD_PATH=" + absent, "IS_ASKED_FOR_INTEGRATION=YES"});
    form.FormShow();
    EXPECT_EQ(cardSelect.shows, 0);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(status.text, A("Карта памяти не найдена: ") + absent);
    EXPECT_TRUE(books.rows.empty());
    EXPECT_FALSE(application.closed);
    EXPECT_FALSE(application.terminated);
}

// ---- list and status ----

TEST_F(Form, SizesAreWholeMegabytesAndTheTotalIsTheirSum) {
    MakeCardBook(card(), 1, "A", {"1.mp3"}, 1536);                 // 1.5 MB shows 1
    MakeCardBook(card(), 2, "B", {"1.mp3"}, 1023);                 // below 1 MB shows 0
    MakeCardBook(card(), 3, "C", {"1.mp3"}, 5LL * 1024 * 1024 + 1);  // over 4 GiB
    test.files.useRealFreeBytes = false;
    test.files.freeBytes = 1500 * kMiB + kMiB - 1;
    StoreCard();
    form.FormShow();
    std::map<std::string, std::string> sizes;
    for (const auto& [caption, size] : books.rows) sizes[caption] = size;
    EXPECT_EQ(sizes, (std::map<std::string, std::string>{{A("Автор - A"), A("1 Мб")},
                                                         {A("Автор - B"), A("0 Мб")},
                                                         {A("Автор - C"), A("5120 Мб")}}));
    EXPECT_EQ(books.reserved, 3u);
    EXPECT_EQ(status.text, A("Записано книг: 3, общим объемом 5121 Мб. Свободно 1500 Мб."));
    // The rows stand in the card model's order.
    for (std::size_t i = 0; i < books.rows.size(); ++i) {
        EXPECT_EQ(books.rows[i].first, form.card->Books[i]->DisplayName);
    }
}

TEST_F(Form, AFullCardIsStillACard) {
    StartWithBooks({1, 2});
    test.files.useRealFreeBytes = false;
    test.files.freeBytes = 0;
    form.RefreshBooks();
    EXPECT_EQ(status.text, A("Записано книг: 2, общим объемом 2 Мб. Свободно 0 Мб."));
    books.selected = 0;
    boxes.answers = {platform::kIdYes};
    EXPECT_TRUE(form.DeleteSelectedBook(true));
    EXPECT_EQ(Slots().size(), 1u);
}

TEST_F(Form, AnAbsentCardRefusesWritesAndDeletions) {
    StartWithBooks({1});
    test.files.useRealFreeBytes = false;
    test.files.freeBytes = -1;
    form.RefreshBooks();
    EXPECT_EQ(status.text, A("Карта памяти не найдена: ") + card());
    books.selected = 0;
    log.clear();
    EXPECT_FALSE(form.WriteBookFromPath(Source("a", "New"), true));
    EXPECT_FALSE(form.DeleteSelectedBook(true));
    EXPECT_EQ(SaidBy(boxes), std::vector<Said>(2, {A("Карта памяти не обнаружена"), A("Проверка"), kWarning}));
    // No refresh either: the list keeps its selection.
    EXPECT_EQ(books.selected, 0);
    EXPECT_EQ(Slots().size(), 1u);
}

// ---- book commands ----

TEST_F(Form, EnterOpensTheFileDialogWhateverTheModifiers) {
    StartWithBooks({});
    form.booksKeyDown(kKeyEnter, 0);
    openDialog.answers.push_back(Source("a", A("Новая")));
    form.booksKeyDown(kKeyEnter, 0x7);  // Shift, Ctrl and Alt
    EXPECT_EQ(openDialog.calls, 2);
    EXPECT_EQ(SaidBy(boxes), (std::vector<Said>{{A("Книга Автор - Новая успешно записана на карту памяти"),
                                                 A("Запись книги на карту памяти"), kInformation}}));
    EXPECT_EQ(Rows(), std::vector<std::string>{A("Автор - Новая")});
    form.booksKeyDown('A', 0);
    EXPECT_EQ(openDialog.calls, 2);
}

TEST_F(Form, TheMenuWritesToo) {
    StartWithBooks({});
    openDialog.answers = {Source("a", "One"), std::nullopt};
    form.N4Click();
    form.RunMenuCommand(MenuCommand::WriteBook);  // cancelled
    EXPECT_EQ(openDialog.calls, 2);
    EXPECT_EQ(Slots(), (std::map<std::string, int>{{"One", 1}}));
}

TEST_F(Form, AFailedWriteShowsThePathAndTheReason) {
    StartWithBooks({});
    const std::string first = Source("a", "Dup");
    ASSERT_TRUE(form.WriteBookFromPath(first, false));
    EXPECT_TRUE(boxes.boxes.empty());  // no success box asked for
    const std::string second = Source("b", "Dup");
    EXPECT_FALSE(form.WriteBookFromPath(second, false));
    EXPECT_EQ(SaidBy(boxes), (std::vector<Said>{{A("Во время записи книги ") + second + A(" произошла ошибка") + "\n" +
                                                     A("Книга Автор - Dup уже присутствует на карте памяти"),
                                                 A("Запись книги на карту памяти"), kError}}));
    EXPECT_EQ(books.rows.size(), 1u);
}

TEST_F(Form, DeleteAsksFirstAndRenumbers) {
    StartWithBooks({1, 2, 3});
    form.booksKeyDown(kKeyDelete, 0);  // the current row after start-up is the first
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text,
              A("Вы действительно хотите удалить книгу ") + books.rows[0].first + A(" с карты памяти"));
    boxes.boxes.clear();

    std::size_t row = 0;
    while (form.card->Books[row]->Number != 2) ++row;
    books.selected = static_cast<int>(row);
    boxes.answers = {platform::kIdNo};
    form.booksKeyDown(kKeyDelete, 0x4);
    EXPECT_EQ(SaidBy(boxes), (std::vector<Said>{{A("Вы действительно хотите удалить книгу Автор - T2 с карты памяти"),
                                                 A("Удаление книги"), kQuestion}}));
    EXPECT_EQ(Slots().size(), 3u);

    boxes.answers = {platform::kIdYes};
    form.Delete1Click();
    EXPECT_EQ(Slots(), (std::map<std::string, int>{{"T1", 1}, {"T3", 2}}));
    EXPECT_EQ(books.rows.size(), 2u);
    ASSERT_EQ(boxes.boxes.size(), 3u);  // the outcome is told
    EXPECT_EQ(SaidBy(boxes)[2], Said(A("Книга Автор - T2 удалена с карты памяти"), A("Удаление книги"), kInformation));
}

// A file system that counts the reads of each file.
class CountingFiles : public testsupport::TestFiles {
public:
    bool ReadWholeFile(const std::string& path, std::string& data) override {
        ++reads[path];
        return TestFiles::ReadWholeFile(path, data);
    }
    std::map<std::string, int> reads;
};

TEST_F(Form, DeletingTheFirstBookReadsEachDescriptorOnce) {
    constexpr int kBooks = 999;
    for (int n = 1; n <= kBooks; ++n) MakeCardBook(card(), n, testsupport::Numbered("T", n), {"1.mp3"});
    StoreCard();
    CountingFiles counting;
    platform::Platform withCounting = PlatformWith(counting);
    TForm1 window(Controls(), withCounting);
    window.FormShow();
    counting.reads.clear();
    boxes.answers = {platform::kIdYes};
    window.booksKeyDown(kKeyDelete, 0);
    ASSERT_EQ(books.rows.size(), kBooks - 1u);
    // The renumbering's plan reads the removed descriptor and each moved one; the list is made
    // from the bytes the moves wrote, not read again.
    std::vector<std::string> readAgain;
    for (const auto& [path, count] : counting.reads) {
        if (count > 1 && platform::ExtensionOf(path) == ".ydr") readAgain.push_back(path);
    }
    EXPECT_EQ(readAgain, std::vector<std::string>{});
}

// ---- the current row and what the listener is told ----

// Whenever the list holds books one row is current and selected: the row a screen reader reads
// when the list gets the focus, and the one Delete acts on.
TEST(CurrentRow, IsTheBookEachCommandLeavesTheListenerOn) {
    using Yes = std::deque<int>;
    const std::pair<const char*, std::function<std::string(Window&)>> cases[] = {
        // Each acts on a window started on a card with three books and returns the caption
        // that must then be current.
        {"start-up: the first book", [](Window& w) { return w.books.rows.at(0).first; }},
        {"a refresh: the same book",
         [](Window& w) {
             const std::string name = w.MoveTo(2);
             w.form.RefreshBooks();
             return name;
         }},
        {"a write: the new book",
         [](Window& w) {
             w.MoveTo(1);
             w.form.WriteBookFromPath(w.Source("new", "New"), true);
             return A("Автор - New");
         }},
        {"a failed write: the same book",
         [](Window& w) {
             const std::string name = w.MoveTo(1);
             w.form.WriteBookFromPath(w.dir / "missing/BOOK_001.ydr", true);
             return name;
         }},
        {"a deletion in the middle: the book now in its place",
         [](Window& w) {
             w.MoveTo(1);
             w.boxes.answers = Yes{platform::kIdYes};
             w.form.Delete1Click();
             return w.books.rows.at(1).first;
         }},
        {"a deletion of the last row: the new last row",
         [](Window& w) {
             w.MoveTo(2);
             w.boxes.answers = Yes{platform::kIdYes};
             w.form.booksKeyDown(kKeyDelete, 0);
             return w.books.rows.at(1).first;
         }},
        {"another card: its first book",
         [](Window& w) {
             w.MoveTo(2);
             const std::string other = w.dir / "other";
             MakeCardBook(other, 1, "O1", {"1.mp3"});
             MakeCardBook(other, 2, "O2", {"1.mp3"});
             w.cardSelect.script.push_back({platform::kIdOk, other});
             w.form.N6Click();
             return w.books.rows.at(0).first;
         }},
    };
    for (const auto& [what, act] : cases) {
        SCOPED_TRACE(what);
        Window w;
        w.StartWithBooks({1, 2, 3});
        const std::string expected = act(w);
        EXPECT_EQ(w.Current(), expected);
        EXPECT_EQ(w.books.rows.size(), w.form.card->Books.size());
    }
}

// Every interactive command ends with something the listener hears; the command-line batch
// keeps its own boxes and adds none.
TEST(Outcome, EveryCommandIsHeard) {
    struct Box {
        const char* text;
        const char* caption;
        unsigned flags;
    };
    struct Case {
        const char* what;
        std::initializer_list<int> books;
        std::function<void(Window&)> act;
        std::vector<Box> expected;
    };
    const char* const kAskT1 = "Вы действительно хотите удалить книгу Автор - T1 с карты памяти";
    const Case cases[] = {
        {"Delete on a card without books", {}, [](Window& w) { w.form.booksKeyDown(kKeyDelete, 0); },
         {{"На карте памяти нет книг", "Удаление книги", kWarning}}},
        {"Delete answered Yes", {1},
         [](Window& w) {
             w.boxes.answers = {platform::kIdYes};
             w.form.booksKeyDown(kKeyDelete, 0);
         },
         {{kAskT1, "Удаление книги", kQuestion}, {"Книга Автор - T1 удалена с карты памяти", "Удаление книги", kInformation}}},
        {"Delete answered No", {1},
         [](Window& w) {
             w.boxes.answers = {platform::kIdNo};
             w.form.Delete1Click();
         },
         {{kAskT1, "Удаление книги", kQuestion}}},
        {"Delete without a card", {1},
         [](Window& w) {
             w.test.files.useRealFreeBytes = false;
             w.form.booksKeyDown(kKeyDelete, 0);
         },
         {{"Карта памяти не обнаружена", "Проверка", kWarning}}},
        {"one deletion from the command line", {1},
         [](Window& w) {
             w.application.arguments = {w.form.card->Books.at(0)->Path};
             w.boxes.answers = {platform::kIdYes};
             w.form.ProcessBookArguments();
         },
         {{kAskT1, "Удаление книги", kQuestion}}},
        {"the integration switched on and off", {},
         [](Window& w) {
             w.form.N9Click();
             w.form.RunMenuCommand(MenuCommand::Integration);
         },
         {{"Интеграция с файловым менеджером включена", "Интеграция с файловым менеджером", kInformation},
          {"Интеграция с файловым менеджером выключена", "Интеграция с файловым менеджером", kInformation}}},
        {"the integration switch on the command line", {},
         [](Window& w) {
             w.application.arguments = {platform::IntegrateSwitch()};
             w.form.FormShow();
         },
         {{"Интеграция с файловым менеджером включена", "Интеграция с файловым менеджером", kInformation}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Window w;
        w.StartWithBooks(c.books);
        w.boxes.boxes.clear();
        c.act(w);
        std::vector<Said> expected;
        for (const Box& box : c.expected) expected.emplace_back(A(box.text), A(box.caption), box.flags);
        EXPECT_EQ(SaidBy(w.boxes), expected);
    }
}

// The card dialog takes only an existing folder: anything else is named in a warning and the
// dialog comes back with the text as it was; a drive offered by the list stands for its root.
TEST_F(Form, TheCardDialogRefusesWhatIsNoFolder) {
    MakeCardBook(card(), 1, "T1", {"1.mp3"});
    test.drives.drives = {card()};
    test.drives.labels[card()] = "CARD";
    const std::string missing = dir / "gone";
    cardSelect.script = {{platform::kIdOk, missing}, {platform::kIdOk, A("CARD, 1 книга, ") + card()}};
    form.FormShow();
    EXPECT_EQ(cardSelect.prompt, A("Выберите папку карты памяти с ZWQ-книгами"));
    EXPECT_EQ(cardSelect.drives, std::vector<std::string>{A("CARD, 1 книга, ") + card()});
    EXPECT_EQ(cardSelect.textsShown, (std::vector<std::string>{"", missing}));
    ASSERT_GE(boxes.boxes.size(), 1u);
    EXPECT_EQ(SaidBy(boxes)[0], Said(A("Папка не найдена: ") + missing, A("Выбор карты памяти"), kWarning));
    EXPECT_EQ(form.cardPath, card());

    for (const auto& [count, text] : std::vector<std::pair<std::size_t, const char*>>{
             {0, "0 книг"}, {1, "1 книга"}, {3, "3 книги"}, {5, "5 книг"}, {11, "11 книг"},
             {14, "14 книг"}, {21, "21 книга"}, {22, "22 книги"}, {112, "112 книг"}}) {
        EXPECT_EQ(BookCountText(count), A(text));
    }
}

TEST_F(Form, ChoosingAnotherCardShowsItBeforeTheChoiceIsSaved) {
    StartWithBooks({1});
    const std::string other = dir / "other card";
    MakeCardBook(other, 1, "Other", {"1.mp3"});
    MakeCardBook(other, 2, "Other 2", {"1.mp3"});
    // The settings folder is taken by a file: the save fails and is reported.
    std::filesystem::remove_all(platform::ToFsPath(dir / "appdata/kv8102tz"));
    testsupport::WriteFile(dir / "appdata/kv8102tz", "blocks the folder");
    cardSelect.script.push_back({platform::kIdOk, other});
    log.clear();
    form.N6Click();
    EXPECT_EQ(cardSelect.textsShown.back(), card());
    EXPECT_EQ(form.cardPath, other);
    EXPECT_EQ(books.rows.size(), 2u);
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0], "dialog");
    EXPECT_EQ(log[1].substr(0, 7), "status ");
    EXPECT_EQ(log[2], "box " + A("Загрузка настроек"));
}

TEST_F(Form, CancellingTheCardChoiceChangesNothing) {
    StartWithBooks({1});
    const std::string settingsBefore = ReadFile(settingsFile());
    const std::string statusBefore = status.text;
    form.N6Click();
    EXPECT_EQ(form.cardPath, card());
    EXPECT_EQ(status.text, statusBefore);
    EXPECT_EQ(ReadFile(settingsFile()), settingsBefore);
}

TEST_F(Form, AboutBox) {
    form.N8Click();
    const std::string address = MainFormTexts().makerAddress;
    EXPECT_EQ(SaidBy(boxes), (std::vector<Said>{{A("ZWQ-менеджер " ZWQ_VERSION_TEXT " - ") + address +
                                                     A("\nПрограмма ZWQ-менеджер предназначена\nдля упрощения записи "
                                                       "и удаления книг\nс карты памяти для тифлофлешплеера\n\n"
                                                       "Дополнительная информация и каталог\nZWQ-книг на сайте ") +
                                                     address,
                                                 A("ZWQ-менеджер О программе"), kInformation}}));
    form.N3Click();
    EXPECT_TRUE(application.closed);
}

// ---- integration ----

TEST_F(Form, TheIntegrationItemSwitchesAndNamesTheState) {
    StartWithBooks({});
    EXPECT_EQ(n9.caption, A("Интегрировать в файловый менеджер"));
    form.N9Click();
    EXPECT_TRUE(form.Integration().IsExplorerIntegrated());
    EXPECT_EQ(n9.caption, A("Удалить интеграцию из файлового менеджера"));
    form.RunMenuCommand(MenuCommand::Integration);
    EXPECT_FALSE(form.Integration().IsExplorerIntegrated());
    EXPECT_EQ(n9.caption, A("Интегрировать в файловый менеджер"));
}

// "Проверять записанное" is ticked while on; the settings keep every byte until it is switched.
TEST_F(Form, TheReadBackOptionIsTickedSwitchedAndKept) {
    StartWithBooks({});
    const std::string stored = testsupport::Crlf({"CARD_PATH=" + card(), "IS_ASKED_FOR_INTEGRATION=YES"});
    EXPECT_EQ(testsupport::ReadFile(settingsFile()), stored);
    EXPECT_TRUE(n17.checked && form.card->VerifyWrites);
    form.RunMenuCommand(MenuCommand::VerifyWrites);
    EXPECT_FALSE(n17.checked || form.card->VerifyWrites);
    EXPECT_EQ(testsupport::ReadFile(settingsFile()), stored + "VERIFY_WRITES=0\r\n");
    TForm1 next(Controls(), test.platform);  // the next start keeps it off
    next.FormShow();
    EXPECT_FALSE(n17.checked || next.card->VerifyWrites);
}

TEST_F(Form, TheStartUpQuestionIsAskedUntilAnswered) {
    StoreSettings({"CARD_PATH=" + card(), "IS_ASKED_FOR_INTEGRATION=yes"});
    form.FormShow();  // lower-case "yes" does not count; Cancel stores nothing
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(ReadFile(settingsFile()), Crlf({"CARD_PATH=" + card(), "IS_ASKED_FOR_INTEGRATION=yes"}));
    EXPECT_FALSE(form.Integration().IsExplorerIntegrated());
}

TEST_F(Form, AnsweringNoRemembersTheAnswer) {
    StoreSettings({"CARD_PATH=" + card(), "IS_ASKED_FOR_INTEGRATION=yes"});
    boxes.answers = {platform::kIdNo};
    form.FormShow();
    EXPECT_EQ(ReadFile(settingsFile()), Crlf({"CARD_PATH=" + card(), "IS_ASKED_FOR_INTEGRATION=YES"}));
    EXPECT_FALSE(form.Integration().IsExplorerIntegrated());
}

TEST_F(Form, AnsweringYesRemembersAndIntegrates) {
    StoreSettings({"CARD_PATH=" + card()});
    boxes.answers = {platform::kIdYes};
    form.FormShow();
    EXPECT_EQ(ReadFile(settingsFile()), Crlf({"CARD_PATH=" + card(), "IS_ASKED_FOR_INTEGRATION=YES"}));
    EXPECT_TRUE(form.Integration().IsExplorerIntegrated());
    EXPECT_EQ(n9.caption, A("Удалить интеграцию из файлового менеджера"));
}

TEST_F(Form, WithoutRightsTheProgramRestartsElevatedAndDoesNoWorkItself) {
    test.system.isAdmin = false;
    StoreSettings({"CARD_PATH=" + card()});
    boxes.answers = {platform::kIdYes};
    form.FormShow();
    // "YES" is stored before the restart message.
    EXPECT_EQ(ReadFile(settingsFile()), Crlf({"CARD_PATH=" + card(), "IS_ASKED_FOR_INTEGRATION=YES"}));
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(SaidBy(boxes)[1], Said(A("Приложение будет перезапущено с правами администратора"),
                                     A("Интеграция с файловым менеджером"), kInformation));
    ASSERT_EQ(test.system.elevations.size(), 1u);
    EXPECT_EQ(test.system.elevations[0].program, test.folders.ProgramFile());
    EXPECT_EQ(test.system.elevations[0].parameters, platform::IntegrateSwitch());
    EXPECT_EQ(test.system.elevations[0].folder, platform::FolderOf(test.folders.ProgramFile()));
    EXPECT_TRUE(application.terminated);
    EXPECT_FALSE(form.Integration().IsExplorerIntegrated());
    // The rest of the start-up still ran.
    EXPECT_EQ(n9.caption, A("Интегрировать в файловый менеджер"));
}

TEST_F(Form, ARefusedElevationEndsNothingAndDoesNothing) {
    StartWithBooks({});
    test.system.isAdmin = false;
    test.system.elevationResult = 5;  // the prompt was declined
    form.N9Click();
    EXPECT_EQ(test.system.elevations.size(), 1u);
    EXPECT_FALSE(application.terminated);
    EXPECT_FALSE(form.Integration().IsExplorerIntegrated());
    ASSERT_EQ(boxes.boxes.size(), 2u);  // the restart message and the state as it stays
    EXPECT_EQ(boxes.boxes[1].text, A("Интеграция с файловым менеджером выключена"));
}

TEST_F(Form, TheSwitchesActOnlyAlone) {
    StoreCard();
    application.arguments = {platform::IntegrateSwitch()};
    form.FormShow();
    EXPECT_TRUE(form.Integration().IsExplorerIntegrated());
    EXPECT_FALSE(application.closed);  // a switch is not a book path
    EXPECT_EQ(n9.caption, A("Удалить интеграцию из файлового менеджера"));
}

TEST_F(Form, TheRemovalSwitch) {
    StoreCard();
    form.Integration().WriteIntegration();
    application.arguments = {platform::DesintegrateSwitch()};
    form.FormShow();
    EXPECT_FALSE(form.Integration().IsExplorerIntegrated());
}

TEST_F(Form, SwitchesInOtherLettersOrWithPathsDoNothing) {
    StoreCard();
    std::string capital = platform::IntegrateSwitch();
    capital[capital.find('i')] = 'I';
    application.arguments = {capital, platform::DesintegrateSwitch().substr(0, 1) + "other"};
    form.FormShow();
    EXPECT_FALSE(form.Integration().IsExplorerIntegrated());
    EXPECT_FALSE(application.closed);  // only switches: the window stays

    Harness second;
    second.StoreCard();
    const std::string book = MakeSourceBook(second.dir / "src", "BOOK_001.ydr",
                                            {"#TITLE=T", "#TOTAL_SIZE_KB=1"}, {{"01.mp3", "x"}});
    second.application.arguments = {platform::IntegrateSwitch(), book};
    second.form.FormShow();
    EXPECT_FALSE(second.form.Integration().IsExplorerIntegrated());
    EXPECT_TRUE(second.application.closed);
    EXPECT_TRUE(Exists(second.card() + platform::PathSeparator() + "BOOK_001.ydr"));
}

TEST(InformationRequest, HelpAndVersionWithoutAWindow) {
    std::string output;
    EXPECT_TRUE(InformationRequest({"--version"}, output));
    EXPECT_EQ(output, A("ZWQ-менеджер " ZWQ_VERSION_TEXT "\n"));
    EXPECT_TRUE(InformationRequest({"--help"}, output));
    EXPECT_NE(output.find(platform::IntegrateSwitch()), std::string::npos);
    EXPECT_NE(output.find(platform::DesintegrateSwitch()), std::string::npos);
    EXPECT_FALSE(InformationRequest({}, output));
    EXPECT_FALSE(InformationRequest({"--help", "x"}, output));
    EXPECT_FALSE(InformationRequest({"book.ydr"}, output));
}

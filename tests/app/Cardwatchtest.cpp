// The card followed by its volume as it comes and goes, other volumes offered while it is away
// ("Нет" holding for the run), and the card taken out from the program.
#include <gtest/gtest.h>

#include <set>

#include "app/Formharness.h"

using namespace formtest;
using testsupport::A;

namespace {

class CardWatch : public ::testing::Test, public Harness {};

}  // namespace

// A card folder that is a mount point at start-up, of any volume, goes once it is one no longer:
// at the system's word, and before it for a write, which is refused with nothing written.
TEST_F(CardWatch, ACardFolderThatIsAMountPointGoesWithItsVolume) {
    for (int n = 1; n <= 2; ++n) testsupport::MakeCardBook(card(), n, "Book " + std::to_string(n), {"1.mp3"});
    testsupport::MakeCardBook(dir / "source", 1, "New", {"1.mp3"});
    StoreCard();
    test.drives.mountPoints = {card()};
    form.FormShow();
    const struct {
        bool mounted, told;
        std::size_t rows;
        const char* heard;
    } steps[] = {
        {false, true, 0, "Карта памяти отключена"},
        {true, true, 2, "Карта памяти подключена: 2 книги"},
        {false, false, 2, "Карта памяти подключена: 2 книги"},
    };
    for (const auto& step : steps) {
        test.drives.mountPoints = step.mounted ? std::set<std::string>{card()} : std::set<std::string>{};
        if (step.told) form.DrivesChanged();
        EXPECT_EQ(books.RowCount(), step.rows);
        EXPECT_EQ(announcement.text, A(step.heard));
        if (step.mounted) continue;
        boxes.boxes.clear();
        EXPECT_FALSE(form.WriteBookFromPath(dir / "source/BOOK_001.ydr", false));
        EXPECT_EQ(SaidBy(boxes), (std::vector<Said>{{A("Карта памяти не обнаружена"), A("Проверка"), kWarning}}));
        EXPECT_EQ(Slots().size(), 2u);
    }
}

TEST_F(CardWatch, TheCardIsFollowedByItsVolumeAndOtherVolumesAreOffered) {
    const std::string card1 = dir / "card1", other = dir / "other", blank = dir / "blank";
    for (const auto& [folder, count] : {std::pair{card(), 2}, {card1, 12}, {other, 3}}) {
        for (int n = 1; n <= count; ++n) testsupport::MakeCardBook(folder, n, A("Книга ") + std::to_string(n), {"1.mp3"});
    }
    testsupport::MakeDirs(blank);
    const std::string before = "[ZWQ]\nCARD_PATH=" + card() + "\r\nIS_ASKED_FOR_INTEGRATION=YES\r\n\xC0";
    testsupport::WriteFile(settingsFile(), before);
    test.drives.uuids = {{card(), "1111-AAAA"}, {card1, "1111-AAAA"}, {other, "2222-BBBB"}, {blank, "3333-CCCC"}};
    test.drives.labels = {{card(), "CARD"}, {card1, "CARD"}, {other, "OTHER"}};
    test.drives.drives = {card()};
    form.FormShow();
    ASSERT_EQ(books.RowCount(), 2u);
    books.SelectRow(1);  // the listener's book, current again when the card comes back
    const auto offer = [](const std::string& name, const char* books) { return Said{A("Обнаружена карта памяти ") + name + A(books), A("Выбор карты памяти"), kQuestion}; };
    const struct {
        std::vector<std::string> drives;
        std::vector<int> answers;
        std::function<void()> act;  // null: the system says volumes changed
        std::size_t rows;
        const char* heard;
        std::vector<Said> said;
    } steps[] = {
        {{}, {}, nullptr, 0, "Карта памяти отключена", {}},
        {{other}, {platform::kIdNo}, nullptr, 0, "Карта памяти отключена", {offer("OTHER", " (3 книги). Работать с ней?")}},
        {{}, {}, nullptr, 0, "Карта памяти отключена", {}},
        {{other}, {}, nullptr, 0, "Карта памяти отключена", {}},  // "Нет" still holds
        {{other, card1}, {}, nullptr, 12, "Карта памяти подключена: 12 книг", {}},
        {{card1}, {}, [&] { test.drives.refusal = "Device or resource busy"; form.booksKeyDown(kKeyE, kCtrlDown); }, 12,
         "Карта памяти подключена: 12 книг", {{A("Карту памяти нельзя извлечь: Device or resource busy"), A("Извлечь карту памяти"), kError}}},
        {{card1}, {}, [&] { test.drives.refusal.clear(); form.RunMenuCommand(MenuCommand::Eject); }, 0,
         "Карта памяти отключена", {{A("Карту памяти можно извлечь."), A("Извлечь карту памяти"), kInformation}}},
        {{blank}, {platform::kIdYes}, nullptr, 0, "Карта памяти подключена: 0 книг", {offer(blank, " (0 книг). Работать с ней?")}},
    };
    for (const auto& step : steps) {
        test.drives.drives = step.drives;
        boxes.answers.assign(step.answers.begin(), step.answers.end());
        boxes.boxes.clear();
        step.act ? step.act() : form.DrivesChanged();
        EXPECT_EQ(books.RowCount(), step.rows);
        EXPECT_EQ(books.selected, step.rows == 12 ? 1 : -1);
        EXPECT_EQ(announcement.text, A(step.heard));
        EXPECT_EQ(SaidBy(boxes), step.said);
        EXPECT_EQ(status.text == A("Карта памяти не подключена"), std::string(step.heard) == "Карта памяти отключена");
    }
    EXPECT_EQ(test.drives.ejected, (std::vector<std::string>{card1, card1}));
    // The settings file keeps every byte but the card path's value; the volume lies beside it.
    std::string after = before;
    after.replace(after.find(card()), card().size(), blank);
    EXPECT_EQ(testsupport::ReadFile(settingsFile()), after);
    EXPECT_EQ(testsupport::ReadFile(dir / "appdata/kv8102tz/ZWQManager/ZWQManager.card"), "UUID=3333-CCCC\r\nLABEL=\r\n");
}

// The system's word of a volume change during card work waits for the work's end: the list first
// shows the card as the work left it, then the card is looked at, then the work's outcome is told.
TEST_F(CardWatch, AChangeDuringCardWorkIsLookedAtOnceTheWorkHasEnded) {
    for (int n = 1; n <= 3; ++n) testsupport::MakeCardBook(card(), n, A("Книга ") + std::to_string(n), {"1.mp3"});
    StoreCard();
    test.drives.uuids = {{card(), "1111-AAAA"}};
    test.drives.drives = {card()};
    form.FormShow();
    ASSERT_EQ(books.RowCount(), 3u);
    std::vector<std::size_t> rowsMeanwhile;
    progress.onReport = [&](int) {
        test.drives.drives.clear();
        form.DrivesChanged();
        rowsMeanwhile.push_back(books.RowCount());
    };
    boxes.answers = {platform::kIdYes};
    log.clear();
    form.RunMenuCommand(MenuCommand::DeleteBook);
    ASSERT_FALSE(rowsMeanwhile.empty());
    EXPECT_EQ(rowsMeanwhile, std::vector<std::size_t>(rowsMeanwhile.size(), 3u));
    EXPECT_EQ(books.RowCount(), 0u);
    EXPECT_EQ(announcement.text, A("Карта памяти отключена"));
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[log.size() - 3].rfind(A("status Записано книг: 2"), 0), 0u);  // the card as the deletion left it
    EXPECT_EQ(log[log.size() - 2], A("status Карта памяти не подключена"));
    EXPECT_EQ(log.back(), A("box Удаление книги"));
}

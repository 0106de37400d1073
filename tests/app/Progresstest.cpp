// Long card work as the user follows it: the progress in words, the progress window of writes,
// batches and deletions, stopping a write, and what the window does meanwhile.
#include <gtest/gtest.h>

#include <map>

#include "app/Formharness.h"
#include "platform/Paths.h"
#include "support/Rarwriter.h"

using formtest::Harness;
using formtest::kInformation;
using formtest::Said;
using formtest::SaidBy;
using std::chrono::milliseconds;
using testsupport::A;
using testsupport::MakeCardBook;

namespace {

constexpr int64_t kKiB = 1024;
constexpr int64_t kMiB = 1048576;

TCardProgress At(TCardProgress::Phase phase, int64_t done, int64_t total, int item = 0, int items = 0,
                 const std::string& book = std::string()) {
    TCardProgress progress;
    progress.phase = phase;
    progress.bytesDone = done;
    progress.bytesTotal = total;
    progress.itemIndex = item;
    progress.itemCount = items;
    progress.bookName = book;
    return progress;
}

TProgressPlan Plan(TProgressPlan::Work work, const std::string& subject, bool unpacks = false, int index = 1,
                   int count = 1) {
    TProgressPlan plan;
    plan.work = work;
    plan.subject = subject;
    plan.unpacks = unpacks;
    plan.bookIndex = index;
    plan.bookCount = count;
    return plan;
}

}  // namespace

TEST(DescribeProgress, WordsEveryPhaseWithThePercentOfTheWholeBatch) {
    using Phase = TCardProgress::Phase;
    using Work = TProgressPlan::Work;
    const std::string book = A("Автор - Книга");
    struct Case {
        const char* what;
        TProgressPlan plan;
        std::optional<TCardProgress> progress;
        milliseconds elapsed;
        const char* caption;
        const char* activity;
        const char* amount;
        int percent;
    };
    const Case cases[] = {
        {"before the first report", Plan(Work::Write, "book.rar", true), std::nullopt, milliseconds(0),
         "Запись книги book.rar", "подготовка к записи", "0 %", 0},
        {"unpacking, too early for the time left", Plan(Work::Write, "book.rar", true),
         At(Phase::Unpacking, 30 * kMiB, 100 * kMiB), milliseconds(2999), "Запись книги book.rar",
         "распаковка архива", "15 %, 30 из 100 Мб", 15},
        {"copying an archive's book: its second half", Plan(Work::Write, "book.rar", true),
         At(Phase::Copying, 150 * kMiB, 300 * kMiB, 3, 20, book), milliseconds(10000), "Запись книги Автор - Книга",
         "копирование: файл 3 из 20", "75 %, 150 из 300 Мб, осталось около 5 секунд", 75},
        {"the second book of three", Plan(Work::Write, "BOOK_001.ydr", false, 2, 3),
         At(Phase::Copying, 150 * kMiB, 300 * kMiB, 1, 2, book), milliseconds(90000),
         "Запись книги Автор - Книга (книга 2 из 3)", "копирование: файл 1 из 2",
         "50 %, 150 из 300 Мб, осталось около 2 минут", 50},
        {"a minute left is a minute", Plan(Work::Write, "BOOK_001.ydr"), At(Phase::Copying, 1, 2, 1, 1, book),
         milliseconds(61000), "Запись книги Автор - Книга", "копирование: файл 1 из 1",
         "50 %, 0 из 0 Кб, осталось около 1 минуты", 50},
        {"21 minutes", Plan(Work::Write, "BOOK_001.ydr"), At(Phase::Copying, kMiB, 2 * kMiB, 1, 1, book),
         milliseconds(21 * 60000), "Запись книги Автор - Книга", "копирование: файл 1 из 1",
         "50 %, 1 из 2 Мб, осталось около 21 минуты", 50},
        {"a book below a megabyte", Plan(Work::Write, "BOOK_001.ydr"),
         At(Phase::Copying, 300 * kKiB, 512 * kKiB, 2, 2, book),
         milliseconds(0), "Запись книги Автор - Книга", "копирование: файл 2 из 2", "58 %, 300 из 512 Кб", 58},
        {"the last book written out", Plan(Work::Write, "BOOK_001.ydr", false, 3, 3),
         At(Phase::Flushing, 300 * kMiB, 300 * kMiB, 2, 2, book), milliseconds(90000),
         "Запись книги Автор - Книга (книга 3 из 3)", "запись данных на карту памяти", "100 %, 300 из 300 Мб", 100},
        {"a deletion removing the files", Plan(Work::Delete, book), std::nullopt, milliseconds(0),
         "Удаление книги Автор - Книга", "удаление файлов книги", "", 0},
        {"a deletion renumbering", Plan(Work::Delete, book), At(Phase::Renumbering, 0, 0, 2, 4), milliseconds(0),
         "Удаление книги Автор - Книга", "перенумерация: книга 2 из 4", "25 %", 25},
        {"a repair", Plan(Work::Repair, ""), std::nullopt, milliseconds(0), "Проверка карты памяти",
         "исправление карты памяти", "", 0},
    };
    for (const Case& c : cases) {
        const ui::TProgressView view = DescribeProgress(c.plan, c.progress, c.elapsed);
        EXPECT_EQ(view.caption, A(c.caption)) << c.what;
        EXPECT_EQ(view.activity, A(c.activity)) << c.what;
        EXPECT_EQ(view.amount, A(c.amount)) << c.what;
        EXPECT_EQ(view.percent, c.percent) << c.what;
    }
}

namespace {

// A window on a test card, with books to write and the card's whole content to compare.
class ProgressWindow : public ::testing::Test, public Harness {
protected:
    // A book of three files of 600 KiB, so that a write reports several times per file.
    std::string Source(const std::string& title, bool archive = false) {
        const std::string data(600 * kKiB, 'x');
        const std::string folder = dir / ("src/" + title);
        if (!archive) {
            return testsupport::MakeSourceBook(folder, "BOOK_001.ydr", HeaderLines(title),
                                               {{"01.mp3", data}, {"02.mp3", data}, {"03.mp3", data}});
        }
        std::vector<std::string> lines = HeaderLines(title);
        lines.insert(lines.end(), {"01.mp3", "02.mp3", "03.mp3"});
        const std::string path = folder + ".rar";
        testsupport::WriteFile(path, testsupport::MakeRar5({{"BOOK_001.ydr", testsupport::Crlf(lines)},
                                                            {"01.mp3", data},
                                                            {"02.mp3", data},
                                                            {"03.mp3", data}}));
        return path;
    }
    static std::vector<std::string> HeaderLines(const std::string& title) {
        return {"#TITLE=" + title, "#AUTHOR=" + A("Автор"), "#TOTAL_SIZE_KB=1800"};
    }
    // Every file under the card and the temporary folder, with its bytes.
    std::pair<std::map<std::string, std::string>, std::map<std::string, std::string>> Content() {
        return {testsupport::Snapshot(card()), testsupport::Snapshot(dir / "temp")};
    }
    void Start(std::initializer_list<int> books) {
        for (int n : books) MakeCardBook(card(), n, testsupport::Numbered("T", n), {"1.mp3"});
        StoreCard();
        form.FormShow();
    }
    std::string Current() const { return books.selected < 0 ? std::string() : books.rows.at(books.selected).first; }
    // Presses "Отмена" at the first report whose activity begins so.
    void CancelAt(const std::string& activity) {
        progress.onReport = [this, activity](int) {
            if (progress.runs.back().views.back().activity.rfind(A(activity.c_str()), 0) == 0) progress.Cancel();
        };
    }
};

}  // namespace

TEST_F(ProgressWindow, AWriteShowsItsProgressAtOnceUpTo100) {
    Start({});
    for (const bool archive : {false, true}) {
        const std::string title = archive ? "Archive" : "Plain";
        progress.runs.clear();
        ASSERT_TRUE(form.WriteBookFromPath(Source(title, archive), false)) << title;
        ASSERT_EQ(progress.runs.size(), 1u) << title;
        const auto& run = progress.runs.front();
        EXPECT_TRUE(run.cancellable);
        EXPECT_EQ(run.showAfter, milliseconds(0));
        EXPECT_EQ(run.first.caption, A("Запись книги ") + (archive ? title + ".rar" : A("Автор - ") + title));
        ASSERT_GT(run.views.size(), 3u) << title;
        int percent = 0;
        for (const ui::TProgressView& view : run.views) {
            EXPECT_GE(view.percent, percent) << title << ": " << view.activity;
            percent = view.percent;
        }
        EXPECT_EQ(percent, 100);
        EXPECT_EQ(run.views.back().caption, A("Запись книги Автор - ") + title);
        EXPECT_EQ(run.views.back().activity, A("проверка записанного: файл 3 из 3"));
        EXPECT_EQ(archive, run.views.front().activity == A("распаковка архива")) << title;
    }
}

TEST_F(ProgressWindow, CancelLeavesTheCardAsItWasAndSaysSo) {
    struct Case {
        bool archive;
        const char* at;
    } const cases[] = {{true, "распаковка"}, {false, "копирование: файл 1"}, {false, "копирование: файл 3"},
                       {false, "запись данных"}};
    Start({1});
    for (const Case& c : cases) {
        const std::string source = Source(c.archive ? "Archive" : "Plain", c.archive);
        const auto before = Content();
        boxes.boxes.clear();
        CancelAt(c.at);
        EXPECT_FALSE(form.WriteBookFromPath(source, true)) << c.at;
        EXPECT_EQ(Content(), before) << c.at;
        const std::string name = c.archive ? source : A("Автор - Plain");
        const std::string said = A("Запись книги ") + name + A(" отменена, на карту памяти книга не записана.");
        EXPECT_EQ(SaidBy(boxes), (std::vector<Said>{{said, A("Запись книги на карту памяти"), kInformation}})) << c.at;
        EXPECT_EQ(Current(), A("Автор - T1"));
    }
}

TEST_F(ProgressWindow, SeveralBooksFromTheDialogAreOneBatch) {
    Start({1});
    openDialog.answers = {std::vector<std::string>{Source("A"), Source("B", true), Source("C")}};
    EXPECT_TRUE(form.WriteBookFromDialog());
    ASSERT_EQ(progress.runs.size(), 1u);
    std::vector<std::string> captions;
    for (const auto& view : progress.runs[0].views) {
        if (captions.empty() || captions.back() != view.caption) captions.push_back(view.caption);
    }
    EXPECT_EQ(captions, (std::vector<std::string>{A("Запись книги Автор - A (книга 1 из 3)"),
                                                  A("Запись книги B.rar (книга 2 из 3)"),
                                                  A("Запись книги Автор - B (книга 2 из 3)"),
                                                  A("Запись книги Автор - C (книга 3 из 3)")}));
    EXPECT_EQ(progress.runs[0].views.back().percent, 100);
    ASSERT_EQ(boxes.boxes.size(), 1u);  // no success box per book: the summary
    EXPECT_EQ(boxes.boxes[0].text, A("Запись книг завершена"));
    EXPECT_EQ(Slots(), (std::map<std::string, int>{{"T1", 1}, {"A", 2}, {"B", 3}, {"C", 4}}));
    EXPECT_EQ(Current(), A("Автор - C"));

    // Stopped in the second book: the first stays written, the third is not tried, and the box
    // says how far the batch came instead of a summary.
    boxes.boxes.clear();
    openDialog.answers = {std::vector<std::string>{Source("D"), Source("E"), Source("F")}};
    progress.onReport = [this](int) {
        if (progress.runs.back().views.back().caption.find(A("(книга 2 из 3)")) != std::string::npos) progress.Cancel();
    };
    EXPECT_FALSE(form.WriteBookFromDialog());
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, A("Запись книги Автор - E отменена, на карту памяти книга не записана. "
                                     "До отмены записано книг: 1 из 3."));
    EXPECT_EQ(Slots().count("D"), 1u);
    EXPECT_EQ(Slots().count("E") + Slots().count("F"), 0u);
    EXPECT_EQ(Current(), A("Автор - D"));
}

TEST_F(ProgressWindow, WhileAWriteRunsNoCommandStartsAndClosingAsksFirst) {
    Start({1});
    EXPECT_TRUE(form.FormCloseQuery());  // nothing running
    const std::string first = Source("First");
    const std::string second = Source("Second");
    progress.onReport = [this](int report) {
        if (report != 1) return;
        form.booksKeyDown(kKeyEnter, 0);
        form.booksKeyDown(kKeyDelete, 0);
        form.RunMenuCommand(MenuCommand::CheckCard);
        EXPECT_EQ(openDialog.calls, 0);
        EXPECT_TRUE(boxes.boxes.empty());
        EXPECT_FALSE(form.FormCloseQuery());
    };

    // No: the write goes on and is told.
    boxes.answers = {platform::kIdNo};
    EXPECT_TRUE(form.WriteBookFromPath(first, true));
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text, A("Идёт запись книги на карту памяти. Прервать её и закрыть программу? "
                                     "Недописанная книга на карте памяти не останется."));
    EXPECT_EQ(boxes.boxes[1].text, A("Книга Автор - First успешно записана на карту памяти"));
    EXPECT_FALSE(application.closed);

    // Yes: the write stops, the card is as it was, and the window closes without another box.
    const auto before = Content();
    boxes.boxes.clear();
    progress.reports = 0;
    boxes.answers = {platform::kIdYes};
    EXPECT_FALSE(form.WriteBookFromPath(second, true));
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(Content(), before);
    EXPECT_TRUE(application.closed);
    EXPECT_FALSE(form.WriteBookFromPath(second, true));  // nothing more starts
    EXPECT_EQ(boxes.boxes.size(), 1u);
}

TEST_F(ProgressWindow, ADeletionShowsItOnlyWhenSlowAndIsNeverStoppedHalfway) {
    Start({1, 2, 3});
    boxes.answers = {platform::kIdYes};
    // "Отмена" cannot be pressed, and closing waits for the renumbering's end, unasked.
    progress.onReport = [this](int) {
        progress.Cancel();
        EXPECT_FALSE(form.FormCloseQuery());
    };
    books.selected = 0;
    form.DeleteCurrentBook();
    ASSERT_EQ(progress.runs.size(), 1u);
    const auto& run = progress.runs[0];
    EXPECT_FALSE(run.cancellable);
    EXPECT_EQ(run.showAfter, kSlowWorkDelay);
    EXPECT_EQ(run.first.caption, A("Удаление книги Автор - T1"));
    ASSERT_EQ(run.views.size(), 2u);
    EXPECT_EQ(run.views[0].activity, A("перенумерация: книга 1 из 2"));
    EXPECT_EQ(run.views[1].activity, A("перенумерация: книга 2 из 2"));
    EXPECT_EQ(Slots(), (std::map<std::string, int>{{"T2", 1}, {"T3", 2}}));
    EXPECT_EQ(boxes.boxes.size(), 1u);  // the question only
    EXPECT_TRUE(application.closed);
}

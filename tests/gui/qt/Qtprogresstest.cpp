// The progress window of the Qt program: shown while a write runs on its worker thread, with
// the main window still painted; "Отмена" and closing the main window stop the write without a
// trace; several books chosen in the open dialog; a deletion's window only after its delay.
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <atomic>
#include <chrono>
#include <thread>

#include "Qtharness.h"

using qttest::kWaitMs;
using qttest::ModalScript;
using qttest::Q;
using qttest::Session;
using qttest::U;
using testsupport::A;

namespace {

constexpr int kPollMs = 20;

// Holds every copy to the card until released (at the latest after kWaitMs), as a card that
// takes its time does: the write is surely under way while the test looks at it.
class SlowCard {
public:
    explicit SlowCard(testsupport::TestFiles& files) : files_(files) {
        files_.beforeCopy = [this] {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
            while (held_ && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
            }
        };
    }
    ~SlowCard() { files_.beforeCopy = nullptr; }
    SlowCard(const SlowCard&) = delete;
    SlowCard& operator=(const SlowCard&) = delete;
    void Release() { held_ = false; }

private:
    testsupport::TestFiles& files_;
    std::atomic<bool> held_{true};
};

// Counts the paint events of a widget.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// Calls step every few milliseconds until it returns true.
void Every(QTimer& timer, const std::function<bool()>& step) {
    QObject::connect(&timer, &QTimer::timeout, &timer, [&timer, step] {
        if (step()) timer.stop();
    });
    timer.start(kPollMs);
}

// A started window on a card with one book, and a book to write.
struct WriteSession : Session {
    WriteSession() {
        MakeBooks({1});
        StoreCard();
        SetFreeMegabytes(100);
        Start();
        started = WaitStarted();
        source = Source("big", A("Большая"));
        before = testsupport::Snapshot(card());
    }
    qtgui::ProgressDialog& dialog() { return front().progress(); }
    // Enter in the list: the open dialog gets the book (the script's first step), and the write
    // runs; returns when all is told.
    void Write() {
        QTest::keyClick(&window().books(), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(script.Finished(), kWaitMs);
    }
    bool started = false;
    std::string source;
    std::map<std::string, std::string> before;
};

}  // namespace

class ProgressTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qtgui::PrepareApplication(*qApp, translator_); }

    void aWriteShowsItsProgressWhileTheWindowPaintsAndOtmenaStopsIt() {
        WriteSession s;
        QVERIFY(s.started);
        SlowCard slow(s.test.files);
        PaintCounter paints;
        s.window().books().viewport()->installEventFilter(&paints);
        qtgui::ProgressDialog& dialog = s.dialog();
        int ticks = 0;
        int paintsBefore = 0;
        QString title, activity, barName, cancel;
        QTimer watch;
        Every(watch, [&] {
            if (!dialog.isVisible() || !dialog.Activity().text().startsWith(U("копирование"))) return false;
            if (ticks++ == 0) {
                title = dialog.windowTitle();
                activity = dialog.Activity().text();
                barName = dialog.Bar().accessibleName();
                cancel = dialog.CancelButton().isVisible() ? dialog.CancelButton().text() : QString();
                paintsBefore = paints.paints;
                qttest::SaveArtifact(dialog, "progress-window");
                s.window().books().viewport()->update();
                return false;
            }
            if (paints.paints == paintsBefore) return false;
            QTest::mouseClick(&dialog.CancelButton(), Qt::LeftButton);
            slow.Release();
            return true;
        });
        s.script.OpenFile(Q(s.source));
        s.script.Press(QMessageBox::Ok);
        s.Write();

        QVERIFY2(s.script.unexpected.empty(), qPrintable(s.script.unexpected.join("; ")));
        QCOMPARE(title, U("Запись книги Автор - Большая"));
        QCOMPARE(activity, U("копирование: файл 1 из 1"));
        QCOMPARE(barName, activity);
        QCOMPARE(cancel, U("Отмена"));
        QVERIFY2(ticks >= 2, "the event loop did not run during the write");
        QCOMPARE(s.script.seen.size(), std::size_t{2});
        QCOMPARE(s.script.seen[1].title, U("Запись книги на карту памяти"));
        QCOMPARE(s.script.seen[1].text, U("Запись книги Автор - Большая отменена, на карту памяти книга не записана."));
        QCOMPARE(s.script.seen[1].icon, QMessageBox::Information);
        QVERIFY(testsupport::Snapshot(s.card()) == s.before);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.Showings(), 1);
        QVERIFY(!s.application.EndRequested());
    }

    void closingTheMainWindowDuringAWriteAsksAndStopsIt() {
        WriteSession s;
        QVERIFY(s.started);
        SlowCard slow(s.test.files);
        QTimer watch;
        Every(watch, [&] {
            if (!s.dialog().isVisible()) return false;
            s.window().close();
            slow.Release();
            return true;
        });
        s.script.OpenFile(Q(s.source));
        s.script.Press(QMessageBox::Yes);
        s.Write();

        QVERIFY2(s.script.unexpected.empty(), qPrintable(s.script.unexpected.join("; ")));
        QCOMPARE(s.script.seen.size(), std::size_t{2});
        QCOMPARE(s.script.seen[1].title, U("Запись книги на карту памяти"));
        QCOMPARE(s.script.seen[1].text, U("Идёт запись книги на карту памяти. Прервать её и закрыть программу? "
                                          "Недописанная книга на карте памяти не останется."));
        QCOMPARE(s.script.seen[1].buttons, qttest::QuestionButtons());
        QTRY_VERIFY_WITH_TIMEOUT(s.ended, kWaitMs);
        QVERIFY(!s.window().isVisible());
        QVERIFY(testsupport::Snapshot(s.card()) == s.before);
    }

    void severalBooksChosenInTheDialogAreWrittenAsABatch() {
        Session s;
        s.StoreCard();
        s.SetFreeMegabytes(100);
        s.Start();
        QVERIFY(s.WaitStarted());
        const std::string folder = s.dir / "books";
        // Two books beside each other, as a folder of downloaded books holds them.
        for (const std::string title : {"One", "Two"}) {
            testsupport::MakeSourceBook(folder, title == "One" ? "BOOK_001.ydr" : "BOOK_002.ydr",
                                        {"#TITLE=" + title, "#AUTHOR=" + A("Автор"), "#TOTAL_SIZE_KB=1"},
                                        {{title + ".mp3", title}});
        }
        ModalScript& script = s.script;
        QAbstractItemView::SelectionMode mode = QAbstractItemView::NoSelection;
        script.Then([&](QWidget& modal) {
            script.seen.push_back(qttest::Describe(modal));
            auto* dialog = qobject_cast<QFileDialog*>(&modal);
            auto* view = dialog != nullptr ? dialog->findChild<QListView*>("listView") : nullptr;
            if (view == nullptr) return;
            mode = view->selectionMode();
            dialog->setDirectory(Q(folder));
            if (!QTest::qWaitFor([view] { return view->model()->rowCount(view->rootIndex()) == 2; }, kWaitMs)) return;
            for (int row = 0; row < 2; ++row) {
                const QRect place = view->visualRect(view->model()->index(row, 0, view->rootIndex()));
                QTest::mouseClick(view->viewport(), Qt::LeftButton, row == 0 ? Qt::NoModifier : Qt::ControlModifier,
                                  place.center());
            }
            QTest::mouseClick(dialog->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Open),
                              Qt::LeftButton);
        });
        script.Press(QMessageBox::Ok);
        QTest::keyClick(&s.window().books(), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(script.Finished(), kWaitMs);

        QVERIFY2(script.unexpected.empty(), qPrintable(script.unexpected.join("; ")));
        QCOMPARE(mode, QAbstractItemView::ExtendedSelection);
        QCOMPARE(script.seen.size(), std::size_t{2});
        QCOMPARE(script.seen[1].title, U("Запись книг"));
        QCOMPARE(script.seen[1].text, U("Запись книг завершена"));
        QCOMPARE(s.Slots(), (std::map<int, std::string>{{1, "One"}, {2, "Two"}}));
        QCOMPARE(s.front().progress().Showings(), 1);
        QCOMPARE(s.window().books().CellText(s.window().books().currentRow(), 0), U("Автор - Two"));
    }

    void aDeletionShowsTheWindowOnlyAfterItsDelayAndWithoutOtmena() {
        Session s;
        QVERIFY(s.StartedOn({1, 2, 3}));
        qtgui::ProgressDialog& dialog = s.front().progress();
        for (const auto delay : {std::chrono::milliseconds(std::chrono::hours(1)), std::chrono::milliseconds(0)}) {
            s.front().form().slowWorkDelay = delay;
            s.script.Press(QMessageBox::Yes);
            s.script.Press(QMessageBox::Ok);
            QTest::keyClick(&s.window().books(), Qt::Key_Delete);
            QTRY_VERIFY_WITH_TIMEOUT(s.script.Finished(), kWaitMs);
        }
        QVERIFY2(s.script.unexpected.empty(), qPrintable(s.script.unexpected.join("; ")));
        QCOMPARE(s.Slots().size(), std::size_t{1});
        QCOMPARE(dialog.Showings(), 1);  // the second deletion's only
        QVERIFY(dialog.CancelButton().isHidden());
        QVERIFY(dialog.windowTitle().startsWith(U("Удаление книги Автор - T")));
    }

    void theMainWindowTakesNoInputFromTheStartAndAWakeIsNeverLost() {
        Session s;
        QVERIFY(s.StartedOn({1, 2, 3}));
        qtgui::ProgressDialog& dialog = s.front().progress();
        qtgui::BookList& list = s.window().books();
        QCOMPARE(list.SelectedRow(), 0);
        // Blocked before the window appears: the list's keys do nothing.
        dialog.Block(false, {});
        QTest::keyClick(&list, Qt::Key_Down);
        QCOMPARE(list.SelectedRow(), 0);
        QVERIFY(!dialog.isVisible());
        using Reason = ui::IProgressWindow::WakeReason;
        QCOMPARE(dialog.WaitForWake(std::chrono::milliseconds(1)), Reason::TimedOut);
        dialog.Wake();  // before the wait: the wait takes it
        QCOMPARE(dialog.WaitForWake(std::nullopt), Reason::Woken);
        std::thread worker([&dialog] { dialog.Wake(); });
        QCOMPARE(dialog.WaitForWake(std::nullopt), Reason::Woken);
        worker.join();
        dialog.Unblock();
        QTest::keyClick(&list, Qt::Key_Down);
        QCOMPARE(list.SelectedRow(), 1);
    }

private:
    QTranslator translator_;
};

QTEST_MAIN(ProgressTest)
#include "Qtprogresstest.moc"

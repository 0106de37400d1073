// The main window on a test card: start-up, the list and status line, the list's keys, and the
// book commands through the menus, with every modal window answered by a script.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTranslator>

#include "Qtharness.h"
#include "app/Version.h"
#include "card/Zwqcardunit.h"

using qttest::kWaitMs;
using qttest::ModalScript;
using qttest::Px;
using qttest::Q;
using qttest::Session;
using qttest::U;
using testsupport::A;

namespace {

QStringList ItemTexts(const QMenu& menu) {
    QStringList texts;
    for (const QAction* action : menu.actions()) texts << (action->isSeparator() ? QString("-") : action->text());
    return texts;
}

QString SettingsText(Session& s) { return Q(testsupport::ReadFile(s.settingsFile())); }

void ClickRow(qtgui::BookList& list, int row) {
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(list.item(row, 0)).center());
}

int RowOf(Session& s, const QString& caption) { return static_cast<int>(s.Rows().indexOf(caption)); }

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qtgui::PrepareApplication(*qApp, translator_); }

    void aStoredCardIsListedAtStartUp() {
        Session s;
        s.MakeBooks({1, 2, 3});
        s.StoreCard();
        s.SetFreeMegabytes(1500);
        ModalScript& script = s.script;
        s.Start();
        QVERIFY(s.WaitStarted());
        QStringList sorted = s.Rows();
        sorted.sort();
        QCOMPARE(sorted, QStringList({U("Автор - T1"), U("Автор - T2"), U("Автор - T3")}));
        // The rows stand in the card model's order, so a row is the book's index.
        for (int i = 0; i < 3; ++i) QCOMPARE(s.Rows()[i], Q(s.front().form().card->Books[i]->DisplayName));
        QCOMPARE(s.Sizes(), QStringList({U("1 Мб"), U("1 Мб"), U("1 Мб")}));
        QCOMPARE(s.Status(), U("Записано книг: 3, общим объемом 3 Мб. Свободно 1500 Мб."));
        QCOMPARE(s.window().books().SelectedRow(), 0);  // the first book is current
        QCOMPARE(s.window().MenuAction("N9")->text(), U("Интегрировать в файловый менеджер"));
        QVERIFY(s.window().MenuAction("N17")->isChecked());
        QVERIFY(qttest::Settle());
        QVERIFY(script.seen.empty());
        QVERIFY2(script.unexpected.empty(), qPrintable(script.unexpected.join("; ")));
        QVERIFY(!s.application.EndRequested());
        qttest::SaveArtifact(s.window(), "main-window");
    }

    void layoutMenusAndNames() {
        Session s;
        s.StoreCard();
        s.Build();
        qtgui::MainWindow& w = s.window();
        QCOMPARE(w.windowTitle(), U("ZWQ-менеджер zwq-books.example библиотека ZWQ-книг"));

        // Menus and items with their captions exactly; the list's keys shown beside the items
        // that do the same, and taken only where the menu has the focus.
        QStringList menus;
        for (const QAction* action : w.menuBar()->actions()) menus << action->text();
        QCOMPARE(menus, QStringList({U("Файл"), U("Настройки"), U("Справка")}));
        QCOMPARE(ItemTexts(*w.MenuAction("N1")->menu()),
                 QStringList({U("Записать книгу на карту памяти (Enter)"),
                              U("Записать папку с книгой на карту памяти"), U("Удалить с карты памяти выбранную книгу (Delete)"), U("Проверить карту"),
                              U("Извлечь карту памяти"), "-",
                              U("Изменить описание книги"), U("Переместить выше"), U("Переместить ниже"),
                              U("Переместить на место…"), U("Упорядочить книги…"), "-", U("Выход")}));
        const std::map<std::string, QKeySequence> shown{{"N18", QKeySequence(Qt::Key_F2)},
                                                        {"N13", QKeySequence(Qt::CTRL | Qt::Key_Up)},
                                                        {"N14", QKeySequence(Qt::CTRL | Qt::Key_Down)},
                                                        {"N15", QKeySequence(Qt::CTRL | Qt::Key_M)},
                                                        {"N19", QKeySequence(Qt::CTRL | Qt::Key_E)}};
        for (const auto& [name, key] : shown) {
            QCOMPARE(w.MenuAction(name)->shortcut(), key);
            QCOMPARE(w.MenuAction(name)->shortcutContext(), Qt::WidgetShortcut);
        }
        QCOMPARE(ItemTexts(*w.MenuAction("N5")->menu()),
                 QStringList({U("Выбрать карту памяти"), "?", U("Проверять записанное")}));
        QVERIFY(w.MenuAction("N17")->isCheckable());
        QCOMPARE(ItemTexts(*w.MenuAction("N7")->menu()), QStringList({U("О программе...")}));
        for (QAction* menu : w.menuBar()->actions()) {
            for (const QAction* action : QList<QAction*>{menu} + menu->menu()->actions()) {
                QVERIFY2(action->shortcut().isEmpty() || shown.count(action->objectName().toStdString()) == 1,
                         qPrintable(action->text()));
                QVERIFY2(!action->text().contains('&'), qPrintable(action->text()));
            }
        }

        // The book list: a table of two columns, whole rows, one row, no editing, no row numbers.
        qtgui::BookList& list = w.books();
        QCOMPARE(list.horizontalHeaderItem(0)->text(), U("Наименование книги"));
        QCOMPARE(list.horizontalHeaderItem(1)->text(), U("Размер"));
        QCOMPARE(list.horizontalHeader()->sectionSize(0), Px(TMainFormLayout::kNameColumnWidth));
        QCOMPARE(list.horizontalHeader()->sectionSize(1), Px(TMainFormLayout::kSizeColumnWidth));
        QVERIFY(list.verticalHeader()->isHidden());
        QCOMPARE(list.selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(list.selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(list.editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(list.accessibleName(), U("Содержимое карты памяти"));

        // The two groups: the list's fills the space above the status group at the bottom.
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.GroupBox2().title(), U("Содержимое карты памяти"));
        QCOMPARE(w.GroupBox1().title(), U("Информация о карте памяти"));
        QCOMPARE(w.GroupBox1().height(), Px(TMainFormLayout::kStatusGroupHeight));
        const QRect client = w.centralWidget()->rect();
        QCOMPARE(w.GroupBox1().geometry().bottom(), client.bottom());
        QCOMPARE(w.GroupBox2().geometry().top(), client.top());
        QCOMPARE(w.GroupBox2().geometry().bottom() + 1, w.GroupBox1().geometry().top());
        QVERIFY(w.GroupBox2().geometry().contains(list.geometry().translated(w.GroupBox2().pos())));

        // The status line: read-only, placed inside its group, named for assistive technology.
        qtgui::StatusLine& status = w.status();
        QCOMPARE(status.parentWidget(), &w.GroupBox1());
        QCOMPARE(status.geometry(), QRect(Px(8), Px(16), Px(444), Px(21)));
        QVERIFY(status.isReadOnly());
        QCOMPARE(status.accessibleName(), U("Информация о карте памяти"));

        // Tab goes from the list to the status line.
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        list.setFocus();
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), static_cast<QWidget*>(&list), kWaitMs);
        QTest::keyClick(&list, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(&status));

        // F10 takes the keyboard to the menu bar at "Файл" from whichever control has the
        // focus, as Alt does; Down opens the menu.
        QMenu& file = *w.MenuAction("N1")->menu();
        QTest::keyClick(&status, Qt::Key_F10);
        QTRY_COMPARE_WITH_TIMEOUT(w.menuBar()->activeAction(), w.MenuAction("N1"), kWaitMs);
        QVERIFY(!file.isVisible());
        QTest::keyClick(w.menuBar(), Qt::Key_Down);
        QTRY_VERIFY_WITH_TIMEOUT(file.isVisible(), kWaitMs);
        QTest::keyClick(&file, Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(!file.isVisible(), kWaitMs);
        QTest::keyClick(w.menuBar(), Qt::Key_Escape);
        QVERIFY(s.script.unexpected.empty());
    }

    void homeAndEndGoToTheFirstAndLastBookWithItsNameCurrent() {
        Session s;
        QVERIFY(s.StartedOn({1, 2, 3}));
        qtgui::MainWindow& w = s.window();
        qtgui::BookList& list = w.books();
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        list.setFocus();
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), static_cast<QWidget*>(&list), kWaitMs);
        // The last steps leave the list after End for the status line and come back into it.
        const struct { Qt::Key key; Qt::KeyboardModifiers modifiers; int row; } steps[] = {
            {Qt::Key_End, {}, 2},   {Qt::Key_Home, {}, 0},     {Qt::Key_End, Qt::ControlModifier, 2},
            {Qt::Key_Home, Qt::ControlModifier, 0}, {Qt::Key_Right, {}, 0}, {Qt::Key_End, {}, 2},
            {Qt::Key_Tab, {}, 2},   {Qt::Key_Tab, {}, 2}};
        for (const auto& [key, modifiers, row] : steps) {
            QTest::keyClick(QApplication::focusWidget(), key, modifiers);
            QCOMPARE(list.currentIndex(), list.model()->index(row, 0));
            QCOMPARE(list.SelectedRow(), row);
        }
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(&list));
    }

    void theFirstStartAsksForTheCardAndThenAboutIntegration() {
        Session s;
        s.MakeBooks({1});
        s.SetFreeMegabytes(100);
        s.test.drives.drives = {"/media/CARD", A("/media/карта")};
        ModalScript& script = s.script;
        script.ChooseCard(Q(s.card()), true);
        script.PressAndGrab(QMessageBox::No, "integration-question");
        s.Start();
        QVERIFY(s.WaitStarted());
        QTRY_VERIFY_WITH_TIMEOUT(script.Finished(), kWaitMs);
        QVERIFY2(script.unexpected.empty(), qPrintable(script.unexpected.join("; ")));
        QCOMPARE(script.seen.size(), std::size_t{2});
        QCOMPARE(script.seen[0].className, QString("qtgui::CardSelectDialog"));
        QCOMPARE(script.seen[0].title, U("Выбор карты памяти"));
        QCOMPARE(script.seen[0].buttons, QStringList({U("0 книг, /media/CARD"), U("0 книг, /media/карта")}));
        QCOMPARE(script.seen[0].text, QString());  // the field starts empty
        const qttest::ModalSeen& question = script.seen[1];
        QCOMPARE(question.title, U("Интеграция с файловым менеджером"));
        QCOMPARE(question.text, U("Добавить приложение в контекстное меню файлового менеджера?"));
        QCOMPARE(question.icon, QMessageBox::Question);
        QCOMPARE(question.buttons, qttest::QuestionButtons());
        QCOMPARE(question.defaultButton, U("Да"));
        QCOMPARE(s.Rows(), QStringList({U("Автор - T1")}));
        QCOMPARE(SettingsText(s), Q("CARD_PATH=" + s.card() + "\r\nIS_ASKED_FOR_INTEGRATION=YES\r\n"));
        QVERIFY(!s.application.EndRequested());
    }

    void cancellingTheFirstChoiceEndsTheProgram() {
        Session s;
        ModalScript& script = s.script;
        script.ChooseCard(QString(), false);
        s.Start();
        QTRY_VERIFY_WITH_TIMEOUT(s.ended, kWaitMs);
        QCOMPARE(script.seen.size(), std::size_t{1});
        QVERIFY(script.unexpected.empty());
        QVERIFY(!testsupport::Exists(s.settingsFile()));
        QVERIFY(s.Rows().isEmpty());
        QCOMPARE(s.Status(), QString());  // no scan happened
    }

    void blankCardInputAsksAgain() {
        Session s;
        s.StoreSettings({"CARD_PATH=", "IS_ASKED_FOR_INTEGRATION=YES"});
        s.MakeBooks({1, 2});
        ModalScript& script = s.script;
        script.ChooseCard("   ", true);
        script.Press(QMessageBox::Ok);
        script.ChooseCard(Q(s.card()), true);
        s.Start();
        QVERIFY(s.WaitStarted());
        QTRY_VERIFY_WITH_TIMEOUT(script.Finished(), kWaitMs);
        QVERIFY(script.unexpected.empty());
        QCOMPARE(script.seen.size(), std::size_t{3});
        QCOMPARE(script.seen[1].title, U("Выбор карты памяти"));
        QCOMPARE(script.seen[1].text, U("Необходимо указать карту памяти"));
        QCOMPARE(script.seen[1].icon, QMessageBox::Warning);
        QCOMPARE(script.seen[1].buttons, QStringList({"OK"}));
        QCOMPARE(script.seen[2].text, QString("   "));  // the field keeps what it held
        QCOMPARE(s.Rows().size(), 2);
        QCOMPARE(SettingsText(s), Q("CARD_PATH=" + s.card() + "\r\nIS_ASKED_FOR_INTEGRATION=YES\r\n"));
    }

    void enterOpensTheFileDialog() {
        Session s;
        s.MakeBooks({1});
        s.StoreCard();
        const std::string pick = s.dir / "pick";
        for (const char* name : {"a.ydr", "B.YDR", "c.rar", "D.RAR", "e.txt", "f.ydr.bak"}) {
            testsupport::WriteFile(pick + "/" + name, "x");
        }
        s.Start();
        QVERIFY(s.WaitStarted());
        qtgui::BookList& list = s.window().books();

        // The first showing: what the dialog offers and which files its filter shows.
        ModalScript& script = s.script;
        QStringList shown;
        QString filterShown;
        QFileDialog::FileMode mode = QFileDialog::Directory;
        script.Then([&](QWidget& modal) {
            script.seen.push_back(qttest::Describe(modal));
            auto* dialog = qobject_cast<QFileDialog*>(&modal);
            if (dialog == nullptr) return;
            mode = dialog->fileMode();
            if (auto* types = dialog->findChild<QComboBox*>("fileTypeCombo")) filterShown = types->currentText();
            dialog->setDirectory(Q(pick));
            auto* view = dialog->findChild<QListView*>("listView");
            const bool listed = QTest::qWaitFor([&] {
                shown.clear();
                const QModelIndex root = view->rootIndex();
                for (int row = 0; row < view->model()->rowCount(root); ++row) {
                    shown << view->model()->index(row, 0, root).data().toString();
                }
                return shown.size() >= 4;
            }, kWaitMs);
            if (!listed) shown << "(the folder was not listed in time)";
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        script.OpenFile(QString());
        script.OpenFile(QString());

        // The list's own handling of Enter goes on: it activates the current row.
        list.setCurrentCell(0, 0);
        QSignalSpy activated(&list, &QTableWidget::activated);
        QTest::keyClick(&list, Qt::Key_Return);
        QTest::keyClick(&list, Qt::Key_Return, Qt::ShiftModifier | Qt::ControlModifier);
        QTest::keyClick(&list, Qt::Key_Enter, Qt::KeypadModifier);
        QTRY_VERIFY_WITH_TIMEOUT(script.Finished(), kWaitMs);
        QTest::keyClick(&list, Qt::Key_A);
        QVERIFY(qttest::Settle());

        QVERIFY2(script.unexpected.empty(), qPrintable(script.unexpected.join("; ")));
        QCOMPARE(script.seen.size(), std::size_t{3});
        for (const qttest::ModalSeen& seen : script.seen) QCOMPARE(seen.className, QString("QFileDialog"));
        QCOMPARE(filterShown, U("ZWQ-книга (*.ydr, *.rar, *.zip, *.7z, ncc.html, *.opf)"));
        QCOMPARE(mode, QFileDialog::AnyFile);
        shown.sort(Qt::CaseInsensitive);
        QCOMPARE(shown, QStringList({"a.ydr", "B.YDR", "c.rar", "D.RAR"}));
        QCOMPARE(activated.count(), 3);
        QCOMPARE(s.Slots().size(), std::size_t{1});
    }

    void deleteActsOnTheCurrentRowAndTellsTheOutcome() {
        Session s;
        s.MakeBooks({1, 2, 3});
        s.StoreCard();
        s.SetFreeMegabytes(100);
        s.Start();
        QVERIFY(s.WaitStarted());
        qtgui::BookList& list = s.window().books();
        ModalScript& script = s.script;

        // Without touching the arrows Delete asks about the first book; Ctrl with a click or
        // the space bar cannot leave the list without its current row.
        script.Press(QMessageBox::No);
        QTest::keyClick(&list, Qt::Key_Delete);
        QTRY_VERIFY_WITH_TIMEOUT(script.Finished(), kWaitMs);
        QCOMPARE(script.seen.at(0).text, U("Вы действительно хотите удалить книгу ") + s.Rows()[0] + U(" с карты памяти"));
        QTest::keyClick(&list, Qt::Key_Space, Qt::ControlModifier);
        QCOMPARE(list.SelectedRow(), 0);
        QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier,
                          list.visualItemRect(list.item(0, 0)).center());
        QCOMPARE(list.SelectedRow(), 0);
        script.seen.clear();

        const int row = RowOf(s, U("Автор - T2"));
        ClickRow(list, row);
        QCOMPARE(list.SelectedRow(), row);
        script.Press(QMessageBox::No);
        script.Escape();
        QTest::keyClick(&list, Qt::Key_Delete);
        QTest::keyClick(&list, Qt::Key_Delete, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(script.Finished(), kWaitMs);
        QCOMPARE(script.seen.size(), std::size_t{2});
        QCOMPARE(script.seen[0].title, U("Удаление книги"));
        QCOMPARE(script.seen[0].text, U("Вы действительно хотите удалить книгу Автор - T2 с карты памяти"));
        QCOMPARE(script.seen[0].icon, QMessageBox::Question);
        QCOMPARE(script.seen[0].buttons, qttest::QuestionButtons());
        QCOMPARE(s.Slots().size(), std::size_t{3});
        QCOMPARE(list.SelectedRow(), row);  // refused: no refresh

        script.Press(QMessageBox::Yes);
        script.Press(QMessageBox::Ok);
        QTest::keyClick(&list, Qt::Key_Delete, Qt::ShiftModifier);
        QTRY_VERIFY_WITH_TIMEOUT(script.Finished(), kWaitMs);
        QVERIFY(script.unexpected.empty());
        QCOMPARE(script.seen.at(3).text, U("Книга Автор - T2 удалена с карты памяти"));
        QCOMPARE(script.seen.at(3).icon, QMessageBox::Information);
        QCOMPARE(s.Slots(), (std::map<int, std::string>{{1, "T1"}, {2, "T3"}}));
        QCOMPARE(s.Rows().size(), 2);
        QCOMPARE(list.SelectedRow(), std::min(row, 1));  // the book now in its place
        QCOMPARE(s.Status(), U("Записано книг: 2, общим объемом 2 Мб. Свободно 100 Мб."));
    }

    void checkTheCardThroughTheMenu() {
        Session s;
        s.MakeBooks({1, 3});
        s.StoreCard();
        ModalScript& script = s.script;
        script.Press(QMessageBox::No);  // the offer after the start-up's scan saw a gap
        s.Start();
        QVERIFY(s.WaitStarted());
        QTRY_VERIFY_WITH_TIMEOUT(script.Finished(), kWaitMs);
        script.Press(QMessageBox::Yes);
        script.PressAndGrab(QMessageBox::Ok, "card-check");
        QCOMPARE(qttest::ChooseMenuItem(s.window(), "N1", "N10"), QString());
        QTRY_VERIFY_WITH_TIMEOUT(script.Finished(), kWaitMs);
        QVERIFY2(script.unexpected.empty(), qPrintable(script.unexpected.join("; ")));
        QCOMPARE(script.seen.size(), std::size_t{3});
        for (const qttest::ModalSeen& seen : script.seen) QCOMPARE(seen.title, U("Проверка карты памяти"));
        QCOMPARE(script.seen[1].icon, QMessageBox::Question);
        QCOMPARE(script.seen[2].icon, QMessageBox::Information);
        QVERIFY(script.seen[2].text.endsWith(U("Карта памяти в порядке.")));
        QCOMPARE(s.Slots(), (std::map<int, std::string>{{1, "T1"}, {2, "T3"}}));
        QCOMPARE(s.Rows(), QStringList({U("Автор - T1"), U("Автор - T3")}));
    }

    void writeAndDeleteThroughTheMenus() {
        Session s;
        s.MakeBooks({1});
        s.StoreCard();
        s.SetFreeMegabytes(100);
        s.Start();
        QVERIFY(s.WaitStarted());
        const std::string source = s.Source("new", A("Новая"));

        ModalScript& script = s.script;
        script.OpenFile(Q(source));
        script.Press(QMessageBox::Ok);
        QCOMPARE(qttest::ChooseMenuItem(s.window(), "N1", "N4"), QString());
        QTRY_VERIFY_WITH_TIMEOUT(script.Finished(), kWaitMs);
        QVERIFY2(script.unexpected.empty(), qPrintable(script.unexpected.join("; ")));
        QCOMPARE(script.seen.size(), std::size_t{2});
        QCOMPARE(script.seen[0].className, QString("QFileDialog"));
        QCOMPARE(script.seen[1].title, U("Запись книги на карту памяти"));
        QCOMPARE(script.seen[1].text, U("Книга Автор - Новая успешно записана на карту памяти"));
        QCOMPARE(script.seen[1].icon, QMessageBox::Information);
        QCOMPARE(script.seen[1].buttons, QStringList({"OK"}));
        QCOMPARE(s.Slots(), (std::map<int, std::string>{{1, "T1"}, {2, A("Новая")}}));
        QVERIFY(s.Rows().contains(U("Автор - Новая")));
        QCOMPARE(s.Status(), U("Записано книг: 2, общим объемом 3 Мб. Свободно 100 Мб."));

        QCOMPARE(s.window().books().CellText(s.window().books().currentRow(), 0), U("Автор - Новая"));  // the new book is current

        ClickRow(s.window().books(), RowOf(s, U("Автор - T1")));
        script.Press(QMessageBox::Yes);
        script.Press(QMessageBox::Ok);
        QCOMPARE(qttest::ChooseMenuItem(s.window(), "N1", "Delete1"), QString());
        QTRY_VERIFY_WITH_TIMEOUT(script.Finished(), kWaitMs);
        QVERIFY(script.unexpected.empty());
        QCOMPARE(script.seen.size(), std::size_t{4});
        QCOMPARE(script.seen[2].text, U("Вы действительно хотите удалить книгу Автор - T1 с карты памяти"));
        QCOMPARE(script.seen[3].text, U("Книга Автор - T1 удалена с карты памяти"));
        QCOMPARE(s.Slots(), (std::map<int, std::string>{{1, A("Новая")}}));
        QCOMPARE(s.Rows(), QStringList({U("Автор - Новая")}));
        QCOMPARE(s.window().books().SelectedRow(), 0);
    }

    void aFailedWriteNamesTheFileAndTheReason() {
        Session s;
        s.StoreCard();
        s.SetFreeMegabytes(100);
        s.Start();
        QVERIFY(s.WaitStarted());
        const QString missing = Q(s.dir / "nowhere/BOOK_001.ydr");
        ModalScript& script = s.script;
        script.OpenFile(missing);  // typed: a name that does not exist is passed on
        script.Press(QMessageBox::Ok);
        QTest::keyClick(&s.window().books(), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(script.Finished(), kWaitMs);
        QVERIFY(script.unexpected.empty());
        QCOMPARE(script.seen.size(), std::size_t{2});
        QCOMPARE(script.seen[1].title, U("Запись книги на карту памяти"));
        QCOMPARE(script.seen[1].icon, QMessageBox::Critical);
        QVERIFY2(script.seen[1].text.startsWith(U("Во время записи книги ") + missing + U(" произошла ошибка\n")),
                 qPrintable(script.seen[1].text));
        QVERIFY(s.Slots().empty());
    }

    void anotherCardThroughTheMenu() {
        Session s;
        QVERIFY(s.StartedOn({1}));
        const std::string other = s.dir / "other card";
        testsupport::MakeCardBook(other, 1, "O1", {"1.mp3"});
        testsupport::MakeCardBook(other, 2, "O2", {"1.mp3"});

        ModalScript& script = s.script;
        script.ChooseCard(QString(), false);
        QCOMPARE(qttest::ChooseMenuItem(s.window(), "N5", "N6"), QString());
        QTRY_VERIFY_WITH_TIMEOUT(script.Finished(), kWaitMs);
        QCOMPARE(script.seen.at(0).text, Q(s.card()));  // the field shows the card in use
        QCOMPARE(s.Rows(), QStringList({U("Автор - T1")}));

        script.ChooseCard(Q(other), true);
        QCOMPARE(qttest::ChooseMenuItem(s.window(), "N5", "N6"), QString());
        QTRY_VERIFY_WITH_TIMEOUT(script.Finished(), kWaitMs);
        QVERIFY(script.unexpected.empty());
        QCOMPARE(s.Rows().size(), 2);
        QCOMPARE(SettingsText(s), Q("CARD_PATH=" + other + "\r\nIS_ASKED_FOR_INTEGRATION=YES\r\n"));
    }

    // Volumes' changes posted as the watcher posts them: the window follows; Ctrl+E ejects.
    void theCardComingAndGoingIsShownAndHeard() {
        Session s;
        s.MakeBooks({1, 2});
        s.StoreCard();
        s.test.drives.drives = {s.card()};
        s.test.drives.uuids = {{s.card(), "1234-ABCD"}};
        s.Start();
        QVERIFY(s.WaitStarted());
        for (const auto& [drives, rows, heard] : {std::tuple{std::vector<std::string>{}, 0, "Карта памяти отключена"},
                                                  std::tuple{std::vector{s.card()}, 2, "Карта памяти подключена: 2 книги"}}) {
            s.test.drives.drives = drives;
            qtgui::MainWindow* window = &s.window();
            QMetaObject::invokeMethod(window, [window] { window->DrivesChanged(); }, Qt::QueuedConnection);
            QVERIFY(qttest::Settle());
            QCOMPARE(s.Rows().size(), rows);
            QCOMPARE(s.window().announcement().text(), U(heard));
        }
        s.script.Press(QMessageBox::Ok);
        QTest::keyClick(&s.window().books(), Qt::Key_E, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(s.script.Finished(), kWaitMs);
        QCOMPARE(s.script.seen.at(0).text, U("Карту памяти можно извлечь."));
        QCOMPARE(s.Status(), U("Карта памяти не подключена"));
    }

    void integrationAboutAndExit() {
        Session s;
        s.StoreCard();
        s.Start();
        QVERIFY(s.WaitStarted());
        QAction& n9 = *s.window().MenuAction("N9");
        ModalScript& script = s.script;
        QCOMPARE(n9.text(), U("Интегрировать в файловый менеджер"));
        script.Press(QMessageBox::Ok);
        QCOMPARE(qttest::ChooseMenuItem(s.window(), "N5", "N9"), QString());
        QTRY_VERIFY_WITH_TIMEOUT(script.Finished(), kWaitMs);
        QCOMPARE(n9.text(), U("Удалить интеграцию из файлового менеджера"));
        QVERIFY(s.front().form().Integration().IsExplorerIntegrated());
        script.Press(QMessageBox::Ok);
        QCOMPARE(qttest::ChooseMenuItem(s.window(), "N5", "N9"), QString());
        QTRY_VERIFY_WITH_TIMEOUT(script.Finished(), kWaitMs);
        QCOMPARE(n9.text(), U("Интегрировать в файловый менеджер"));
        QCOMPARE(script.seen.size(), std::size_t{2});
        QCOMPARE(script.seen[0].text, U("Интеграция с файловым менеджером включена"));
        QCOMPARE(script.seen[1].text, U("Интеграция с файловым менеджером выключена"));
        QCOMPARE(script.seen[1].title, U("Интеграция с файловым менеджером"));
        QCOMPARE(script.seen[1].icon, QMessageBox::Information);
        script.seen.clear();

        script.Press(QMessageBox::Ok);
        QCOMPARE(qttest::ChooseMenuItem(s.window(), "N7", "N8"), QString());
        QTRY_VERIFY_WITH_TIMEOUT(script.Finished(), kWaitMs);
        QCOMPARE(script.seen.size(), std::size_t{1});
        QCOMPARE(script.seen[0].title, U("ZWQ-менеджер О программе"));
        QCOMPARE(script.seen[0].icon, QMessageBox::Information);
        const QString address = Q(MainFormTexts().makerAddress);
        QCOMPARE(script.seen[0].text, U("ZWQ-менеджер " ZWQ_VERSION_TEXT " - ") + address +
                                          U("\nПрограмма ZWQ-менеджер предназначена\nдля упрощения записи и "
                                            "удаления книг\nс карты памяти для тифлофлешплеера\n\nДополнительная "
                                            "информация и каталог\nZWQ-книг на сайте ") +
                                          address);

        QVERIFY(!s.ended);
        QCOMPARE(qttest::ChooseMenuItem(s.window(), "N1", "N3"), QString());
        QTRY_VERIFY_WITH_TIMEOUT(s.ended, kWaitMs);
        QVERIFY(!s.window().isVisible());
        QVERIFY(script.unexpected.empty());
    }

    void theCloseBoxEndsTheProgram() {
        Session s;
        s.StoreCard();
        s.Start();
        QVERIFY(s.WaitStarted());
        s.window().close();
        QTRY_VERIFY_WITH_TIMEOUT(s.ended, kWaitMs);
    }

private:
    QTranslator translator_;
};

QTEST_MAIN(MainWindowTest)
#include "Qtwindowtest.moc"

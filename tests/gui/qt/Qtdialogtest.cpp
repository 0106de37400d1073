// The message boxes and the card-selection dialog on their own: what they show, how they are
// answered with the mouse and the keyboard, and what they return to the window logic.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTranslator>

#include "Cardselectdialog.h"
#include "Newbookdialog.h"
#include "Qtharness.h"
#include "Qtmessageboxes.h"
#include "settings/Cardselectunit.h"

using qttest::kWaitMs;
using qttest::ModalScript;
using qttest::Px;
using qttest::Q;
using qttest::U;
using testsupport::A;

namespace {

QRect PxRect(int left, int top, int width, int height) { return QRect(Px(left), Px(top), Px(width), Px(height)); }

// Shows a box through the program's interface while the script answers it.
int Show(qtgui::QtMessageBoxes& boxes, ModalScript& script, unsigned flags, const char* text = "Текст") {
    const int result = boxes.ShowMessage(A(text), A("Заголовок"), flags);
    [&] { QTRY_VERIFY_WITH_TIMEOUT(script.Finished(), kWaitMs); }();
    return result;
}

}  // namespace

class DialogTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qtgui::PrepareApplication(*qApp, translator_); }

    void questionBoxAnswers() {
        QWidget owner;
        owner.show();
        qtgui::QtMessageBoxes boxes(owner);
        ModalScript script;
        constexpr unsigned kQuestion = 0x23;
        script.Press(QMessageBox::Yes);
        QCOMPARE(Show(boxes, script, kQuestion), 6);
        script.Press(QMessageBox::No);
        QCOMPARE(Show(boxes, script, kQuestion), 7);
        script.Press(QMessageBox::Cancel);
        QCOMPARE(Show(boxes, script, kQuestion), 2);
        script.Escape();
        QCOMPARE(Show(boxes, script, kQuestion), 2);
        // The close box of the window.
        script.Then([&script](QWidget& modal) {
            script.seen.push_back(qttest::Describe(modal));
            modal.close();
        });
        QCOMPARE(Show(boxes, script, kQuestion), 2);
        // Enter takes the default button, Yes.
        script.Then([&script](QWidget& modal) {
            script.seen.push_back(qttest::Describe(modal));
            QTest::keyClick(&modal, Qt::Key_Return);
        });
        QCOMPARE(Show(boxes, script, kQuestion), 6);
        QVERIFY(script.unexpected.empty());
        for (const qttest::ModalSeen& seen : script.seen) {
            QCOMPARE(seen.className, QString("QMessageBox"));
            QCOMPARE(seen.title, U("Заголовок"));
            QCOMPARE(seen.text, U("Текст"));
            QCOMPARE(seen.icon, QMessageBox::Question);
            QCOMPARE(seen.buttons, qttest::QuestionButtons());
            QCOMPARE(seen.defaultButton, U("Да"));
        }
    }

    void boxesWithOneButton() {
        QWidget owner;
        owner.show();
        qtgui::QtMessageBoxes boxes(owner);
        ModalScript script;
        const std::pair<unsigned, QMessageBox::Icon> kinds[] = {
            {0x40, QMessageBox::Information},
            {0x30, QMessageBox::Warning},
            {0x10, QMessageBox::Critical},
            {0x00, QMessageBox::NoIcon},
        };
        for (const auto& [flags, icon] : kinds) {
            script.Press(QMessageBox::Ok);
            QCOMPARE(Show(boxes, script, flags), 1);
            QCOMPARE(script.seen.back().icon, icon);
            QCOMPARE(script.seen.back().buttons, QStringList({"OK"}));
            script.Escape();
            QCOMPARE(Show(boxes, script, flags), 1);
        }
        QVERIFY(script.unexpected.empty());
    }

    void aBoxShowsItsTextAsItStands() {
        QWidget owner;
        owner.show();
        qtgui::QtMessageBoxes boxes(owner);
        ModalScript script;
        QWidget* parent = nullptr;
        bool modal = false;
        Qt::TextFormat format = Qt::AutoText;
        script.Then([&](QWidget& box) {
            script.seen.push_back(qttest::Describe(box));
            parent = box.parentWidget();
            modal = box.isModal();
            format = static_cast<QMessageBox&>(box).textFormat();
            QTest::keyClick(&box, Qt::Key_Escape);
        });
        Show(boxes, script, 0x10, "Во время записи книги <b>C:\\a&b</b> произошла ошибка\n<неопределенная ошибка>");
        QCOMPARE(script.seen.at(0).text, U("Во время записи книги <b>C:\\a&b</b> произошла ошибка\n<неопределенная ошибка>"));
        QCOMPARE(format, Qt::PlainText);
        QCOMPARE(parent, &owner);  // owned by the main window
        QVERIFY(modal);
    }

    void cardSelectDialogLayout() {
        qtgui::CardSelectDialog dialog;
        QCOMPARE(dialog.windowTitle(), U("Выбор карты памяти"));
        QCOMPARE(dialog.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
        QCOMPARE(dialog.minimumSize(), QSize(Px(241), Px(123)));
        QCOMPARE(dialog.maximumSize(), QSize(Px(241), Px(123)));
        QCOMPARE(dialog.Label1().text(), U("Выберите папку карты памяти с ZWQ-книгами"));
        QVERIFY(dialog.Label1().wordWrap());
        QCOMPARE(dialog.Label1().geometry(), PxRect(16, 16, 209, 41));
        QCOMPARE(dialog.ComboBox1().geometry(), PxRect(16, 56, 209, 21));
        QVERIFY(dialog.ComboBox1().isEditable());
        QCOMPARE(dialog.ComboBox1().accessibleName(), dialog.Label1().text());
        QCOMPARE(dialog.BitBtn1().text(), QString("OK"));
        QVERIFY(dialog.BitBtn1().isDefault());
        QCOMPARE(dialog.BitBtn1().geometry(), PxRect(24, 88, 81, 25));
        QCOMPARE(dialog.BitBtn2().text(), U("Отмена"));
        QCOMPARE(dialog.BitBtn2().geometry(), PxRect(128, 88, 83, 25));

        // Tab order: the field, OK, Отмена.
        ModalScript script;
        QList<QWidget*> order;
        script.Then([&](QWidget& modal) {
            qttest::SaveArtifact(modal, "card-select-dialog");
            for (int i = 0; i < 3; ++i) {
                QWidget* focus = QApplication::focusWidget();
                order << focus;
                QTest::keyClick(focus, Qt::Key_Tab);
            }
            QTest::keyClick(&modal, Qt::Key_Escape);
        });
        QCOMPARE(dialog.ShowModal(), 2);
        QCOMPARE(order.size(), 3);
        QVERIFY(order[0] == &dialog.ComboBox1() || order[0] == dialog.ComboBox1().lineEdit());
        QCOMPARE(order[1], static_cast<QWidget*>(&dialog.BitBtn1()));
        QCOMPARE(order[2], static_cast<QWidget*>(&dialog.BitBtn2()));
    }

    void newBookDialogShowsEditsAndAnswers() {
        qtgui::NewBookDialog dialog;
        QCOMPARE(dialog.windowTitle(), U("Новая книга"));
        QCOMPARE(dialog.Author().accessibleName(), U("Автор"));
        QCOMPARE(dialog.Title().accessibleName(), U("Название"));
        QCOMPARE(dialog.Announcer().accessibleName(), U("Чтец"));
        QCOMPARE(dialog.Write().text(), U("Записать"));
        QVERIFY(dialog.Write().isDefault());
        QCOMPARE(dialog.Cancel().text(), U("Отмена"));
        TNewBookForm form;
        form.author = "Лев Толстой";
        form.title = "Ĉu vi parolas";  // outside Windows-1251, kept as it is
        form.summary = A("2 файла, 5 мин, 1 Мб");
        form.leftOut = A("Не MP3, не записываются: cover.jpg");

        // Shown as found; the title typed over, Tab to the announcer, Enter writes.
        ModalScript script;
        QList<QWidget*> order;
        script.Then([&](QWidget& modal) {
            qttest::SaveArtifact(modal, "new-book-dialog");
            QCOMPARE(dialog.Author().text(), U("Лев Толстой"));
            QCOMPARE(dialog.Summary().text(), U("2 файла, 5 мин, 1 Мб"));
            QCOMPARE(dialog.Summary().accessibleName(), U("2 файла, 5 мин, 1 Мб"));
            QVERIFY(dialog.LeftOut().isVisible());
            for (int i = 0; i < 7; ++i) {
                order << QApplication::focusWidget();
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            }
            QCOMPARE(QApplication::focusWidget(), &dialog.Author());  // round to the first field
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            // QTest types ASCII only: the Cyrillic text goes in as the field's input would.
            QCOMPARE(QApplication::focusWidget(), &dialog.Title());
            dialog.Title().setText(U("Детство"));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), &dialog.Announcer());
            dialog.Announcer().insert(U("Иванов"));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        });
        QVERIFY(static_cast<ui::INewBookDialog&>(dialog).Execute(form));
        QCOMPARE(order, QList<QWidget*>({&dialog.Author(), &dialog.Title(), &dialog.Announcer(), &dialog.Summary(),
                                         &dialog.LeftOut(), &dialog.Write(), &dialog.Cancel()}));
        QCOMPARE(QString::fromStdString(form.title), U("Детство"));
        QCOMPARE(QString::fromStdString(form.announcer), U("Иванов"));
        QCOMPARE(QString::fromStdString(form.author), U("Лев Толстой"));

        // Esc is Отмена; the form keeps its values.
        form.leftOut.clear();
        script.Escape();
        QVERIFY(!static_cast<ui::INewBookDialog&>(dialog).Execute(form));
        QCOMPARE(QString::fromStdString(form.title), U("Детство"));
        QVERIFY(!dialog.LeftOut().isVisible());
    }

    void cardSelectDialogAnswers() {
        qtgui::CardSelectDialog dialog;
        ICardSelectView& view = dialog;
        view.ClearDrives();
        view.AddDrive("/media/A");
        view.AddDrive(A("/media/Б"));
        view.SetText(A("/mnt/карта"));
        QCOMPARE(dialog.ComboBox1().count(), 2);
        QCOMPARE(dialog.ComboBox1().itemText(1), U("/media/Б"));
        QCOMPARE(view.Text(), A("/mnt/карта"));

        ModalScript script;
        // Enter in the field is OK; the text typed is the answer, not added to the list.
        script.ChooseCard(U(" /media/новая "), true);
        QCOMPARE(view.ShowModal(), 1);
        QCOMPARE(view.Text(), A(" /media/новая "));
        QCOMPARE(dialog.ComboBox1().count(), 2);
        // A drive picked from the list with the arrow keys, then the OK button.
        script.Then([&](QWidget&) {
            QComboBox& combo = dialog.ComboBox1();
            for (int i = 0; i < combo.count() && combo.currentText() != U("/media/Б"); ++i) {
                QTest::keyClick(&combo, Qt::Key_Down);
            }
            QTest::mouseClick(&dialog.BitBtn1(), Qt::LeftButton);
        });
        QCOMPARE(view.ShowModal(), 1);
        QCOMPARE(view.Text(), A("/media/Б"));
        // Esc, Отмена and the close box cancel.
        script.Escape();
        QCOMPARE(view.ShowModal(), 2);
        script.ChooseCard(QString(), false);
        QCOMPARE(view.ShowModal(), 2);
        script.Then([](QWidget& modal) { modal.close(); });
        QCOMPARE(view.ShowModal(), 2);
        QVERIFY(script.unexpected.empty());

        view.ClearDrives();
        QCOMPARE(dialog.ComboBox1().count(), 0);
    }

    void theChoiceOffersEachCardByEarAndRefusesWhatIsNoFolder() {
        testsupport::TempDir dir;
        testsupport::TestPlatform test(dir);
        const std::string card = dir / "media/CARD";
        const std::string empty = dir / "media/usb";
        const std::string missing = dir / "media/gone";
        testsupport::MakeCardBook(card, 1, "T1", {"1.mp3"});
        testsupport::MakeCardBook(card, 2, "T2", {"1.mp3"});
        testsupport::MakeDirs(empty);
        test.drives.drives = {card, empty};
        test.drives.labels[card] = A("Книги");
        qtgui::CardSelectDialog dialog;
        QWidget owner;
        qtgui::QtMessageBoxes boxes(owner);
        TCardSelectForm form(dialog, test.platform, boxes);

        ModalScript script;
        script.ChooseCard("  ", true);
        script.Press(QMessageBox::Ok);
        script.ChooseCard(Q(missing), true);
        script.Press(QMessageBox::Ok);
        // The field kept the refused text; the card is then taken from the list with the arrows.
        script.Then([&](QWidget&) {
            qttest::ModalSeen field;
            field.text = dialog.ComboBox1().currentText();
            script.seen.push_back(field);
            // Down and Up: the field shows the first drive of the list.
            QComboBox& combo = dialog.ComboBox1();
            QTest::keyClick(&combo, Qt::Key_Down);
            QTest::keyClick(&combo, Qt::Key_Up);
            QTest::keyClick(combo.lineEdit(), Qt::Key_Return);
        });
        std::string cardPath = "/old";
        QVERIFY(form.Choose(cardPath));
        QTRY_VERIFY_WITH_TIMEOUT(script.Finished(), kWaitMs);
        QVERIFY(script.unexpected.empty());
        QCOMPARE(cardPath, card);
        QCOMPARE(dialog.Label1().text(), U("Выберите папку карты памяти с ZWQ-книгами"));
        QCOMPARE(script.seen.size(), std::size_t{5});
        QCOMPARE(script.seen[0].buttons, QStringList({U("Книги, 2 книги, ") + Q(card), U("0 книг, ") + Q(empty)}));
        QCOMPARE(script.seen[0].text, QString("/old"));
        QCOMPARE(script.seen[1].text, U("Необходимо указать карту памяти"));
        QCOMPARE(script.seen[3].title, U("Выбор карты памяти"));
        QCOMPARE(script.seen[3].text, U("Папка не найдена: ") + Q(missing));
        QCOMPARE(script.seen[3].icon, QMessageBox::Warning);
        QCOMPARE(script.seen[4].text, Q(missing));
    }

private:
    QTranslator translator_;
};

QTEST_MAIN(DialogTest)
#include "Qtdialogtest.moc"

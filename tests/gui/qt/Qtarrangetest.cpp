// Arranging the books in the main window: Ctrl+Down and Ctrl+Up move the current book, which
// stays the current row; "Перемещение книги", "Упорядочить книги" and "Описание книги" open
// from their keys and items, every control named for a screen reader.
#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTranslator>

#include "Qtharness.h"

using qttest::kWaitMs;
using qttest::ModalScript;
using qttest::Session;
using qttest::U;

namespace {

// The controls of a dialog the keyboard reaches, each with the name a screen reader says.
QStringList NamedControls(QWidget& dialog) {
    QStringList names;
    for (QWidget* child : dialog.findChildren<QWidget*>()) {
        if (!child->isVisible() || child->focusPolicy() == Qt::NoFocus || child->focusProxy() != nullptr) continue;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(child);
        names << (accessible != nullptr ? accessible->text(QAccessible::Name) : QString());
    }
    return names;
}

QString DefaultButton(QWidget& dialog) {
    for (const QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (button->isDefault()) return button->text();
    }
    return {};
}

}  // namespace

class ArrangeTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qtgui::PrepareApplication(*qApp, translator_); }

    void ctrlArrowsMoveTheCurrentBookWhichStaysCurrent() {
        Session s;
        QVERIFY(s.StartedOn({1, 2, 3}));
        qtgui::BookList& list = s.window().books();
        list.SelectRow(0);
        const QString first = s.Rows()[0];
        const struct {
            Qt::Key key;
            int row;
        } steps[] = {{Qt::Key_Down, 1}, {Qt::Key_Down, 2}, {Qt::Key_Down, 2}, {Qt::Key_Up, 1}};
        for (const auto& step : steps) {
            QTest::keyClick(&list, step.key, Qt::ControlModifier);
            QTRY_COMPARE_WITH_TIMEOUT(s.Rows().indexOf(first), step.row, kWaitMs);
            QVERIFY(qttest::Settle());
            QCOMPARE(list.SelectedRow(), step.row);
            QCOMPARE(list.currentRow(), step.row);
            QCOMPARE(static_cast<int>(s.Slots().size()), 3);
            QCOMPARE(U("Автор - ") + qttest::Q(s.Slots().at(step.row + 1)), first);
        }
        QVERIFY2(s.script.unexpected.empty(), qPrintable(s.script.unexpected.join("; ")));
    }

    void theDialogsOpenFromTheirKeysAndItemsWithNamedControls() {
        Session s;
        QVERIFY(s.StartedOn({1, 2, 3}));
        qtgui::BookList& list = s.window().books();
        list.SelectRow(0);
        const QString first = s.Rows()[0];
        ModalScript& script = s.script;
        QStringList titles, defaults, unnamed;
        const auto look = [&](QWidget& modal) {
            titles << modal.windowTitle();
            defaults << DefaultButton(modal);
            for (const QString& name : NamedControls(modal)) {
                if (name.trimmed().isEmpty()) unnamed << modal.windowTitle();
            }
        };
        // Ctrl+M: the book to the last place.
        script.Then([&](QWidget& modal) {
            look(modal);
            QCOMPARE(s.front().placeDialog().Place().value(), 1);
            QCOMPARE(s.front().placeDialog().Place().accessibleName(), U("Место книги (от 1 до 3)"));
            s.front().placeDialog().Place().setValue(3);
            QTest::keyClick(&modal, Qt::Key_Return);
        });
        QTest::keyClick(&list, Qt::Key_M, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(script.Finished(), kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(s.Rows().indexOf(first), 2, kWaitMs);
        QCOMPARE(list.SelectedRow(), 2);

        // F2: the author corrected, the book still current.
        script.Then([&](QWidget& modal) {
            look(modal);
            QLineEdit& author = s.front().namesDialog().Author();
            QCOMPARE(author.text(), U("Автор"));
            author.setText(U("Лев Толстой"));
            QTest::keyClick(&modal, Qt::Key_Return);
        });
        QTest::keyClick(&list, Qt::Key_F2);
        QTRY_VERIFY_WITH_TIMEOUT(script.Finished(), kWaitMs);
        const QString corrected = QString(first).replace(U("Автор"), U("Лев Толстой"));
        QTRY_COMPARE_WITH_TIMEOUT(s.Rows().value(2), corrected, kWaitMs);
        QCOMPARE(list.SelectedRow(), 2);

        // "Упорядочить книги…" from the menu, refused with Esc.
        script.Then([&](QWidget& modal) {
            look(modal);
            QVERIFY(s.front().sortDialog().ByAuthor().isChecked());
            QTest::keyClick(&modal, Qt::Key_Escape);
        });
        QCOMPARE(qttest::ChooseMenuItem(s.window(), "N1", "N16"), QString());
        QTRY_VERIFY_WITH_TIMEOUT(script.Finished(), kWaitMs);

        QCOMPARE(titles, QStringList({U("Перемещение книги"), U("Описание книги"), U("Упорядочить книги")}));
        QCOMPARE(defaults, QStringList({U("Переместить"), U("Сохранить"), U("Упорядочить")}));
        QCOMPARE(unnamed, QStringList());
        QVERIFY2(script.unexpected.empty(), qPrintable(script.unexpected.join("; ")));
    }

private:
    QTranslator translator_;
};

QTEST_MAIN(ArrangeTest)
#include "Qtarrangetest.moc"

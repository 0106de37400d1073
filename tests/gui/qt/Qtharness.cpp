#include "Qtharness.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QTest>

#include <memory>

#include "Cardselectdialog.h"
#include "Progressdialog.h"
#include "card/Zwqcardunit.h"

namespace qttest {
namespace {

constexpr int kPollMs = 20;
constexpr int64_t kMegabyte = 1048576;

QString WithoutMnemonic(QString text) { return text.remove('&'); }

void CloseAnyhow(QWidget& modal) {
    if (auto* box = qobject_cast<QMessageBox*>(&modal)) {
        if (QAbstractButton* escape = box->escapeButton()) {
            escape->click();
            return;
        }
    }
    if (auto* dialog = qobject_cast<QDialog*>(&modal)) {
        dialog->reject();
        return;
    }
    modal.close();
}

}  // namespace

bool Settle() {
    auto ran = std::make_shared<bool>(false);
    QMetaObject::invokeMethod(qApp, [ran] { *ran = true; }, Qt::QueuedConnection);
    return QTest::qWaitFor([ran] { return *ran; }, kWaitMs);
}

void TypeText(QWidget& widget, const QString& text) {
    for (const QChar c : text) {
        QTest::sendKeyEvent(QTest::Click, &widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

ModalSeen Describe(QWidget& modal) {
    ModalSeen seen;
    seen.className = QString::fromLatin1(modal.metaObject()->className());
    seen.title = modal.windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(&modal)) {
        seen.text = box->text();
        seen.icon = box->icon();
        for (QAbstractButton* button : box->buttons()) seen.buttons << WithoutMnemonic(button->text());
        seen.buttons.sort();
        if (QPushButton* byDefault = box->defaultButton()) seen.defaultButton = WithoutMnemonic(byDefault->text());
    }
    return seen;
}

QStringList QuestionButtons() {
    QStringList buttons{U("Да"), U("Нет"), U("Отмена")};
    buttons.sort();
    return buttons;
}

ModalScript::ModalScript() {
    timer_.setInterval(kPollMs);
    connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
    timer_.start();
}

ModalScript::~ModalScript() { timer_.stop(); }

void ModalScript::Poll() {
    if (busy_) return;
    QWidget* modal = QApplication::activeModalWidget();
    // The progress window is not answered: it goes by itself when the work is done.
    if (modal == nullptr || !modal->isVisible() || qobject_cast<qtgui::ProgressDialog*>(modal) != nullptr) return;
    busy_ = true;
    if (steps_.empty()) {
        unexpected << QString::fromLatin1(modal->metaObject()->className()) + ": " + modal->windowTitle();
        CloseAnyhow(*modal);
    } else {
        const Step step = std::move(steps_.front());
        steps_.pop_front();
        step(*modal);
        // A step that found the wrong window leaves it open: it must still go.
        if (modal->isVisible() && QApplication::activeModalWidget() == modal) CloseAnyhow(*modal);
    }
    busy_ = false;
}

bool ModalScript::Finished() const {
    const QWidget* modal = QApplication::activeModalWidget();
    return steps_.empty() &&
           (modal == nullptr || !modal->isVisible() || qobject_cast<const qtgui::ProgressDialog*>(modal) != nullptr);
}

void ModalScript::Press(QMessageBox::StandardButton button) {
    Then([this, button](QWidget& modal) {
        seen.push_back(Describe(modal));
        if (auto* box = qobject_cast<QMessageBox*>(&modal)) {
            if (QAbstractButton* target = box->button(button)) QTest::mouseClick(target, Qt::LeftButton);
        }
    });
}

void ModalScript::Escape() {
    Then([this](QWidget& modal) {
        seen.push_back(Describe(modal));
        QTest::keyClick(&modal, Qt::Key_Escape);
    });
}

void ModalScript::PressAndGrab(QMessageBox::StandardButton button, const QString& artifactName) {
    Then([this, button, artifactName](QWidget& modal) {
        seen.push_back(Describe(modal));
        SaveArtifact(modal, artifactName);
        if (auto* box = qobject_cast<QMessageBox*>(&modal)) {
            if (QAbstractButton* target = box->button(button)) QTest::mouseClick(target, Qt::LeftButton);
        }
    });
}

void ModalScript::ChooseCard(const QString& typed, bool accept) {
    Then([this, typed, accept](QWidget& modal) {
        ModalSeen view = Describe(modal);
        auto* dialog = qobject_cast<qtgui::CardSelectDialog*>(&modal);
        if (dialog == nullptr) {
            seen.push_back(view);
            return;
        }
        QComboBox& combo = dialog->ComboBox1();
        view.text = combo.currentText();
        for (int i = 0; i < combo.count(); ++i) view.buttons << combo.itemText(i);
        seen.push_back(view);
        if (!typed.isNull()) {
            combo.lineEdit()->selectAll();
            QTest::keyClick(combo.lineEdit(), Qt::Key_Delete);
            TypeText(*combo.lineEdit(), typed);
        }
        if (accept) {
            QTest::keyClick(combo.lineEdit(), Qt::Key_Return);
        } else {
            QTest::mouseClick(&dialog->BitBtn2(), Qt::LeftButton);
        }
    });
}

void ModalScript::OpenFile(const QString& name) {
    Then([this, name](QWidget& modal) {
        ModalSeen view = Describe(modal);
        auto* dialog = qobject_cast<QFileDialog*>(&modal);
        if (dialog == nullptr) {
            seen.push_back(view);
            return;
        }
        view.text = dialog->selectedNameFilter();
        seen.push_back(view);
        if (name.isNull()) {
            QTest::keyClick(dialog, Qt::Key_Escape);
            return;
        }
        auto* field = dialog->findChild<QLineEdit*>("fileNameEdit");
        if (field == nullptr) return;
        field->setText(name);
        QTest::keyClick(field, Qt::Key_Return);
    });
}

// ---- Session ----

Session::Session(QStringList arguments)
    : test(dir), application(std::move(arguments), [this] { ended = true; }) {
    testsupport::MakeDirs(card());
}

Session::~Session() {
    if (front_) front_->window().hide();
    front_.reset();
}

void Session::StoreSettings(const std::vector<std::string>& lines) {
    testsupport::WriteFile(settingsFile(), testsupport::Crlf(lines));
}

void Session::StoreCard() { StoreSettings({"CARD_PATH=" + card(), "IS_ASKED_FOR_INTEGRATION=YES"}); }

void Session::MakeBooks(std::initializer_list<int> numbers) {
    for (const int n : numbers) testsupport::MakeCardBook(card(), n, testsupport::Numbered("T", n), {"1.mp3"});
}

std::string Session::Source(const std::string& folder, const std::string& title) {
    return testsupport::MakeSourceBook(dir / ("src/" + folder), "BOOK_001.ydr",
                                       {"#TITLE=" + title, "#AUTHOR=" + testsupport::A("Автор"), "#TOTAL_SIZE_KB=2048"},
                                       {{"01.mp3", title}});
}

void Session::SetFreeMegabytes(int64_t megabytes) {
    test.files.useRealFreeBytes = false;
    test.files.freeBytes = megabytes * kMegabyte;
}

void Session::Build() { front_ = std::make_unique<qtgui::Frontend>(test.platform, application); }

void Session::Start() {
    if (!front_) Build();
    front_->window().show();
}

bool Session::WaitStarted() {
    return QTest::qWaitFor([this] { return !window().status().text().isEmpty() || application.EndRequested(); },
                           kWaitMs);
}

bool Session::StartedOn(std::initializer_list<int> numbers) {
    MakeBooks(numbers);
    StoreCard();
    Start();
    return WaitStarted();
}

QStringList Session::Rows() {
    QStringList rows;
    const qtgui::BookList& list = window().books();
    for (int i = 0; i < list.rowCount(); ++i) rows << list.CellText(i, 0);
    return rows;
}

QStringList Session::Sizes() {
    QStringList sizes;
    const qtgui::BookList& list = window().books();
    for (int i = 0; i < list.rowCount(); ++i) sizes << list.CellText(i, 1);
    return sizes;
}

QString Session::Status() { return window().status().text(); }

std::map<int, std::string> Session::Slots() {
    TMemoryCard model(test.platform);
    model.SetCardPath(card());
    model.Scan();
    std::map<int, std::string> bySlot;
    for (const auto& book : model.Books) bySlot[book->Number] = book->Title;
    return bySlot;
}

// ---- keyboard and pictures ----

QString ChooseMenuItem(qtgui::MainWindow& window, const std::string& menuName, const std::string& itemName) {
    // Keys go to the focus widget of the focus window: after a dialog has closed, the main
    // window gets both back a little later.
    window.activateWindow();
    const bool focused = QTest::qWaitFor(
        [&window] {
            const QWidget* focus = QApplication::focusWidget();
            return QGuiApplication::focusWindow() == window.windowHandle() && focus != nullptr &&
                   focus->window() == &window;
        },
        kWaitMs);
    if (!focused) return "the window did not get the keyboard focus";
    QMenuBar* bar = window.menuBar();
    QAction* menuAction = window.MenuAction(menuName);
    QAction* itemAction = window.MenuAction(itemName);
    if (menuAction == nullptr || itemAction == nullptr || menuAction->menu() == nullptr) return "no such menu item";

    QWidget* focus = QApplication::focusWidget();
    QTest::keyPress(focus, Qt::Key_Alt, Qt::AltModifier);
    QTest::keyRelease(focus, Qt::Key_Alt, Qt::NoModifier);
    if (!QTest::qWaitFor([bar] { return bar->activeAction() != nullptr; }, kWaitMs)) {
        return "Alt did not open the menu bar";
    }
    for (int step = 0; bar->activeAction() != menuAction; ++step) {
        if (step == bar->actions().size()) return "the arrow keys did not reach the menu";
        QTest::keyClick(bar, Qt::Key_Right);
    }
    QTest::keyClick(bar, Qt::Key_Down);
    QMenu* menu = menuAction->menu();
    if (!QTest::qWaitFor([menu] { return menu->isVisible(); }, kWaitMs)) return "the menu did not open";
    if (menu->activeAction() == nullptr) QTest::keyClick(menu, Qt::Key_Down);
    for (int step = 0; menu->activeAction() != itemAction; ++step) {
        if (step == menu->actions().size()) return "the arrow keys did not reach the item";
        QTest::keyClick(menu, Qt::Key_Down);
    }
    QTest::keyClick(menu, Qt::Key_Return);
    return QString();
}

void SaveArtifact(QWidget& widget, const QString& name) {
    const QString folder = QString::fromUtf8(ZWQ_ARTIFACTS_DIR);
    QDir().mkpath(folder);
    widget.grab().save(folder + "/" + name + ".png");
}

}  // namespace qttest

#pragma once
// What the Qt front end's tests share: answering modal windows from a script, a main window on
// a test card, and a few conversions.

#include <QGuiApplication>
#include <QMessageBox>
#include <QObject>
#include <QScreen>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <cmath>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Program.h"
#include "Qtapplication.h"
#include "Qttext.h"
#include "support/Testsupport.h"

namespace qttest {

// A layout's pixel size at 96 dpi, on the test screen.
inline int Px(int pixelsAt96Dpi) {
    constexpr double kLayoutDpi = 96.0;
    return static_cast<int>(std::lround(pixelsAt96Dpi * QGuiApplication::primaryScreen()->logicalDotsPerInch() / kLayoutDpi));
}

// A text written in the test source as UTF-8.
inline QString U(const char* utf8) { return QString::fromUtf8(utf8); }
// A Windows-1251 text of the program as Qt shows it.
inline QString Q(const std::string& cp1251) { return qtgui::ToQt(cp1251); }

// How long a test waits for something the program does before it counts as not happening.
inline constexpr int kWaitMs = 10000;

// Waits until everything posted to the event queue before the call has been handled (a call
// queued now runs after it), any modal window it opened included; false if that never comes.
bool Settle();

// What a modal window looked like when the script met it.
struct ModalSeen {
    QString className;  // "QMessageBox", "qtgui::CardSelectDialog", "QFileDialog", ...
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;  // the buttons' captions without '&', sorted (their order is the desktop's)
    QString defaultButton;
};

// Answers modal windows as they appear, one scripted step per window, by polling the active
// modal widget. A window with no step left is closed (Esc-like) and counted in unexpected, so
// that a test never hangs on a window nobody answers.
class ModalScript : public QObject {
public:
    using Step = std::function<void(QWidget& modal)>;

    ModalScript();
    ~ModalScript() override;

    void Then(Step step) { steps_.push_back(std::move(step)); }
    // Presses a button of a message box (the step records the box first).
    void Press(QMessageBox::StandardButton button);
    // Presses Esc in whatever window comes.
    void Escape();
    // Records a message box, saves a picture of it to the artifacts folder, then presses.
    void PressAndGrab(QMessageBox::StandardButton button, const QString& artifactName);
    // The card-selection dialog: records it, types text over its field (unless null), then
    // presses Enter (accept) or clicks "Отмена".
    void ChooseCard(const QString& typed, bool accept);
    // The open-file dialog: records it, types the name and presses Enter, or cancels it when the
    // name is null.
    void OpenFile(const QString& name);

    // True once every step has run and no modal window is open.
    bool Finished() const;

    std::vector<ModalSeen> seen;
    QStringList unexpected;

private:
    void Poll();

    QTimer timer_;
    std::deque<Step> steps_;
    bool busy_ = false;
};

// What a message box shows.
ModalSeen Describe(QWidget& modal);
// The captions of a question's buttons, sorted as ModalSeen keeps them: "Да", "Нет", "Отмена".
QStringList QuestionButtons();

// A main window on a test card: the user's folders, the card and the sources in one temporary
// folder; the removable drives as the test says; the end of the program recorded.
class Session {
public:
    explicit Session(QStringList arguments = {});
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    std::string card() const { return dir / "card"; }
    std::string settingsFile() const { return dir / "appdata/kv8102tz/ZWQManager/ZWQManager.ini"; }
    void StoreSettings(const std::vector<std::string>& lines);
    // Settings naming the test card, the integration question answered.
    void StoreCard();
    // Books in the given slots on the test card, titles "T<n>", 1 MB each.
    void MakeBooks(std::initializer_list<int> numbers);
    // A book source beside its file, in its own folder below "src".
    std::string Source(const std::string& folder, const std::string& title);
    // The free space the card reports, in whole megabytes (a real card's changes under a test).
    void SetFreeMegabytes(int64_t megabytes);

    // Makes the windows, not yet shown.
    void Build();
    // Makes the windows if needed and shows the main window; the start-up runs from the event loop.
    void Start();
    // Waits until the start-up sequence has run (the status line was set or the program ends).
    bool WaitStarted();
    // Books in the given slots on the stored card, the window started: whether it has.
    bool StartedOn(std::initializer_list<int> numbers);

    qtgui::Frontend& front() { return *front_; }
    qtgui::MainWindow& window() { return front_->window(); }
    QStringList Rows();
    QStringList Sizes();
    QString Status();
    // Book titles on the card by slot, read afresh from the card.
    std::map<int, std::string> Slots();

    testsupport::TempDir dir;
    testsupport::TestPlatform test;
    bool ended = false;
    qtgui::QtApplication application;
    // Answers the session's modal windows; with no step left it closes them.
    ModalScript script;

private:
    std::unique_ptr<qtgui::Frontend> front_;
};

// Chooses a menu item with the keyboard alone: Alt opens the menu bar, arrows go to the menu
// and the item, Enter chooses it. Empty when done, else what went wrong.
QString ChooseMenuItem(qtgui::MainWindow& window, const std::string& menuName, const std::string& itemName);

// Types text into a widget key by key, any letters (QTest::keyClicks knows ASCII only).
void TypeText(QWidget& widget, const QString& text);

// Saves a picture of a widget as <build>/artifacts/<name>.png.
void SaveArtifact(QWidget& widget, const QString& name);

}  // namespace qttest

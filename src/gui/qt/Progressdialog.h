#pragma once
// The progress window of a long card operation, laid out by TProgressFormLayout: what is
// being done, an accessible progress bar, the amount done and "Отмена" (Escape). While the
// operation runs the main window takes no input, from the start and before this window
// appears; the event loop keeps every window painted.

#include <QDialog>

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>

#include "app/Controls.h"
#include "app/Progressunit.h"

class QCloseEvent;
class QEventLoop;
class QLabel;
class QProgressBar;
class QPushButton;

namespace qtgui {

class ProgressDialog : public QDialog, public ui::IProgressWindow {
    Q_OBJECT

public:
    explicit ProgressDialog(QWidget* owner);

    void Block(bool stoppable, std::function<void()> stop) override;
    void Draw(const ui::TProgressView& view) override;
    void Appear() override;
    WakeReason WaitForWake(std::optional<std::chrono::milliseconds> timeout) override;
    void Wake() override;
    void Unblock() override;

    QLabel& Activity() { return *activity_; }
    QProgressBar& Bar() { return *bar_; }
    QLabel& Amount() { return *amount_; }
    QPushButton& CancelButton() { return *cancel_; }
    // How many times the window has appeared.
    int Showings() const { return showings_; }

protected:
    // Escape: "Отмена" when the work can be stopped; the window stays until the work returns.
    void reject() override;
    // The close box likewise.
    void closeEvent(QCloseEvent* event) override;
    // Swallows the input meant for the main window while blocked.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Stop();

    QLabel* activity_;
    QProgressBar* bar_;
    QLabel* amount_;
    QPushButton* cancel_;
    std::function<void()> stop_;
    bool stoppable_ = false;
    bool blocked_ = false;
    int showings_ = 0;
    QEventLoop* loop_ = nullptr;  // the wait under way
    std::atomic<bool> woken_{false};
};

}  // namespace qtgui

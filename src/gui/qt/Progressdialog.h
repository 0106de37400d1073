#pragma once
// The progress window of a long card operation, laid out by TProgressFormLayout: what is
// being done, an accessible progress bar, the amount done and "Отмена" (Escape). Shown modal
// over the main window, so no other command can start, while the operation runs on a worker
// thread; the operation's reports arrive here as queued calls and the event loop keeps every
// window painted.

#include <QDialog>

#include <chrono>
#include <functional>

#include "app/Controls.h"
#include "app/Progressunit.h"

class QCloseEvent;
class QLabel;
class QProgressBar;
class QPushButton;

namespace qtgui {

class ProgressDialog : public QDialog, public ui::IProgressWindow {
    Q_OBJECT

public:
    explicit ProgressDialog(QWidget* owner);

    void Run(const ui::TProgressView& first, bool cancellable, std::chrono::milliseconds showAfter,
             const std::function<void(ui::IProgressReport&)>& work) override;
    void Cancel() override;

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

private:
    void Present(const ui::TProgressView& view);
    void Appear();

    QLabel* activity_;
    QProgressBar* bar_;
    QLabel* amount_;
    QPushButton* cancel_;
    ui::TBackgroundWork* work_ = nullptr;
    bool cancellable_ = false;
    int showings_ = 0;
};

}  // namespace qtgui

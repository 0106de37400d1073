#include "Progressdialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "Qttext.h"

namespace qtgui {
namespace {

constexpr int kFullPercent = 100;

}  // namespace

ProgressDialog::ProgressDialog(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      activity_(new QLabel(this)),
      bar_(new QProgressBar(this)),
      amount_(new QLabel(this)),
      cancel_(new QPushButton(this)) {
    using L = TProgressFormLayout;
    setObjectName("ProgressForm");
    setWindowModality(Qt::ApplicationModal);
    QFont dialogFont = font();
    dialogFont.setPointSize(PointSizeOfHeight(L::kFontHeight));
    setFont(dialogFont);
    setFixedSize(Scaled(*this, L::kClientWidth), Scaled(*this, L::kClientHeight));
    const auto place = [this](QWidget& widget, int top, int height, int left = L::kLeft, int width = L::kWidth) {
        widget.setGeometry(Scaled(*this, left), Scaled(*this, top), Scaled(*this, width), Scaled(*this, height));
    };

    // Book names may hold '<' and '&': the texts are shown as they stand.
    for (QLabel* label : {activity_, amount_}) label->setTextFormat(Qt::PlainText);
    activity_->setObjectName("Activity");
    place(*activity_, L::kActivityTop, L::kTextHeight);
    bar_->setObjectName("Bar");
    bar_->setRange(0, kFullPercent);
    place(*bar_, L::kBarTop, L::kBarHeight);
    amount_->setObjectName("Amount");
    place(*amount_, L::kAmountTop, L::kTextHeight);
    cancel_->setObjectName("CancelButton");
    cancel_->setText(ToQt(ProgressCancelCaption()));
    cancel_->setAutoDefault(false);
    place(*cancel_, L::kButtonTop, L::kButtonHeight, L::kButtonLeft, L::kButtonWidth);
    connect(cancel_, &QPushButton::clicked, this, [this] { Stop(); });
}

void ProgressDialog::Block(bool stoppable, std::function<void()> stop) {
    stoppable_ = stoppable;
    stop_ = std::move(stop);
    woken_ = false;
    cancel_->setVisible(stoppable);
    blocked_ = true;
    QCoreApplication::instance()->installEventFilter(this);
}

void ProgressDialog::Unblock() {
    QCoreApplication::instance()->removeEventFilter(this);
    blocked_ = false;
    stop_ = nullptr;
    hide();
}

ui::IProgressWindow::WakeReason ProgressDialog::WaitForWake(std::optional<std::chrono::milliseconds> timeout) {
    if (woken_.exchange(false)) return WakeReason::Woken;
    QEventLoop loop;
    bool timedOut = false;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    if (timeout) timer.start(*timeout);
    loop_ = &loop;
    loop.exec();
    loop_ = nullptr;
    return timedOut ? WakeReason::TimedOut : WakeReason::Woken;
}

void ProgressDialog::Wake() {
    woken_ = true;
    // A wake that finds no wait running is taken by the next one.
    QMetaObject::invokeMethod(
        this, [this] { if (loop_ != nullptr && woken_.exchange(false)) loop_->quit(); }, Qt::QueuedConnection);
}

void ProgressDialog::Stop() {
    if (stoppable_ && stop_) stop_();
}

void ProgressDialog::reject() { Stop(); }

void ProgressDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    Stop();
}

bool ProgressDialog::eventFilter(QObject* watched, QEvent* event) {
    if (!blocked_ || !watched->isWidgetType()) return false;
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
            break;
        default:
            return false;
    }
    // The main window's own widgets only: this window and the boxes asked meanwhile work.
    const QWidget* owner = parentWidget();
    return owner != nullptr && static_cast<QWidget*>(watched)->window() == owner->window();
}

void ProgressDialog::Draw(const ui::TProgressView& view) {
    setWindowTitle(ToQt(view.caption));
    activity_->setText(ToQt(view.activity));
    // A listener hears the bar by the activity it measures.
    bar_->setAccessibleName(ToQt(view.activity));
    bar_->setValue(view.percent);
    amount_->setText(ToQt(view.amount));
}

void ProgressDialog::Appear() {
    ++showings_;
    show();
    raise();
    activateWindow();
    if (stoppable_) {
        cancel_->setFocus();
    } else {
        setFocus();
    }
}

}  // namespace qtgui

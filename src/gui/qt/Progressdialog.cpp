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
    connect(cancel_, &QPushButton::clicked, this, [this] { Cancel(); });
}

void ProgressDialog::Run(const ui::TProgressView& first, bool cancellable, std::chrono::milliseconds showAfter,
                         const std::function<void(ui::IProgressReport&)>& work) {
    cancellable_ = cancellable;
    cancel_->setVisible(cancellable);
    Present(first);

    QEventLoop loop;
    ui::TBackgroundWork background(
        [this](const ui::TProgressView& view) {
            QMetaObject::invokeMethod(this, [this, view] { Present(view); }, Qt::QueuedConnection);
        },
        [&loop] { QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection); });
    work_ = &background;
    QTimer appear;
    appear.setSingleShot(true);
    connect(&appear, &QTimer::timeout, this, [this] { Appear(); });
    if (showAfter.count() > 0) {
        appear.start(showAfter);
    } else {
        Appear();
    }
    background.Start(work);
    loop.exec();

    appear.stop();
    work_ = nullptr;
    hide();
    background.Join();
    // Reports queued after the last one drawn would only show an old state next time.
    QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
}

void ProgressDialog::Cancel() {
    if (work_ != nullptr && cancellable_) work_->Cancel();
}

void ProgressDialog::reject() { Cancel(); }

void ProgressDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    Cancel();
}

void ProgressDialog::Present(const ui::TProgressView& view) {
    setWindowTitle(ToQt(view.caption));
    activity_->setText(ToQt(view.activity));
    // A listener hears the bar by the activity it measures.
    bar_->setAccessibleName(ToQt(view.activity));
    bar_->setValue(view.percent);
    amount_->setText(ToQt(view.amount));
}

void ProgressDialog::Appear() {
    if (work_ == nullptr || work_->Finished()) return;
    ++showings_;
    show();
    raise();
    activateWindow();
    if (cancellable_) {
        cancel_->setFocus();
    } else {
        setFocus();
    }
}

}  // namespace qtgui

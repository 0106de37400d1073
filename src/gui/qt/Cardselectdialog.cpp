#include "Cardselectdialog.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "Qttext.h"

namespace qtgui {

CardSelectDialog::CardSelectDialog(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      label_(new QLabel(this)),
      combo_(new QComboBox(this)),
      ok_(new QPushButton(this)),
      cancel_(new QPushButton(this)) {
    using L = TCardSelectLayout;
    const TCardSelectTexts& texts = CardSelectTexts(platform::IntegrationStyle::FreeDesktop);
    setObjectName("CardSelectForm");
    setWindowTitle(ToQt(texts.caption));
    QFont dialogFont = font();
    dialogFont.setPointSize(PointSizeOfHeight(L::kFontHeight));
    setFont(dialogFont);
    setFixedSize(Scaled(*this, L::kClientWidth), Scaled(*this, L::kClientHeight));

    const auto place = [this](QWidget& widget, int left, int top, int width, int height) {
        widget.setGeometry(Scaled(*this, left), Scaled(*this, top), Scaled(*this, width), Scaled(*this, height));
    };

    label_->setObjectName("Label1");
    label_->setWordWrap(true);
    label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label_->setBuddy(combo_);
    place(*label_, L::kLabelLeft, L::kLabelTop, L::kLabelWidth, L::kLabelHeight);

    combo_->setObjectName("ComboBox1");
    combo_->setEditable(true);
    // A typed text is the answer as it stands; it is not added to the list.
    combo_->setInsertPolicy(QComboBox::NoInsert);
    SetPrompt(texts.label);
    place(*combo_, L::kComboLeft, L::kComboTop, L::kComboWidth, L::kComboHeight);

    ok_->setObjectName("BitBtn1");
    ok_->setText(ToQt(texts.ok));
    ok_->setDefault(true);
    place(*ok_, L::kOkLeft, L::kOkTop, L::kOkWidth, L::kOkHeight);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

    cancel_->setObjectName("BitBtn2");
    cancel_->setText(ToQt(texts.cancel));
    cancel_->setAutoDefault(false);
    place(*cancel_, L::kCancelLeft, L::kCancelTop, L::kCancelWidth, L::kCancelHeight);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(combo_, ok_);
    setTabOrder(ok_, cancel_);
}

void CardSelectDialog::SetPrompt(const std::string& prompt) {
    label_->setText(ToQt(prompt));
    combo_->setAccessibleName(ToQt(prompt));
}

void CardSelectDialog::ClearDrives() { combo_->clear(); }

void CardSelectDialog::AddDrive(const std::string& text) { combo_->addItem(ToQt(text)); }

void CardSelectDialog::SetText(const std::string& text) { combo_->setEditText(ToQt(text)); }

std::string CardSelectDialog::Text() { return FromQt(combo_->currentText()); }

int CardSelectDialog::ShowModal() {
    // At the centre of the screen, whatever window opened it.
    if (const QScreen* screen = parentWidget() != nullptr ? parentWidget()->screen() : QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    combo_->setFocus();
    combo_->lineEdit()->selectAll();
    return exec() == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel;
}

}  // namespace qtgui

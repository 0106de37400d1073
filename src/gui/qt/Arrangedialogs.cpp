#include "Arrangedialogs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

#include "Qttext.h"

namespace qtgui {
namespace {

constexpr Qt::WindowFlags kDialogFlags =
    Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint;

// "Accept" the default, "Отмена" beside it, at the right.
QHBoxLayout* Buttons(QDialog& dialog, QPushButton* accept, QPushButton* cancel) {
    const TArrangeTexts& texts = ArrangeTexts();
    accept->setDefault(true);
    QObject::connect(accept, &QPushButton::clicked, &dialog, &QDialog::accept);
    cancel->setObjectName("CancelButton");
    cancel->setText(ToQt(texts.cancel));
    cancel->setAutoDefault(false);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(accept);
    row->addWidget(cancel);
    return row;
}

}  // namespace

PlaceDialog::PlaceDialog(QWidget* parent)
    : QDialog(parent, kDialogFlags),
      book_(new QLabel(this)),
      placeLabel_(new QLabel(this)),
      place_(new QSpinBox(this)),
      move_(new QPushButton(this)),
      cancel_(new QPushButton(this)) {
    const TArrangeTexts& texts = ArrangeTexts();
    setObjectName("PlaceForm");
    setWindowTitle(ToQt(texts.placeCaption));
    book_->setObjectName("BookLabel");
    book_->setWordWrap(true);
    placeLabel_->setBuddy(place_);
    place_->setObjectName("PlaceEdit");
    move_->setObjectName("MoveButton");
    move_->setText(ToQt(texts.move));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(book_);
    layout->addWidget(placeLabel_);
    layout->addWidget(place_);
    layout->addLayout(Buttons(*this, move_, cancel_));
    setTabOrder(place_, move_);
    setTabOrder(move_, cancel_);
}

bool PlaceDialog::Execute(const std::string& bookName, std::size_t count, std::size_t& place) {
    const TArrangeTexts& texts = ArrangeTexts();
    const std::string last = std::to_string(count) + ")";
    book_->setText(ToQt(bookName));
    placeLabel_->setText(ToQt(texts.placeLabel + last));
    place_->setAccessibleName(ToQt(texts.placeName + last));
    // The dialog is told of the book, so the listener hears which one moves.
    setAccessibleDescription(ToQt(bookName));
    place_->setRange(1, static_cast<int>(std::min<std::size_t>(std::max<std::size_t>(count, 1), INT_MAX)));
    place_->setValue(static_cast<int>(std::min<std::size_t>(place, INT_MAX)));
    place_->setFocus();
    place_->selectAll();
    if (exec() != QDialog::Accepted) return false;
    place = static_cast<std::size_t>(place_->value());
    return true;
}

SortDialog::SortDialog(QWidget* parent)
    : QDialog(parent, kDialogFlags),
      byAuthor_(new QRadioButton(this)),
      byTitle_(new QRadioButton(this)),
      sort_(new QPushButton(this)),
      cancel_(new QPushButton(this)) {
    const TArrangeTexts& texts = ArrangeTexts();
    setObjectName("SortForm");
    setWindowTitle(ToQt(texts.sortCaption));
    byAuthor_->setObjectName("ByAuthorButton");
    byAuthor_->setText(ToQt(texts.byAuthor));
    byTitle_->setObjectName("ByTitleButton");
    byTitle_->setText(ToQt(texts.byTitle));
    sort_->setObjectName("SortButton");
    sort_->setText(ToQt(texts.sort));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(byAuthor_);
    layout->addWidget(byTitle_);
    layout->addLayout(Buttons(*this, sort_, cancel_));
    setTabOrder(byAuthor_, byTitle_);
    setTabOrder(byTitle_, sort_);
    setTabOrder(sort_, cancel_);
}

bool SortDialog::Execute(TBookOrder& order) {
    QRadioButton* chosen = order == TBookOrder::Title ? byTitle_ : byAuthor_;
    chosen->setChecked(true);
    chosen->setFocus();
    if (exec() != QDialog::Accepted) return false;
    order = byTitle_->isChecked() ? TBookOrder::Title : TBookOrder::AuthorThenTitle;
    return true;
}

}  // namespace qtgui

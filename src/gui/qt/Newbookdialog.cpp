#include "Newbookdialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "Qttext.h"

namespace qtgui {
namespace {

QString Utf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }
std::string Utf8Of(const QString& text) { return text.toUtf8().toStdString(); }

}  // namespace

NewBookDialog::NewBookDialog(QWidget* parent)
    : NewBookDialog(parent,
                    Texts{NewBookTexts().caption, NewBookTexts().author, NewBookTexts().title,
                          NewBookTexts().announcer, NewBookTexts().authorName, NewBookTexts().titleName,
                          NewBookTexts().announcerName, NewBookTexts().write, NewBookTexts().cancel},
                    "NewBookForm") {}

BookNamesDialog::BookNamesDialog(QWidget* parent)
    : NewBookDialog(parent,
                    Texts{BookNamesTexts().caption, BookNamesTexts().author, BookNamesTexts().title,
                          BookNamesTexts().announcer, BookNamesTexts().authorName, BookNamesTexts().titleName,
                          BookNamesTexts().announcerName, BookNamesTexts().save, BookNamesTexts().cancel},
                    "BookNamesForm") {}

NewBookDialog::NewBookDialog(QWidget* parent, const Texts& texts, const char* objectName)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      author_(new QLineEdit(this)),
      title_(new QLineEdit(this)),
      announcer_(new QLineEdit(this)),
      summary_(new QLabel(this)),
      leftOut_(new QLabel(this)),
      write_(new QPushButton(this)),
      cancel_(new QPushButton(this)) {
    setObjectName(objectName);
    setWindowTitle(ToQt(texts.caption));
    auto* fields = new QFormLayout;
    const auto field = [&](QLineEdit* edit, const char* name, const std::string& label, const std::string& accessible) {
        edit->setObjectName(name);
        edit->setAccessibleName(ToQt(accessible));
        edit->setMinimumWidth(fontMetrics().averageCharWidth() * 48);
        auto* caption = new QLabel(ToQt(label), this);
        caption->setBuddy(edit);
        fields->addRow(caption, edit);
    };
    field(author_, "AuthorEdit", texts.author, texts.authorName);
    field(title_, "TitleEdit", texts.title, texts.titleName);
    field(announcer_, "AnnouncerEdit", texts.announcer, texts.announcerName);
    summary_->setObjectName("SummaryLabel");
    summary_->setWordWrap(true);
    // Read-only texts that a screen reader reaches with Tab too.
    summary_->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    summary_->setFocusPolicy(Qt::StrongFocus);
    leftOut_->setObjectName("LeftOutLabel");
    leftOut_->setWordWrap(true);
    leftOut_->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    leftOut_->setFocusPolicy(Qt::StrongFocus);

    write_->setObjectName("WriteButton");
    write_->setText(ToQt(texts.accept));
    write_->setDefault(true);
    connect(write_, &QPushButton::clicked, this, &QDialog::accept);
    cancel_->setObjectName("CancelButton");
    cancel_->setText(ToQt(texts.cancel));
    cancel_->setAutoDefault(false);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(write_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(summary_);
    layout->addWidget(leftOut_);
    layout->addLayout(buttons);
    setTabOrder(author_, title_);
    setTabOrder(title_, announcer_);
    setTabOrder(announcer_, summary_);
    setTabOrder(summary_, leftOut_);
    setTabOrder(leftOut_, write_);
    setTabOrder(write_, cancel_);
}

bool NewBookDialog::Execute(TNewBookForm& form) {
    author_->setText(Utf8(form.author));
    title_->setText(Utf8(form.title));
    announcer_->setText(Utf8(form.announcer));
    summary_->setText(ToQt(form.summary));
    summary_->setAccessibleName(ToQt(form.summary));
    leftOut_->setText(ToQt(form.leftOut));
    leftOut_->setAccessibleName(ToQt(form.leftOut));
    summary_->setVisible(!form.summary.empty());
    leftOut_->setVisible(!form.leftOut.empty());
    author_->setFocus();
    author_->selectAll();
    if (exec() != QDialog::Accepted) return false;
    form.author = Utf8Of(author_->text());
    form.title = Utf8Of(title_->text());
    form.announcer = Utf8Of(announcer_->text());
    return true;
}

FolderDialog::FolderDialog(QWidget& owner) : dialog_(new QFileDialog(&owner)) {
    dialog_->setObjectName("FolderOpenDialog");
    dialog_->setOption(QFileDialog::DontUseNativeDialog);
    dialog_->setFileMode(QFileDialog::Directory);
    dialog_->setOption(QFileDialog::ShowDirsOnly);
    dialog_->setWindowTitle(ToQt(WriteFolderCaption()));
}

bool FolderDialog::Execute(std::string& folder) {
    if (dialog_->exec() != QDialog::Accepted || dialog_->selectedFiles().isEmpty()) return false;
    folder = FromQt(QDir::toNativeSeparators(dialog_->selectedFiles().front()));
    return !folder.empty();
}

}  // namespace qtgui

#pragma once
// "Новая книга" and the folder dialog of the Qt front end.

#include <QDialog>

#include "app/Newbookdialog.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QFileDialog;

namespace qtgui {

class NewBookDialog : public QDialog, public ui::INewBookDialog {
public:
    explicit NewBookDialog(QWidget* parent = nullptr);
    bool Execute(TNewBookForm& form) override;

    QLineEdit& Author() { return *author_; }
    QLineEdit& Title() { return *title_; }
    QLineEdit& Announcer() { return *announcer_; }
    QLabel& Summary() { return *summary_; }
    QLabel& LeftOut() { return *leftOut_; }
    QPushButton& Write() { return *write_; }
    QPushButton& Cancel() { return *cancel_; }

private:
    QLineEdit* author_;
    QLineEdit* title_;
    QLineEdit* announcer_;
    QLabel* summary_;
    QLabel* leftOut_;
    QPushButton* write_;
    QPushButton* cancel_;
};

// Qt's own folder dialog, the same on every desktop.
class FolderDialog : public ui::IFolderDialog {
public:
    explicit FolderDialog(QWidget& owner);
    bool Execute(std::string& folder) override;

private:
    QFileDialog* dialog_;
};

}  // namespace qtgui

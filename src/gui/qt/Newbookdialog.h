#pragma once
// "Новая книга", "Описание книги" (the same fields, without the lines on what was found) and
// the folder dialog of the Qt front end.

#include <QDialog>

#include <string>

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

protected:
    // The captions of one of the two dialogs: its title, field labels and buttons.
    struct Texts {
        const std::string &caption, &author, &title, &announcer, &authorName, &titleName, &announcerName, &accept,
            &cancel;
    };
    NewBookDialog(QWidget* parent, const Texts& texts, const char* objectName);

private:
    QLineEdit* author_;
    QLineEdit* title_;
    QLineEdit* announcer_;
    QLabel* summary_;
    QLabel* leftOut_;
    QPushButton* write_;
    QPushButton* cancel_;
};

// "Описание книги": a listed book's author, title and announcer, "Сохранить" and "Отмена".
class BookNamesDialog : public NewBookDialog, public ui::IBookNamesDialog {
public:
    explicit BookNamesDialog(QWidget* parent = nullptr);
    bool Execute(TNewBookForm& form) override { return NewBookDialog::Execute(form); }
    QPushButton& Save() { return Write(); }
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

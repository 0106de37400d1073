#pragma once
// "Перемещение книги" (the place the current book goes to) and "Упорядочить книги" (the
// order the card is put in) of the Qt front end.

#include <QDialog>

#include "app/Arrangeflow.h"

class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace qtgui {

// The book's name, the place from 1 to the number of books (its present place to start with),
// "Переместить" (default) and "Отмена".
class PlaceDialog : public QDialog, public ui::IPlaceDialog {
public:
    explicit PlaceDialog(QWidget* parent = nullptr);
    bool Execute(const std::string& bookName, std::size_t count, std::size_t& place) override;

    QLabel& Book() { return *book_; }
    QSpinBox& Place() { return *place_; }
    QPushButton& Move() { return *move_; }

private:
    QLabel* book_;
    QLabel* placeLabel_;
    QSpinBox* place_;
    QPushButton* move_;
    QPushButton* cancel_;
};

// Two choices, by author and title or by title; "Упорядочить" (default) and "Отмена".
class SortDialog : public QDialog, public ui::ISortDialog {
public:
    explicit SortDialog(QWidget* parent = nullptr);
    bool Execute(TBookOrder& order) override;

    QRadioButton& ByAuthor() { return *byAuthor_; }
    QRadioButton& ByTitle() { return *byTitle_; }
    QPushButton& Sort() { return *sort_; }

private:
    QRadioButton* byAuthor_;
    QRadioButton* byTitle_;
    QPushButton* sort_;
    QPushButton* cancel_;
};

}  // namespace qtgui

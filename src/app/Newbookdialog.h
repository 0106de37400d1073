#pragma once
// The dialog "Новая книга": before a book the program makes itself (a folder of MP3 files, a
// DAISY book, a ZIP or 7z archive of them) is written interactively, the user sees what was
// found and may correct author, title and announcer. The logic is here; a front end shows it.

#include <string>

#include "book/Madebook.h"

// Captions of the dialog and its controls (Windows-1251).
struct TNewBookTexts {
    std::string caption;                       // "Новая книга"
    std::string author, title, announcer;      // the fields' labels, with their access keys
    std::string authorName, titleName, announcerName;  // the same without "&", for screen readers
    std::string write, cancel;                 // "Записать" (default), "Отмена"
};
const TNewBookTexts& NewBookTexts();

// What the dialog shows and the user edits.
struct TNewBookForm {
    // UTF-8: a book's names may hold letters that Windows-1251 lacks.
    std::string author, title, announcer;
    // Windows-1251: "24 файла, 5 ч 12 мин, 312 Мб", and a line on what was left out.
    std::string summary;
    std::string leftOut;
};

// "24 файла, 5 ч 12 мин, 312 Мб"; the playing time "неизвестно" when no file told it, and a
// note when only some did.
std::string BookSummary(const TMadeBook& book);
TNewBookForm NewBookForm(const TMadeBook& book);
// The edited values into the book.
void ApplyNewBookForm(const TNewBookForm& form, TMadeBook& book);

// "Описание книги": a book on the card, its names corrected in the same form (summary and
// leftOut stay empty).
struct TBookNamesTexts {
    std::string caption;                   // "Описание книги"
    std::string author, title, announcer;  // "&Автор:", "&Название:", "&Чтец:"
    std::string authorName, titleName, announcerName;
    std::string save, cancel;              // "Сохранить" (default), "Отмена"
};
const TBookNamesTexts& BookNamesTexts();

// The name of the menu item that writes a folder, "Записать папку с книгой на карту памяти".
const std::string& WriteFolderCaption();

namespace ui {

// Shows the dialog, modal; true when the user chose "Записать" (the form then holds the
// edited values).
class INewBookDialog {
public:
    virtual ~INewBookDialog() = default;
    virtual bool Execute(TNewBookForm& form) = 0;
};

// Shows "Описание книги", modal; true when the user chose "Сохранить".
class IBookNamesDialog {
public:
    virtual ~IBookNamesDialog() = default;
    virtual bool Execute(TNewBookForm& form) = 0;
};

// A modal dialog for choosing a folder; true with the folder's path when one was chosen.
class IFolderDialog {
public:
    virtual ~IFolderDialog() = default;
    virtual bool Execute(std::string& folder) = 0;
};

}  // namespace ui

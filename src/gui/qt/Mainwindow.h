#pragma once
// The main window "ZWQ-менеджер ...": the book list in "Содержимое карты памяти", the status
// line in "Информация о карте памяти", the announcement in the status bar and the menu, drawn from TMainFormLayout,
// TMainFormTexts and MainMenu(). The window decides nothing: menu commands, the list's keys
// (Enter, Delete, F2, Ctrl+Up, Ctrl+Down, Ctrl+M) and the first showing go to the window logic TForm1.

#include <QLineEdit>
#include <QMainWindow>
#include <QTableWidget>

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/Body.h"
#include "app/Controls.h"
#include "Announcement.h"

class QAction;
class QFileDialog;
class QGroupBox;

namespace qtgui {

class QtApplication;

// The list of books: a table of two columns with their headers, whole rows, one selected row
// at most, no editing, no grid and no row numbers, so assistive technology reads a table of
// rows with their positions. The current row stays
// selected, and whenever the list gets the focus assistive technology is told of the current
// row after the list itself, so a listener hears which book they are on.
class BookList : public QTableWidget, public ui::IListView {
    Q_OBJECT

public:
    explicit BookList(QWidget* parent);

    void Clear() override;
    void ReserveRows(std::size_t count) override;
    void AddRow(const std::string& caption, const std::string& subItem) override;
    std::size_t RowCount() override;
    // The caption as it was added (Windows-1251, byte for byte).
    std::string RowCaption(std::size_t row) override;
    int SelectedRow() override;
    void SelectRow(std::size_t row) override;
    // The text of a row's cell as shown: column 0 the book, 1 its size.
    QString CellText(int row, int column) const;

protected:
    void focusInEvent(QFocusEvent* event) override;
    // Ctrl with a click or the space bar would unselect the current row: it stays selected.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;
    // Home and End (with or without Ctrl) go to the first and the last book, as in the Windows
    // program's list, and every key leaves the book's name current, so the row is read whole.
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    // The accessibility focus event of the current row's cell, when the list has the focus.
    void AnnounceCurrentRow();

    std::vector<std::string> captions_;
};

// The read-only status line.
class StatusLine : public QLineEdit, public ui::IEdit {
    Q_OBJECT

public:
    explicit StatusLine(QWidget* parent);
    void SetText(const std::string& text) override;
};

// A menu item whose caption (N9) or tick (N17) the window logic sets.
class MenuItemCaption : public ui::IMenuItem {
public:
    explicit MenuItemCaption(QAction& action) : action_(action) {}
    void SetCaption(const std::string& caption) override;
    void SetChecked(bool checked) override { action_.setChecked(checked); }

private:
    QAction& action_;
};

// The open-file dialog for book files: the filter "ZWQ-книга (*.ydr, *.rar)" (either letter
// case of the extensions); several files can be chosen in its list (Ctrl or Shift with a click
// or the arrows), and one typed name that does not exist is accepted, for the card model to
// report. One dialog serves every call, so it opens where the last one ended.
class BookOpenDialog : public ui::IOpenDialog {
public:
    explicit BookOpenDialog(QWidget& owner);
    bool Execute(std::vector<std::string>& fileNames) override;
    QFileDialog& Dialog() { return *dialog_; }

private:
    QFileDialog* dialog_;
};

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(QtApplication& application);
    ~MainWindow() override;

    // The window logic the window's events go to; set before the window is shown.
    void Attach(TForm1& form) { form_ = &form; }
    void Detach() { form_ = nullptr; }

    BookList& books() { return *books_; }
    StatusLine& status() { return *status_; }
    Announcement& announcement() { return *announcement_; }
    QGroupBox& GroupBox1() { return *statusGroup_; }
    QGroupBox& GroupBox2() { return *booksGroup_; }
    ui::IMenuItem& N9() { return n9_; }
    ui::IMenuItem& N17() { return n17_; }
    BookOpenDialog& YDRRAROpenDialog() { return openDialog_; }
    // A menu or menu item by its name in MainMenu() ("N1", "N4", "Delete1", ...).
    QAction* MenuAction(const std::string& name) const;
    // Volumes came or went: told to the window logic once no command of the window is under
    // way (a box of one may be up), on the UI thread.
    void DrivesChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QGroupBox* BuildBooksGroup();
    QGroupBox* BuildStatusGroup();
    void BuildMenu();
    void PlaceOnScreen();
    // F10 takes the keyboard to the menu bar at its first menu, "Файл", as on Windows.
    void OpenFirstMenu();
    void Run(const std::function<void(TForm1&)>& handler);

    QtApplication& application_;
    TForm1* form_ = nullptr;
    int handling_ = 0;
    bool drivesPending_ = false;
    QGroupBox* booksGroup_ = nullptr;
    QGroupBox* statusGroup_ = nullptr;
    BookList* books_ = nullptr;
    StatusLine* status_ = nullptr;
    Announcement* announcement_ = nullptr;
    std::map<std::string, QAction*> actions_;
    QAction* n9Action_;
    MenuItemCaption n9_;
    QAction* n17Action_;
    MenuItemCaption n17_;
    BookOpenDialog openDialog_;
    bool shown_ = false;
};

}  // namespace qtgui

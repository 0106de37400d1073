#include "Mainwindow.h"

#include <QAccessible>
#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QTableWidgetItem>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMetaObject>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QVBoxLayout>

#include <utility>

#include "Qtapplication.h"
#include "Qttext.h"

namespace qtgui {
namespace {

using Layout = TMainFormLayout;

// The layout's outer size is that of a Windows window: the frame around the client area (a
// sizing border on every side and the caption bar) is drawn here by the window manager.
constexpr int kFrameBorder = 4;
constexpr int kCaptionBar = 19;
// Space between a group box's frame and the control it holds.
constexpr int kGroupInnerMargin = 2;

enum Column { kNameColumn = 0, kSizeColumn = 1 };

// A menu caption shown as it stands: '&' would otherwise mark a mnemonic.
QString MenuText(const std::string& caption) { return ToQt(caption).replace('&', "&&"); }

}  // namespace

// ---- BookList ----

BookList::BookList(QWidget* parent) : QTableWidget(parent) {
    const TMainFormTexts& texts = MainFormTexts();
    setObjectName("books");
    setColumnCount(2);
    setHorizontalHeaderLabels({ToQt(texts.nameColumn), ToQt(texts.sizeColumn)});
    verticalHeader()->hide();
    setShowGrid(false);
    setWordWrap(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setTabKeyNavigation(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->resizeSection(kNameColumn, Scaled(*this, Layout::kNameColumnWidth));
    horizontalHeader()->resizeSection(kSizeColumn, Scaled(*this, Layout::kSizeColumnWidth));
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    setAccessibleName(ToQt(texts.booksGroup));
}

void BookList::Clear() {
    clearContents();
    setRowCount(0);
    captions_.clear();
}

void BookList::ReserveRows(std::size_t count) { captions_.reserve(count); }

void BookList::AddRow(const std::string& caption, const std::string& subItem) {
    const int row = rowCount();
    setRowCount(row + 1);
    for (const auto& [column, text] : {std::pair{kNameColumn, caption}, std::pair{kSizeColumn, subItem}}) {
        auto* item = new QTableWidgetItem(ToQt(text));
        item->setData(Qt::AccessibleTextRole, item->text());
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        setItem(row, column, item);
    }
    captions_.push_back(caption);
}

std::size_t BookList::RowCount() { return static_cast<std::size_t>(rowCount()); }

std::string BookList::RowCaption(std::size_t row) { return captions_.at(row); }

QString BookList::CellText(int row, int column) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell != nullptr ? cell->text() : QString();
}

int BookList::SelectedRow() {
    const QList<QTableWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : selected.first()->row();
}

void BookList::SelectRow(std::size_t row) {
    QTableWidgetItem* cell = item(static_cast<int>(row), kNameColumn);
    if (cell == nullptr) return;
    setCurrentItem(cell);
    scrollToItem(cell);
}

void BookList::focusInEvent(QFocusEvent* event) {
    QTableWidget::focusInEvent(event);
    // The toolkit tells assistive technology of the list's own focus once this handler has
    // returned; the current row comes after that, from the event loop.
    QMetaObject::invokeMethod(this, [this] { AnnounceCurrentRow(); }, Qt::QueuedConnection);
}

void BookList::AnnounceCurrentRow() {
    const QModelIndex current = currentIndex();
    if (!hasFocus() || !current.isValid() || !QAccessible::isActive()) return;
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(this);
    QAccessibleTableInterface* table = list != nullptr ? list->tableInterface() : nullptr;
    QAccessibleInterface* cell = table != nullptr ? table->cellAt(current.row(), current.column()) : nullptr;
    if (cell == nullptr) return;
    QAccessibleEvent focus(cell, QAccessible::Focus);
    QAccessible::updateAccessibility(&focus);
}

QItemSelectionModel::SelectionFlags BookList::selectionCommand(const QModelIndex& index, const QEvent* event) const {
    const QItemSelectionModel::SelectionFlags command = QTableWidget::selectionCommand(index, event);
    if (command.testFlag(QItemSelectionModel::Deselect) || command.testFlag(QItemSelectionModel::Toggle)) {
        return QItemSelectionModel::NoUpdate;
    }
    return command;
}

QModelIndex BookList::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    if (action == MoveHome || action == MoveEnd) modifiers |= Qt::ControlModifier;
    const QModelIndex next = QTableWidget::moveCursor(action, modifiers);
    return next.isValid() ? model()->index(next.row(), kNameColumn) : next;
}

// ---- StatusLine ----

StatusLine::StatusLine(QWidget* parent) : QLineEdit(parent) {
    setObjectName("status");
    setReadOnly(true);
    setAccessibleName(ToQt(MainFormTexts().statusGroup));
}

void StatusLine::SetText(const std::string& text) {
    setText(ToQt(text));
    setCursorPosition(0);
}

// ---- MenuItemCaption ----

void MenuItemCaption::SetCaption(const std::string& caption) { action_.setText(MenuText(caption)); }

// ---- BookOpenDialog ----

BookOpenDialog::BookOpenDialog(QWidget& owner) : dialog_(new QFileDialog(&owner)) {
    const TMainFormTexts& texts = MainFormTexts();
    dialog_->setObjectName("YDRRAROpenDialog");
    // Qt's own dialog everywhere: the same behaviour on every desktop, typed names included.
    dialog_->setOption(QFileDialog::DontUseNativeDialog);
    dialog_->setFileMode(QFileDialog::AnyFile);
    dialog_->setAcceptMode(QFileDialog::AcceptOpen);
    // Qt reads a filter's patterns from its last parentheses, separated by blanks: the
    // description keeps its own "(*.ydr, *.rar)" and the patterns follow, hidden, in both
    // letter cases.
    QStringList patterns;
    for (const std::string& pattern : texts.openFilterPatterns) {
        const QString text = ToQt(pattern);
        patterns << text.toLower() << text.toUpper();
    }
    dialog_->setOption(QFileDialog::HideNameFilterDetails);
    dialog_->setNameFilter(ToQt(texts.openFilterDescription) + " (" + patterns.join(' ') + ")");
}

bool BookOpenDialog::Execute(std::vector<std::string>& fileNames) {
    // Qt's own check of the typed names would refuse a name that does not exist in the mode
    // for several files: the dialog stays in the mode for any one file, and its lists let the
    // user choose several.
    for (const char* name : {"listView", "treeView"}) {
        if (auto* view = dialog_->findChild<QAbstractItemView*>(name)) {
            view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        }
    }
    if (dialog_->exec() != QDialog::Accepted) return false;
    const QStringList files = dialog_->selectedFiles();
    fileNames.clear();
    for (const QString& file : files) fileNames.push_back(FromQt(QDir::toNativeSeparators(file)));
    return !fileNames.empty();
}

// ---- MainWindow ----

MainWindow::MainWindow(QtApplication& application)
    : application_(application), n9Action_(new QAction(this)), n9_(*n9Action_),
      n17Action_(new QAction(this)), n17_(*n17Action_), openDialog_(*this) {
    const TMainFormTexts& texts = MainFormTexts();
    setObjectName("Form1");
    setWindowTitle(ToQt(texts.caption));
    QFont formFont = font();
    formFont.setPointSize(PointSizeOfHeight(Layout::kFontHeight));
    setFont(formFont);

    auto* client = new QWidget(this);
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(BuildBooksGroup(), 1);
    column->addWidget(BuildStatusGroup(), 0);
    setCentralWidget(client);
    statusBar()->setSizeGripEnabled(false);
    announcement_ = new Announcement(statusBar());
    statusBar()->addWidget(announcement_, 1);
    setTabOrder(books_, status_);
    // The list, first in the tab order, has the focus when the window opens.
    books_->setFocus();
    books_->installEventFilter(this);

    BuildMenu();
    // Ctrl+M goes through the shortcut map, which finds the key by its Latin letter also while
    // the Russian layout is on.
    auto* moveTo = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_M), books_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(moveTo, &QShortcut::activated, this,
            [this] { Run([](TForm1& form) { form.booksKeyDown(kKeyM, kCtrlDown); }); });
    auto* eject = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_E), this);
    connect(eject, &QShortcut::activated, this,
            [this] { Run([](TForm1& form) { form.RunMenuCommand(MenuCommand::Eject); }); });
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(f10, &QShortcut::activated, this, [this] { OpenFirstMenu(); });
    application_.SetMainWindow(*this);
    PlaceOnScreen();
}

MainWindow::~MainWindow() = default;

QGroupBox* MainWindow::BuildBooksGroup() {
    booksGroup_ = new QGroupBox(ToQt(MainFormTexts().booksGroup));
    booksGroup_->setObjectName("GroupBox2");
    auto* inside = new QVBoxLayout(booksGroup_);
    const int margin = Scaled(*this, kGroupInnerMargin);
    inside->setContentsMargins(margin, margin, margin, margin);
    books_ = new BookList(booksGroup_);
    inside->addWidget(books_);
    return booksGroup_;
}

QGroupBox* MainWindow::BuildStatusGroup() {
    statusGroup_ = new QGroupBox(ToQt(MainFormTexts().statusGroup));
    statusGroup_->setObjectName("GroupBox1");
    statusGroup_->setFixedHeight(Scaled(*this, Layout::kStatusGroupHeight));
    // The status line keeps its place and width inside the group, as laid out.
    status_ = new StatusLine(statusGroup_);
    status_->setGeometry(Scaled(*this, Layout::kStatusLeft), Scaled(*this, Layout::kStatusTop),
                         Scaled(*this, Layout::kStatusWidth), Scaled(*this, Layout::kStatusHeight));
    return statusGroup_;
}

void MainWindow::BuildMenu() {
    for (const TMenuDef& menuDef : MainMenu()) {
        QMenu* menu = menuBar()->addMenu(MenuText(menuDef.caption));
        menu->setObjectName(QString::fromStdString(menuDef.name));
        actions_[menuDef.name] = menu->menuAction();
        for (const TMenuItemDef& item : menuDef.items) {
            if (item.caption == "-") {
                menu->addSeparator()->setObjectName(QString::fromStdString(item.name));
                continue;
            }
            QAction* action = item.command == MenuCommand::Integration    ? n9Action_
                              : item.command == MenuCommand::VerifyWrites ? n17Action_
                                                                          : new QAction(this);
            action->setText(MenuText(item.caption));
            action->setCheckable(item.checkable);
            action->setObjectName(QString::fromStdString(item.name));
            if (!item.shortcut.empty()) {
                // Shown beside the caption; the key itself belongs to the book list, so the item
                // does not take it (it is the menu's own only while the menu has the focus).
                action->setShortcut(QKeySequence(QString::fromStdString(item.shortcut)));
                action->setShortcutContext(Qt::WidgetShortcut);
            }
            menu->addAction(action);
            actions_[item.name] = action;
            const MenuCommand command = item.command;
            connect(action, &QAction::triggered, this, [this, action, command] {
                // The tick is the window logic's to set: Qt's own toggle is taken back first.
                if (action->isCheckable()) action->setChecked(!action->isChecked());
                Run([command](TForm1& form) { form.RunMenuCommand(command); });
            });
        }
    }
}

void MainWindow::PlaceOnScreen() {
    const QSize outer(Scaled(*this, Layout::kWidth), Scaled(*this, Layout::kHeight));
    const int border = Scaled(*this, kFrameBorder);
    resize(outer.width() - 2 * border, outer.height() - 2 * border - Scaled(*this, kCaptionBar));
    const QScreen* screen = this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    QRect frame(QPoint(), outer);
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

void MainWindow::OpenFirstMenu() {
    const QList<QAction*> menus = menuBar()->actions();
    if (menus.isEmpty() || menus.first()->menu() == nullptr) return;
    QMenu& first = *menus.first()->menu();
    menuBar()->setActiveAction(menus.first());
    // Esc in a menu opened from the bar leaves the bar in keyboard mode on the menu's title: as
    // Alt does, and as F10 does on Windows. The arrows then move along the bar, each title is
    // read, and Down opens a menu on its first item.
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&first, &escape);
}

QAction* MainWindow::MenuAction(const std::string& name) const {
    const auto found = actions_.find(name);
    return found == actions_.end() ? nullptr : found->second;
}

void MainWindow::Run(const std::function<void(TForm1&)>& handler) {
    if (form_ == nullptr) return;
    TForm1& form = *form_;
    ++handling_;
    application_.Handle([&form, &handler] { handler(form); });
    --handling_;
    if (handling_ == 0 && std::exchange(drivesPending_, false)) DrivesChanged();
}

void MainWindow::DrivesChanged() {
    if (handling_ > 0) {
        drivesPending_ = true;
        return;
    }
    Run([](TForm1& form) { form.DrivesChanged(); });
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_) return;
    shown_ = true;
    // The start-up sequence runs once, from the event loop, after the window has appeared.
    QMetaObject::invokeMethod(
        this, [this] { Run([](TForm1& form) { form.FormShow(); }); }, Qt::QueuedConnection);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // During a card operation the window logic asks first, and the window closes once the
    // operation has ended.
    bool mayClose = true;
    if (form_ != nullptr) {
        TForm1& form = *form_;
        application_.Handle([&form, &mayClose] { mayClose = form.FormCloseQuery(); });
    }
    if (!mayClose) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
    // Closing the main window ends the program.
    application_.Terminate();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == books_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers();
        const unsigned shift = (modifiers.testFlag(Qt::ShiftModifier) ? kShiftDown : 0u) |
                               (modifiers.testFlag(Qt::AltModifier) ? kAltDown : 0u) |
                               (modifiers.testFlag(Qt::ControlModifier) ? kCtrlDown : 0u);
        const bool ctrl = (shift & kCtrlDown) != 0;
        uint16_t code = 0;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) code = kKeyEnter;
        if (key->key() == Qt::Key_Delete) code = kKeyDelete;
        if (key->key() == Qt::Key_F2) code = kKeyF2;
        // With Ctrl these move the book, not the list's current row; the list does not see them.
        bool own = key->key() == Qt::Key_F2;
        if (ctrl && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
            code = key->key() == Qt::Key_Up ? kKeyUp : kKeyDown;
            own = true;
        }
        if (code != 0) Run([code, shift](TForm1& form) { form.booksKeyDown(code, shift); });
        if (own) return true;
    }
    // The list's own handling of the key goes on.
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace qtgui

#pragma once
// The main window: the card's books and status, the book commands of the menu and the list's
// keys, and start-up. The logic is the toolkit's-free TForm1; a front end draws the window from
// TMainFormLayout, TMainFormTexts and MainMenu(), implements the controls of app/Controls.h and
// forwards its events to the handlers. The handlers hand the card work to jobs that decide, ask
// and say what they have to through one TTeller, and return what they did: TWriteJob writes
// books, TRemovalJob deletes one, TCommandLineBatch runs the command line's books with them,
// TCardCheckFlow checks and mends the card, all behind one TProgressSession; TCardWatch follows
// the card as it comes and goes. The handler that ran the work then has the window show the
// card, and offers the check and the look at volumes the work made wait (WorkEnded).

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Arrangeflow.h"
#include "app/Bookbatch.h"
#include "app/Cardcheckflow.h"
#include "app/Cardwatch.h"
#include "app/Controls.h"
#include "app/Newbookdialog.h"
#include "app/Progresssession.h"
#include "app/Removaljob.h"
#include "app/Teller.h"
#include "app/Writejob.h"
#include "card/Zwqcardunit.h"
#include "integration/Explorerintegrationunit.h"
#include "platform/Dialogs.h"
#include "platform/Platform.h"
#include "settings/Appdatainiunit.h"
#include "settings/Cardselectunit.h"

// Pixel sizes at 96 dots per inch, scaled by the front end to the screen.
struct TMainFormLayout {
    static constexpr int kWidth = 468, kHeight = 373;  // outer size, centred on the screen
    static constexpr int kNameColumnWidth = 356, kSizeColumnWidth = 80;
    static constexpr int kStatusGroupHeight = 44;  // GroupBox1, at the bottom edge
    static constexpr int kStatusLeft = 8, kStatusTop = 16, kStatusWidth = 444, kStatusHeight = 21;
    static constexpr int kFontHeight = -11;  // MS Sans Serif, 8 points
};

struct TMainFormTexts {
    std::string caption;        // the window's
    std::string applicationTitle;
    std::string booksGroup;     // GroupBox2
    std::string statusGroup;    // GroupBox1
    std::string nameColumn;
    std::string sizeColumn;
    std::string openFilter;     // YDRRAROpenDialog: description and patterns
    std::string openFilterDescription;
    std::vector<std::string> openFilterPatterns;  // "*.ydr", "*.rar"
    std::string version;        // "0.2.0"
    std::string makerAddress;
};
const TMainFormTexts& MainFormTexts();

// The commands of the menu.
enum class MenuCommand {
    None, WriteBook, WriteFolder, DeleteBook, CheckCard, Exit, ChooseCard, Integration, About,
    MoveUp, MoveDown, MoveTo, Sort, EditBook, Eject, VerifyWrites,
};

struct TMenuItemDef {
    std::string name;     // the control's name: N4, Delete1, ...
    std::string caption;  // "-" for a separator line
    MenuCommand command = MenuCommand::None;
    // The key that does the same in the book list, shown beside the caption ("Ctrl+Up").
    std::string shortcut;
    // An option the item ticks and unticks; the window logic sets the tick (SetChecked).
    bool checkable = false;
};
struct TMenuDef {
    std::string name;
    std::string caption;
    std::vector<TMenuItemDef> items;
};
// MainMenu1: "Файл", "Настройки", "Справка" with their items. No item has a shortcut key of
// its own: "(Enter)" and "(Delete)" are part of the captions, and the book list's keys that
// move a book are shown beside theirs (shortcut), the list doing the work.
const std::vector<TMenuDef>& MainMenu();

// Virtual-key codes the book list reacts to, and the modifiers held with them.
inline constexpr uint16_t kKeyEnter = 13;
inline constexpr uint16_t kKeyDelete = 46;
inline constexpr uint16_t kKeyUp = 38;
inline constexpr uint16_t kKeyDown = 40;
inline constexpr uint16_t kKeyM = 'M';
inline constexpr uint16_t kKeyE = 'E';
inline constexpr uint16_t kKeyF2 = 113;
inline constexpr unsigned kShiftDown = 0x1, kAltDown = 0x2, kCtrlDown = 0x4;

// A deletion's renumbering, or a card repair, shows its progress window only when it takes
// longer than this: a short one would only flash it.
inline constexpr std::chrono::milliseconds kSlowWorkDelay{500};

// What a front end gives the window logic.
struct TForm1Controls {
    platform::IMessageBoxes& boxes;
    ui::IListView& books;
    ui::IEdit& status;
    ui::IMenuItem& N9;
    ui::IOpenDialog& YDRRAROpenDialog;
    ui::IApplication& application;
    ICardSelectView& cardSelectView;
    ui::IProgressWindow& progress;
    // "Новая книга" and the folder dialog; without them a made book is written as it was found
    // and the folder item does nothing.
    ui::INewBookDialog* newBook = nullptr;
    ui::IFolderDialog* folderDialog = nullptr;
    // "Перемещение книги" and "Упорядочить книги"; without them those items do nothing.
    ui::IPlaceDialog* placeDialog = nullptr;
    ui::ISortDialog* sortDialog = nullptr;
    // "Описание книги"; without it F2 and its item do nothing.
    ui::IBookNamesDialog* namesDialog = nullptr;
    // The line that says where a moved book now is; cleared whenever the list shows the card.
    ui::IAnnouncement* announcement = nullptr;
    // "Проверять записанное" (N17), ticked while writes are read back and checked.
    ui::IMenuItem* verifyItem = nullptr;
};

class TForm1 {
public:
    explicit TForm1(const TForm1Controls& controls);
    TForm1(const TForm1Controls& controls, platform::Platform& platform);
    ~TForm1();
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    std::unique_ptr<TMemoryCard> card;
    std::string cardPath;
    std::unique_ptr<SettingsStore> settings;
    // How long a deletion or a repair runs before its progress window appears.
    std::chrono::milliseconds slowWorkDelay = kSlowWorkDelay;

    // Start-up, when the window is first shown.
    void FormShow();
    void FormDestroy();

    // Reads the card again and shows it, the check offered as after card work. Whenever the
    // list holds books, one row is current (and selected): the book the user was on, else the
    // row at its place, else the first.
    void RefreshBooks();
    bool CardPresent();
    bool WriteBookFromPath(const std::string& path, bool showSuccess);
    // The books chosen in the open dialog, written as the command line writes them.
    bool WriteBookFromDialog();
    bool DeleteSelectedBook(bool ask);
    void ProcessBookArguments();
    // The menu item and the Delete key: the current book is deleted after the question, and a
    // box says it is gone; a card without books is told so rather than nothing happening.
    void DeleteCurrentBook();

    // The main window is asked to close (its close box, Alt+F4, the system). True when it may
    // close now. While a write runs the user is asked first; on Yes the write is stopped, the
    // card left as it was, and the window closes then. A renumbering is let finish first.
    bool FormCloseQuery();
    // Whether a card operation is running on its worker thread: the window logic then takes no
    // commands and leaves the card model alone.
    bool Busy() const { return session_.Running(); }

    // Handlers of the list's keys (Enter and Delete with any modifiers; Ctrl+Up, Ctrl+Down and
    // Ctrl+M move the current book) and of the menu items.
    void booksKeyDown(uint16_t key, unsigned shift);
    void N3Click();
    void N4Click();
    void Delete1Click();
    void N6Click();
    void N8Click();
    void N9Click();
    // "Проверить карту": the findings in words, the question to mend them, the result.
    void N10Click();
    // "Записать папку с книгой на карту памяти": a folder chosen, then as WriteMadeBookFromDialog.
    void N11Click();
    // "Проверять записанное": the option switched, saved and its tick shown.
    void N17Click();
    // A book the program makes itself, chosen in a dialog (TMadeBookJob): found, shown in
    // "Новая книга" for the user to correct, then written.
    bool WriteMadeBookFromDialog(const std::string& path);
    void RunMenuCommand(MenuCommand command);
    // The current book moved (MoveUp, MoveDown, MoveTo) or the card put in an order (Sort)
    // (TArrangeFlow): the list then shows the card with the current book at its new place, and a
    // moved book's place is announced.
    void Arrange(MenuCommand command);
    // "Изменить описание книги" (F2): the current book's names shown in "Описание книги" and,
    // when saved, corrected in its descriptor; refused as a deletion is while a batch waits.
    void EditCurrentBook();
    // The system says volumes came or went (on the UI thread): the chosen card is taken where it
    // now is, or the list empties when it went, either heard; while it is away a volume with
    // books is offered. During card work the look waits until the work has ended.
    void DrivesChanged();
    // "Извлечь карту памяти" (Ctrl+E): the card written out, unmounted and powered off, then a
    // box says it may be taken out, or why the system refused.
    void EjectCard();

    TCardSelectForm& CardSelectForm() { return cardSelect_; }
    TExplorerIntegration& Integration() { return integration_; }

private:
    // The books of paths one after another behind one progress window (TWriteJob), the list then
    // showing the card: with showSuccess the success box of a single book, with several a
    // summary at the end; a failing book ends the list with its error box.
    bool WriteBooks(const std::vector<std::string>& paths, bool showSuccess);
    // The list shows the card as the writes left it, the last book written current.
    void ShowWrites(const TBookBatchResult& result);
    // The book in the row (TRemovalJob), the list then showing the card from the book that took
    // its place, and what the removal came to told; with sayGone also that the book is gone.
    // True when it is gone.
    bool DeleteBookAt(std::size_t row, bool ask, bool sayGone);
    // Draws the card model's listing, read again first unless the work left it as the card is
    // (scan), its free space and status line, and the current row: that of the book named
    // currentName (the nearest to row where several carry it), else the row at row, or the last
    // row when the list is shorter. Asks nothing.
    void ShowCard(bool scan, const std::string& currentName, std::size_t row);
    // Once card work has ended and the list shows the card: the check offered once per card
    // when the listing saw signs of trouble (a repair shown with the current book as given),
    // then the look at the volumes that waited for the work.
    void WorkEnded(const std::string& currentName, std::size_t row);
    // The book the list is on and its row; none and 0 without a current row.
    std::string CurrentName();
    std::size_t CurrentRow();
    // The check, the list showing the card as a repair left it before the repair is told.
    void RunCheck();
    void ShowRepair(const std::optional<TCardRepair>& repair, const std::string& currentName, std::size_t row);
    // The integration switched at the user's request and the menu item renamed; the new state
    // is told unless an elevated instance does the work.
    void SwitchIntegration(bool enable);
    bool CheckSwitchGiven();
    // The card at cardPath shown and heard as having come, as after card work; its path saved
    // when it moved. The book of place is current, as in ShowCard.
    void TakeCard(bool moved, const TListPlace& place);
    void Announce(const std::string& text);
    // The check switch alone on the command line: the check, then the program ends.
    void RunCheckSwitch();

    TForm1Controls controls_;
    platform::Platform& platform_;
    TCardSelectForm cardSelect_;
    TExplorerIntegration integration_;
    TProgressSession session_;
    // Once the user has chosen to close the program during a card operation nothing more is
    // started or told, and the window closes when the operation has ended.
    TTeller teller_;
    TCardCheckFlow checkFlow_;
    TCardWatch watch_;
};

// The program's answer to "--help" and "--version" (output to print, true to end at once);
// false for every other command line, which opens the window.
bool InformationRequest(const std::vector<std::string>& arguments, std::string& output);

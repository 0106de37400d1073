#include "app/Body.h"
#include "app/Version.h"

#include <algorithm>

#include "app/Cardtexts.h"
#include "book/String_routines_unit.h"
#include "book/Ydrunit.h"
#include "platform/Codepage.h"
#include "platform/Commandline.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "settings/Optionsunit.h"

namespace {

using platform::Ansi;

const char* const kCompanyWord = "kv8102tz";
const char* const kProgramWord = "ZWQManager";
const char* const kVersion = ZWQ_VERSION_TEXT;
const char* const kMakerAddress = "zwq-books.example";
using platform::kBytesPerMegabyte;

const std::string kMegabytes = Ansi(" Мб");
const std::string kStatusBooks = Ansi("Записано книг: ");
const std::string kStatusTotal = Ansi(", общим объемом ");
const std::string kStatusFree = Ansi(" Мб. Свободно ");
const std::string kStatusEnd = Ansi(" Мб.");
const std::string kCardNotFound = Ansi("Карта памяти не найдена: ");

const std::string kCardMissing = Ansi("Карта памяти не обнаружена");
const std::string kCaptionCheck = Ansi("Проверка");
const std::string kBookWord = Ansi("Книга ");
const std::string kWrittenTail = Ansi(" успешно записана на карту памяти");
const std::string kCaptionWrite = Ansi("Запись книги на карту памяти");
const std::string kWriteErrorHead = Ansi("Во время записи книги ");
const std::string kWriteErrorTail = Ansi(" произошла ошибка");
const std::string kDeleteQuestionHead = Ansi("Вы действительно хотите удалить книгу ");
const std::string kDeleteQuestionTail = Ansi(" с карты памяти");
const std::string kCaptionDelete = Ansi("Удаление книги");
const std::string kDeletedTail = Ansi(" удалена с карты памяти");
const std::string kNoBooks = Ansi("На карте памяти нет книг");
const std::string kDeleteManyHead = Ansi("Вы действительно хотите удалить книги (");
const std::string kDeleteManyTail = Ansi(" шт.) с карты памяти");
const std::string kCaptionDeleteMany = Ansi("Удаление книг");
const std::string kDeleteManyErrors = Ansi("Во время удаления книг возникли ошибки");
const std::string kDeleteManyDone = Ansi("Удаление книг завершено");
const std::string kCaptionWriteMany = Ansi("Запись книг");
const std::string kWriteManyErrors = Ansi("Во время записи книг возникли ошибки");
const std::string kWriteManyDone = Ansi("Запись книг завершена");
const std::string kCaptionCardCheck = Ansi("Проверка карты памяти");
const std::string kRepairQuestion =
    Ansi("Прерванные действия будут завершены, служебные файлы программы и недописанные книги удалены, "
         "пропуски в нумерации закрыты без изменения порядка книг. Исправить?");
const std::string kTroubleQuestion =
    Ansi("На карте памяти есть неполадки: прерванная запись, удаление или перенумерация книг, пропуски в "
         "нумерации или служебные файлы. Проверить карту сейчас?");
const std::string kBookAccusative = Ansi("Книгу ");
const std::string kRemovalUnfinished = Ansi(" не удалось удалить полностью. На карте памяти остались: ");
const std::string kRemovalStaysListed = Ansi(". Книга осталась в списке, её можно удалить ещё раз.");
const std::string kWriteCancelledHead = Ansi("Запись книги ");
const std::string kWriteCancelledTail = Ansi(" отменена, на карту памяти книга не записана.");
const std::string kWrittenBeforeCancel = Ansi(" До отмены записано книг: ");
const std::string kOf = Ansi(" из ");
const std::string kCloseDuringWrite =
    Ansi("Идёт запись книги на карту памяти. Прервать её и закрыть программу? Недописанная книга на карте памяти "
         "не останется.");
const char* const kArchiveExtension = ".RAR";
const std::string kRemovedLeftAlone =
    Ansi(" удалена. Файлы, которые лежат вне её папки и могут принадлежать другой книге, оставлены на месте: ");

const unsigned kQuestion = platform::kMbYesNoCancel | platform::kMbIconQuestion;
const unsigned kInformation = platform::kMbOk | platform::kMbIconInformation;
const unsigned kWarning = platform::kMbOk | platform::kMbIconWarning;
const unsigned kError = platform::kMbOk | platform::kMbIconError;

// Sets a flag for as long as the scope lasts, whatever way it ends.
class FlagWhile {
public:
    explicit FlagWhile(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagWhile() { flag_ = false; }
    FlagWhile(const FlagWhile&) = delete;
    FlagWhile& operator=(const FlagWhile&) = delete;

private:
    bool& flag_;
};

bool IsArchive(const std::string& path) { return AnsiUpperCase(platform::ExtensionOf(path)) == kArchiveExtension; }

// How the progress window names a book before the card model reports: a descriptor's book by
// its own name, an archive by its file's.
std::string BookSubject(const std::string& path, platform::IFileSystem& files) {
    TBookInfo book;
    if (!IsArchive(path) && ReadBookDescriptor(book, path, files)) return book.DisplayName;
    return platform::FileNameOf(path);
}

std::string AboutText() {
    return Ansi("ZWQ-менеджер ") + kVersion + " - " + kMakerAddress + "\n" +
           Ansi("Программа ZWQ-менеджер предназначена\n"
                "для упрощения записи и удаления книг\n"
                "с карты памяти для тифлофлешплеера\n"
                "\n"
                "Дополнительная информация и каталог\n"
                "ZWQ-книг на сайте ") +
           kMakerAddress;
}

}  // namespace

const TMainFormTexts& MainFormTexts() {
    static const TMainFormTexts texts{
        Ansi("ZWQ-менеджер ") + kMakerAddress + Ansi(" библиотека ZWQ-книг"),
        Ansi("ZWQ-менеджер"),
        Ansi("Содержимое карты памяти"),
        Ansi("Информация о карте памяти"),
        Ansi("Наименование книги"),
        Ansi("Размер"),
        Ansi("ZWQ-книга (*.ydr, *.rar)|*.ydr; *.rar"),
        Ansi("ZWQ-книга (*.ydr, *.rar)"),
        {"*.ydr", "*.rar"},
        kVersion,
        kMakerAddress,
    };
    return texts;
}

const std::vector<TMenuDef>& MainMenu() {
    static const std::vector<TMenuDef> menu = {
        {"N1", Ansi("Файл"),
         {{"N4", Ansi("Записать книгу на карту памяти (Enter)"), MenuCommand::WriteBook},
          {"Delete1", Ansi("Удалить с карты памяти выбранную книгу (Delete)"), MenuCommand::DeleteBook},
          {"N10", Ansi("Проверить карту"), MenuCommand::CheckCard},
          {"N2", "-", MenuCommand::None},
          {"N3", Ansi("Выход"), MenuCommand::Exit}}},
        {"N5", Ansi("Настройки"),
         {{"N6", Ansi("Выбрать карту памяти"), MenuCommand::ChooseCard},
          // The caption is set at start-up from the integration's state.
          {"N9", "?", MenuCommand::Integration}}},
        {"N7", Ansi("Справка"), {{"N8", Ansi("О программе..."), MenuCommand::About}}},
    };
    return menu;
}

TForm1::TForm1(const TForm1Controls& controls) : TForm1(controls, platform::NativePlatform()) {}

TForm1::TForm1(const TForm1Controls& controls, platform::Platform& platform)
    : card(std::make_unique<TMemoryCard>(platform)),
      controls_(controls),
      platform_(platform),
      cardSelect_(controls.cardSelectView, platform, controls.boxes),
      integration_(platform, controls.boxes, controls.application) {}

TForm1::~TForm1() = default;

void TForm1::FormShow() {
    card->RemoveStaleTempFolders();
    settings = std::make_unique<SettingsStore>(kCompanyWord, kProgramWord, platform_);
    settings->SetMessageBoxes(controls_.boxes);
    if (!LoadCardPath(*settings, cardPath)) {
        if (!ChooseCard(cardPath, cardSelect_)) {
            controls_.application.Terminate();
            return;
        }
        SaveCardPath(*settings, cardPath);
    }
    RefreshBooks();

    integration_.OfferIntegration(*settings);
    const std::vector<std::string> arguments = controls_.application.Arguments();
    if (arguments.size() == 1 && arguments[0] == platform::IntegrateSwitch()) {
        SwitchIntegration(true);
    }
    if (arguments.size() == 1 && arguments[0] == platform::DesintegrateSwitch()) {
        SwitchIntegration(false);
    }
    controls_.N9.SetCaption(integration_.IntegrationMenuCaption());
    RunCheckSwitch();

    ProcessBookArguments();
}

void TForm1::FormDestroy() { card.reset(); }

void TForm1::RefreshBooks() {
    const int selected = controls_.books.SelectedRow();
    if (selected < 0) {
        ShowBooks(std::string(), 0);
        return;
    }
    const auto row = static_cast<std::size_t>(selected);
    ShowBooks(row < controls_.books.RowCount() ? controls_.books.RowCaption(row) : std::string(), row);
}

void TForm1::ShowBooks(const std::string& currentName, std::size_t row) {
    card->SetCardPath(cardPath);
    card->Scan();
    controls_.books.Clear();
    controls_.books.ReserveRows(card->Books.size());
    int64_t totalMegabytes = 0;
    for (const auto& book : card->Books) {
        // Each book's size is truncated before it is added, so the total is the sum of the
        // figures in the list.
        const int64_t megabytes = book->TotalSize / kBytesPerMegabyte;
        totalMegabytes += megabytes;
        controls_.books.AddRow(book->DisplayName, std::to_string(megabytes) + kMegabytes);
    }
    // A card without a single free byte is still a card: only a failed query means none.
    const int64_t freeBytes = card->FreeSpace();
    if (freeBytes >= 0) {
        controls_.status.SetText(kStatusBooks + std::to_string(card->Books.size()) + kStatusTotal +
                                 std::to_string(totalMegabytes) + kStatusFree +
                                 std::to_string(freeBytes / kBytesPerMegabyte) + kStatusEnd);
    } else {
        controls_.status.SetText(kCardNotFound + cardPath);
    }
    OfferCardCheck();

    const std::size_t count = card->Books.size();
    if (count == 0) return;
    std::size_t current = std::min(row, count - 1);
    const auto distance = [row](std::size_t i) { return i > row ? i - row : row - i; };
    bool named = false;
    for (std::size_t i = 0; i < count && !currentName.empty(); ++i) {
        if (card->Books[i]->DisplayName != currentName) continue;
        if (!named || distance(i) < distance(current)) current = i;
        named = true;
    }
    controls_.books.SelectRow(current);
}

bool TForm1::CardPresent() {
    // Once the user has chosen to close the program, no more card work starts.
    if (closing_) return false;
    if (card->FreeSpace() >= 0) return true;
    Tell(kCardMissing, kCaptionCheck, kWarning);
    return false;
}

int TForm1::Tell(const std::string& text, const std::string& caption, unsigned flags) {
    if (closing_) return platform::kIdCancel;
    return controls_.boxes.ShowMessage(text, caption, flags);
}

void TForm1::RunCardWork(const TProgressPlan& plan, bool cancellable, std::chrono::milliseconds showAfter,
                         const std::function<void(TProgressPlan&, const TProgressCallback&, const platform::StopToken&)>& work) {
    {
        const FlagWhile busy(busy_);
        cancellable_ = cancellable;
        const auto start = std::chrono::steady_clock::now();
        TProgressPlan current = plan;
        // On the worker thread: the card model belongs to it until Run has returned, and each
        // report is worded there and only queued for the window.
        const auto onWorker = [&](ui::IProgressReport& report) {
            work(
                current,
                [&](const TCardProgress& progress) {
                    const auto elapsed =
                        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
                    report.Report(DescribeProgress(current, progress, elapsed));
                },
                report.StopRequest());
        };
        controls_.progress.Run(DescribeProgress(plan, std::nullopt, {}), cancellable, showAfter, onWorker);
    }
    if (closing_) controls_.application.CloseMainWindow();
}

bool TForm1::FormCloseQuery() {
    if (!busy_) return true;
    if (closing_) return false;
    if (cancellable_) {
        if (controls_.boxes.ShowMessage(kCloseDuringWrite, kCaptionWrite, kQuestion) != platform::kIdYes) return false;
        controls_.progress.Cancel();
    }
    // A renumbering is never stopped halfway: the window closes once it is done.
    closing_ = true;
    return false;
}

bool TForm1::WriteBookFromPath(const std::string& path, bool showSuccess) {
    return WriteInOrder({path}, showSuccess) == WriteEnd::Written;
}

bool TForm1::WriteBookFromDialog() {
    std::vector<std::string> paths;
    if (!controls_.YDRRAROpenDialog.Execute(paths) || paths.empty()) return false;
    return WriteBooks(paths);
}

bool TForm1::WriteBooks(const std::vector<std::string>& paths) {
    const WriteEnd end = WriteInOrder(paths, paths.size() == 1);
    // A stop asked for by the user has said how far the batch came.
    if (paths.size() > 1 && end == WriteEnd::Written) Tell(kWriteManyDone, kCaptionWriteMany, kInformation);
    if (paths.size() > 1 && end == WriteEnd::Failed) Tell(kWriteManyErrors, kCaptionWriteMany, kWarning);
    return end == WriteEnd::Written;
}

TForm1::WriteEnd TForm1::WriteInOrder(const std::vector<std::string>& paths, bool showSuccess) {
    if (paths.empty() || !CardPresent()) return WriteEnd::Failed;
    const int count = static_cast<int>(paths.size());
    int written = 0;
    bool ok = true;
    bool cardGone = false;
    std::string name;  // of the book under way, once its descriptor has been read
    TProgressPlan plan;
    plan.bookCount = count;
    plan.subject = BookSubject(paths.front(), platform_.files);
    plan.unpacks = IsArchive(paths.front());
    RunCardWork(plan, true, std::chrono::milliseconds::zero(),
                [&](TProgressPlan& current, const TProgressCallback& progress, const platform::StopToken& stop) {
                    for (int i = 0; i < count && ok; ++i) {
                        const std::string& path = paths[static_cast<std::size_t>(i)];
                        current.bookIndex = i + 1;
                        current.subject = BookSubject(path, platform_.files);
                        current.unpacks = IsArchive(path);
                        name.clear();
                        // Each book after the first finds the card as the one before left it.
                        if (i > 0 && card->FreeSpace() < 0) {
                            cardGone = true;
                            return;
                        }
                        if (i > 0) card->Scan();
                        ok = card->AddBook(
                            path,
                            [&](const TCardProgress& state) {
                                if (!state.bookName.empty()) name = state.bookName;
                                progress(state);
                            },
                            stop);
                        if (ok) ++written;
                    }
                });

    // The list shows the card as it now is before the outcome is told, so that the focus comes
    // back from the box to the last book written.
    if (written > 0) {
        const int selected = controls_.books.SelectedRow();
        ShowBooks(card->LastTitle, selected < 0 ? 0 : static_cast<std::size_t>(selected));
    } else {
        RefreshBooks();
    }
    if (cardGone) {
        Tell(kCardMissing, kCaptionCheck, kWarning);
        return WriteEnd::Failed;
    }
    // The book that failed or was stopped is the one after the last written.
    const std::string& path = paths[std::min(static_cast<std::size_t>(written), paths.size() - 1)];
    if (!ok && card->Cancelled) {
        std::string text = kWriteCancelledHead + (name.empty() ? path : name) + kWriteCancelledTail;
        if (count > 1) text += kWrittenBeforeCancel + std::to_string(written) + kOf + std::to_string(count) + ".";
        Tell(text, kCaptionWrite, kInformation);
        return WriteEnd::Cancelled;
    }
    if (!ok) {
        Tell(kWriteErrorHead + path + kWriteErrorTail + "\n" + CardErrorText(card->LastError), kCaptionWrite, kError);
        return WriteEnd::Failed;
    }
    if (showSuccess) Tell(kBookWord + card->LastTitle + kWrittenTail, kCaptionWrite, kInformation);
    return WriteEnd::Written;
}

bool TForm1::DeleteSelectedBook(bool ask) {
    if (!CardPresent()) return false;
    const int row = controls_.books.SelectedRow();
    if (row < 0 || static_cast<std::size_t>(row) >= card->Books.size()) return false;
    const std::string name = controls_.books.RowCaption(static_cast<std::size_t>(row));
    if (ask && Tell(kDeleteQuestionHead + name + kDeleteQuestionTail, kCaptionDelete, kQuestion) != platform::kIdYes) {
        return false;
    }
    bool removed = false;
    TProgressPlan plan;
    plan.work = TProgressPlan::Work::Delete;
    plan.subject = name;
    RunCardWork(plan, false, slowWorkDelay, [&](TProgressPlan&, const TProgressCallback& progress, const platform::StopToken&) {
        removed = card->DeleteBook(static_cast<std::size_t>(row), progress);
    });
    // The book that took the deleted one's place becomes current; the last one when the last went.
    ShowBooks(std::string(), static_cast<std::size_t>(row));
    ReportRemoval(name);
    return removed;
}

void TForm1::ProcessBookArguments() {
    std::vector<std::string> deletePaths;
    std::vector<std::string> writePaths;
    const std::string upperCard = AnsiUpperCase(cardPath);
    for (const std::string& argument : controls_.application.Arguments()) {
        if (platform::IsSwitchArgument(argument)) continue;
        const std::string fullPath = platform::IsBareFileName(argument)
                                         ? platform::JoinPath(platform_.system.CurrentDirectory(), argument)
                                         : argument;
        // On the card only when the path goes on below the card's folder: a card at D:\card does
        // not take in D:\cards2\BOOK_001.ydr.
        const std::string upper = AnsiUpperCase(fullPath);
        const bool onCard = !upperCard.empty() && upper.compare(0, upperCard.size(), upperCard) == 0 &&
                            (platform::IsFolderSeparator(upperCard.back()) ||
                             (upper.size() > upperCard.size() && platform::IsFolderSeparator(upper[upperCard.size()])));
        (onCard ? deletePaths : writePaths).push_back(fullPath);
    }

    if (deletePaths.size() > 1 &&
        Tell(kDeleteManyHead + std::to_string(deletePaths.size()) + kDeleteManyTail, kCaptionDeleteMany, kQuestion) !=
            platform::kIdYes) {
        controls_.application.CloseMainWindow();
        return;
    }

    // Each path names a book of the catalogue as it stands before the first deletion. Deletions
    // renumber the books above them, so each named book is followed through the moves by its
    // slot number and found again in the refreshed list; a deletion never falls on a book that
    // no path named.
    std::vector<int> targets;
    for (const std::string& path : deletePaths) {
        const std::string upper = AnsiUpperCase(path);
        for (const auto& book : card->Books) {
            if (AnsiUpperCase(book->Path) != upper) continue;
            if (std::find(targets.begin(), targets.end(), book->Number) == targets.end()) {
                targets.push_back(book->Number);
            }
            break;
        }
    }
    bool deleteErrors = false;
    for (std::size_t t = 0; t < targets.size(); ++t) {
        std::size_t row = 0;
        while (row < card->Books.size() && card->Books[row]->Number != targets[t]) ++row;
        if (row == card->Books.size()) continue;  // gone meanwhile
        controls_.books.SelectRow(row);
        card->LastMoves.clear();
        if (!DeleteSelectedBook(deletePaths.size() == 1)) {
            deleteErrors = true;
            continue;
        }
        for (std::size_t later = t + 1; later < targets.size(); ++later) {
            for (const auto& [from, to] : card->LastMoves) {
                if (targets[later] == from) {
                    targets[later] = to;
                    break;
                }
            }
        }
    }
    if (deletePaths.size() > 1) {
        if (deleteErrors) {
            Tell(kDeleteManyErrors, kCaptionDeleteMany, kWarning);
        } else {
            Tell(kDeleteManyDone, kCaptionDeleteMany, kInformation);
        }
    }

    if (!writePaths.empty()) WriteBooks(writePaths);

    if (!deletePaths.empty() || !writePaths.empty()) controls_.application.CloseMainWindow();
}

void TForm1::booksKeyDown(uint16_t key, unsigned /*shift: Shift, Ctrl and Alt act the same*/) {
    if (busy_) return;
    if (key == kKeyEnter) {
        WriteBookFromDialog();
    } else if (key == kKeyDelete) {
        DeleteCurrentBook();
    }
}

void TForm1::DeleteCurrentBook() {
    if (!CardPresent()) return;
    if (controls_.books.RowCount() == 0) {
        Tell(kNoBooks, kCaptionDelete, kWarning);
        return;
    }
    // A list with books always has its current row; the first stands in should the toolkit
    // have lost it. The question names the book either way.
    if (controls_.books.SelectedRow() < 0) controls_.books.SelectRow(0);
    const std::string name = controls_.books.RowCaption(static_cast<std::size_t>(controls_.books.SelectedRow()));
    // A removal that left files outside the book's folder has said so already.
    if (DeleteSelectedBook(true) && card->LastRemoval.leftAlone.empty()) {
        Tell(kBookWord + name + kDeletedTail, kCaptionDelete, kInformation);
    }
}

void TForm1::N3Click() { controls_.application.CloseMainWindow(); }

void TForm1::N4Click() { WriteBookFromDialog(); }

void TForm1::Delete1Click() { DeleteCurrentBook(); }

void TForm1::N6Click() {
    if (!ChooseCard(cardPath, cardSelect_)) return;
    // The list shows the new card, from its first book, before the choice is saved.
    ShowBooks(std::string(), 0);
    SaveCardPath(*settings, cardPath);
}

void TForm1::N8Click() {
    Tell(AboutText(), Ansi("ZWQ-менеджер О программе"), kInformation);
}

void TForm1::N9Click() { SwitchIntegration(!integration_.IsExplorerIntegrated()); }

void TForm1::SwitchIntegration(bool enable) {
    const AdminRights rights = integration_.SetExplorerIntegration(enable);
    controls_.N9.SetCaption(integration_.IntegrationMenuCaption());
    if (rights != AdminRights::Restarting) integration_.ReportIntegrationState();
}

void TForm1::N10Click() {
    if (!CardPresent()) return;
    checkedCard_ = cardPath;
    const std::vector<TCardFinding> findings = card->CheckCard();
    if (findings.empty()) {
        Tell(CardFindingsText(findings), kCaptionCardCheck, kInformation);
        return;
    }
    const bool repairable =
        std::any_of(findings.begin(), findings.end(), [](const TCardFinding& f) { return f.repairable; });
    if (!repairable) {
        Tell(CardFindingsText(findings), kCaptionCardCheck, kWarning);
        return;
    }
    if (Tell(CardFindingsText(findings) + kRepairQuestion, kCaptionCardCheck, kQuestion) != platform::kIdYes) {
        return;
    }
    TCardRepair repair;
    TProgressPlan plan;
    plan.work = TProgressPlan::Work::Repair;
    RunCardWork(plan, false, slowWorkDelay,
                [&](TProgressPlan&, const TProgressCallback&, const platform::StopToken&) { repair = card->RepairCard(); });
    RefreshBooks();
    Tell(CardRepairText(repair), kCaptionCardCheck, repair.leftAlone.empty() ? kInformation : kWarning);
}

void TForm1::OfferCardCheck() {
    if (!card->NeedsCheck() || checkedCard_ == cardPath || CheckSwitchGiven()) return;
    checkedCard_ = cardPath;
    if (Tell(kTroubleQuestion, kCaptionCardCheck, kQuestion) == platform::kIdYes) N10Click();
}

void TForm1::ReportRemoval(const std::string& name) {
    const TRemovalReport& report = card->LastRemoval;
    if (!report.removed) {
        Tell(kBookAccusative + name + kRemovalUnfinished + NamesText(report.stayed) + kRemovalStaysListed,
             kCaptionDelete, kError);
    } else if (!report.leftAlone.empty()) {
        Tell(kBookWord + name + kRemovedLeftAlone + NamesText(report.leftAlone), kCaptionDelete, kWarning);
    }
}

bool TForm1::CheckSwitchGiven() {
    const std::vector<std::string> arguments = controls_.application.Arguments();
    return arguments.size() == 1 && arguments[0] == platform::CheckCardSwitch();
}

void TForm1::RunCheckSwitch() {
    if (!CheckSwitchGiven()) return;
    N10Click();
    controls_.application.CloseMainWindow();
}

void TForm1::RunMenuCommand(MenuCommand command) {
    if (busy_) return;
    switch (command) {
        case MenuCommand::WriteBook: N4Click(); break;
        case MenuCommand::DeleteBook: Delete1Click(); break;
        case MenuCommand::CheckCard: N10Click(); break;
        case MenuCommand::Exit: N3Click(); break;
        case MenuCommand::ChooseCard: N6Click(); break;
        case MenuCommand::Integration: N9Click(); break;
        case MenuCommand::About: N8Click(); break;
        case MenuCommand::None: break;
    }
}

bool InformationRequest(const std::vector<std::string>& arguments, std::string& output) {
    if (arguments.size() != 1) return false;
    if (arguments[0] == "--version") {
        output = Ansi("ZWQ-менеджер ") + kVersion + "\n";
        return true;
    }
    if (arguments[0] != "--help") return false;
    output = Ansi("ZWQ-менеджер ") + kVersion + Ansi(": книги на карте памяти тифлофлешплеера\n\n") +
             Ansi("Запуск: zwq-manager [КНИГА...]\n\n"
                  "  КНИГА              файл .ydr или .rar: записать книгу на карту памяти;\n"
                  "                     файл BOOK_nnn.ydr на карте памяти: удалить книгу с карты\n") +
             "  " + platform::IntegrateSwitch() + Ansi("        связать файлы .ydr с программой\n") + "  " +
             platform::DesintegrateSwitch() + Ansi("     убрать эту связь\n") + "  " + platform::CheckCardSwitch() +
             Ansi("       проверить карту памяти, предложить исправить найденное и завершить работу\n") +
             Ansi("  --help             эта справка\n"
                  "  --version          версия программы\n");
    return true;
}

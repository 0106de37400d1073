#include "app/Body.h"
#include "app/Version.h"

#include <algorithm>

#include "app/Cardtexts.h"
#include "app/Texts.h"
#include "book/String_routines_unit.h"
#include "platform/Codepage.h"
#include "platform/Commandline.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "settings/Optionsunit.h"

namespace {

using platform::Ansi;
using namespace texts;

const char* const kCompanyWord = "kv8102tz";
const char* const kProgramWord = "ZWQManager";
const char* const kVersion = ZWQ_VERSION_TEXT;
const char* const kMakerAddress = "zwq-books.example";

using platform::kBytesPerMegabyte;

const unsigned kQuestion = platform::kMbYesNoCancel | platform::kMbIconQuestion;
const unsigned kInformation = platform::kMbOk | platform::kMbIconInformation;
const unsigned kWarning = platform::kMbOk | platform::kMbIconWarning;
const unsigned kError = platform::kMbOk | platform::kMbIconError;

}  // namespace

const TMainFormTexts& MainFormTexts() {
    static const TMainFormTexts texts{
        Ansi("ZWQ-менеджер ") + kMakerAddress + Ansi(" библиотека ZWQ-книг"),
        Ansi("ZWQ-менеджер"),
        Ansi("Содержимое карты памяти"),
        Ansi("Информация о карте памяти"),
        Ansi("Наименование книги"),
        Ansi("Размер"),
        Ansi("ZWQ-книга (*.ydr, *.rar, *.zip, *.7z, ncc.html, *.opf)|*.ydr; *.rar; *.zip; *.7z; ncc.html; *.opf"),
        Ansi("ZWQ-книга (*.ydr, *.rar, *.zip, *.7z, ncc.html, *.opf)"),
        {"*.ydr", "*.rar", "*.zip", "*.7z", "ncc.html", "*.opf"},
        kVersion,
        kMakerAddress,
    };
    return texts;
}

const std::vector<TMenuDef>& MainMenu() {
    static const std::vector<TMenuDef> menu = {
        {"N1", Ansi("Файл"),
         {{"N4", Ansi("Записать книгу на карту памяти (Enter)"), MenuCommand::WriteBook},
          {"N11", WriteFolderCaption(), MenuCommand::WriteFolder},
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
      integration_(platform, controls.boxes),
      session_(controls.progress),
      checkFlow_(*this, *card, session_) {
    // The user chose to close the window during the work: it closes now.
    session_.ended = [this] {
        if (closing_) controls_.application.CloseMainWindow();
    };
}

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

    // An elevated instance does the integration the user said Yes to; this one ends.
    if (integration_.OfferIntegration(*settings) == AdminRights::Restarting) controls_.application.Terminate();
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
    if (!CheckSwitchGiven()) {
        checkFlow_.showAfter = slowWorkDelay;
        checkFlow_.Offer(cardPath);
    }

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

bool TForm1::FormCloseQuery() {
    if (!session_.Running()) return true;
    if (closing_) return false;
    if (session_.Stoppable()) {
        if (controls_.boxes.ShowMessage(kCloseDuringWrite, kCaptionWrite, kQuestion) != platform::kIdYes) return false;
        session_.Stop();
    }
    // A renumbering is never stopped halfway: the window closes once it is done.
    closing_ = true;
    return false;
}

bool TForm1::WriteBookFromPath(const std::string& path, bool showSuccess) {
    return WriteInOrder({path}, showSuccess) == TBookBatchResult::End::Written;
}

bool TForm1::WriteBookFromDialog() {
    std::vector<std::string> paths;
    if (!controls_.YDRRAROpenDialog.Execute(paths) || paths.empty()) return false;
    if (paths.size() == 1 && controls_.newBook != nullptr && card->IsMadeBookSource(paths.front())) {
        return WriteMadeBookFromDialog(paths.front());
    }
    return WriteBooks(paths);
}

bool TForm1::WriteBooks(const std::vector<std::string>& paths) {
    using End = TBookBatchResult::End;
    const End end = WriteInOrder(paths, paths.size() == 1);
    // A stop asked for by the user has said how far the batch came.
    if (paths.size() > 1 && end == End::Written) Tell(kWriteManyDone, kCaptionWriteMany, kInformation);
    if (paths.size() > 1 && (end == End::Failed || end == End::CardGone)) {
        Tell(kWriteManyErrors, kCaptionWriteMany, kWarning);
    }
    return end == End::Written;
}

TBookBatchResult::End TForm1::WriteInOrder(const std::vector<std::string>& paths, bool showSuccess) {
    using End = TBookBatchResult::End;
    if (paths.empty() || !CardPresent()) return End::Failed;
    return ReportWrites(TBookBatch(*card, platform_.files, session_).Write(paths), showSuccess);
}

void TForm1::N11Click() {
    std::string folder;
    if (controls_.folderDialog == nullptr || !controls_.folderDialog->Execute(folder) || folder.empty()) return;
    if (controls_.newBook == nullptr) {
        WriteBooks({folder});
        return;
    }
    WriteMadeBookFromDialog(folder);
}

bool TForm1::WriteMadeBookFromDialog(const std::string& path) {
    if (!CardPresent()) return false;
    const std::optional<TBookBatchResult> result =
        TMadeBookJob(*card, session_, *controls_.newBook, slowWorkDelay).Write(path);
    if (!result) return false;
    return ReportWrites(*result, true) == TBookBatchResult::End::Written;
}

TBookBatchResult::End TForm1::ReportWrites(const TBookBatchResult& result, bool showSuccess) {
    using End = TBookBatchResult::End;
    // The list shows the card as it now is before the outcome is told, so that the focus comes
    // back from the box to the last book written.
    if (result.written > 0) {
        const int selected = controls_.books.SelectedRow();
        ShowBooks(result.title, selected < 0 ? 0 : static_cast<std::size_t>(selected));
    } else {
        RefreshBooks();
    }
    switch (result.end) {
        case End::CardGone:
            Tell(kCardMissing, kCaptionCheck, kWarning);
            break;
        case End::Cancelled: {
            std::string text = kWriteCancelledHead + (result.name.empty() ? result.path : result.name) + kWriteCancelledTail;
            if (result.count > 1) {
                text += kWrittenBeforeCancel + std::to_string(result.written) + kOf + std::to_string(result.count) + ".";
            }
            Tell(text, kCaptionWrite, kInformation);
            break;
        }
        case End::Failed:
            Tell(kWriteErrorHead + result.path + kWriteErrorTail + "\n" + result.error, kCaptionWrite, kError);
            break;
        case End::Written:
            if (showSuccess) Tell(kBookWord + result.title + kWrittenTail, kCaptionWrite, kInformation);
            break;
    }
    return result.end;
}

bool TForm1::DeleteSelectedBook(bool ask) {
    if (!CardPresent()) return false;
    const int row = controls_.books.SelectedRow();
    if (row < 0) return false;
    const auto removal = DeleteBookAt(static_cast<std::size_t>(row), ask);
    return removal && *removal;
}

std::optional<std::vector<TBookMove>> TForm1::DeleteBookInSlot(int slot, bool ask) {
    for (std::size_t row = 0; row < card->Books.size(); ++row) {
        if (card->Books[row]->Number != slot) continue;
        const auto removal = DeleteBookAt(row, ask);
        if (!removal || !*removal) return std::nullopt;
        return removal->moves;
    }
    return std::nullopt;
}

std::optional<TRemoval> TForm1::DeleteBookAt(std::size_t row, bool ask) {
    if (!CardPresent() || row >= card->Books.size()) return std::nullopt;
    const std::string name = card->Books[row]->DisplayName;
    if (card->BatchAwaitsCheck()) {
        // A removal or renumbering cut short waits for the check, whose plan must still fit the
        // card then: no book goes before it.
        TRemoval refused;
        refused.report.awaitsCheck = true;
        checkFlow_.showAfter = slowWorkDelay;
        checkFlow_.Refuse(kBookAccusative + name + kDeleteAwaitsCheck, kCaptionDelete, cardPath);
        return refused;
    }
    if (ask && Tell(kDeleteQuestionHead + name + kDeleteQuestionTail, kCaptionDelete, kQuestion) != platform::kIdYes) {
        return std::nullopt;
    }
    TProgressPlan plan;
    plan.work = TProgressPlan::Work::Delete;
    plan.subject = name;
    TRemoval removal;
    session_.Run(plan, false, slowWorkDelay, [&](TProgressPlan&, const TProgressCallback& progress, const platform::StopToken&) {
        removal = card->DeleteBook(row, progress);
    });
    // The book that took the deleted one's place becomes current; the last one when the last went.
    ShowBooks(std::string(), row);
    ReportRemoval(name, removal.report);
    return removal;
}

void TForm1::ProcessBookArguments() {
    const TBookArguments books =
        SortBookArguments(controls_.application.Arguments(), cardPath, platform_.system.CurrentDirectory());
    checkFlow_.Hold();
    const TCommandLineBatch::Outcome outcome = TCommandLineBatch(*this, *card).Run(books);
    // A check the batch's scans called for is offered once the batch has ended.
    if (outcome != TCommandLineBatch::Outcome::Refused) checkFlow_.Release(cardPath);
    if (outcome != TCommandLineBatch::Outcome::NothingNamed) controls_.application.CloseMainWindow();
}

void TForm1::booksKeyDown(uint16_t key, unsigned /*shift: Shift, Ctrl and Alt act the same*/) {
    if (session_.Running()) return;
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
    const auto row = static_cast<std::size_t>(controls_.books.SelectedRow());
    const std::string name = controls_.books.RowCaption(row);
    const auto removal = DeleteBookAt(row, true);
    // A removal that left files outside the book's folder has said so already.
    if (removal && *removal && removal->report.leftAlone.empty()) {
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
    Tell(AboutText(kVersion, kMakerAddress), kAboutCaption, kInformation);
}

void TForm1::N9Click() { SwitchIntegration(!integration_.IsExplorerIntegrated()); }

void TForm1::SwitchIntegration(bool enable) {
    const AdminRights rights = integration_.SetExplorerIntegration(enable);
    controls_.N9.SetCaption(integration_.IntegrationMenuCaption());
    if (rights == AdminRights::Restarting) {
        controls_.application.Terminate();
    } else {
        integration_.ReportIntegrationState();
    }
}

void TForm1::N10Click() {
    if (!CardPresent()) return;
    checkFlow_.showAfter = slowWorkDelay;
    checkFlow_.Run(cardPath);
}

void TForm1::ReportRemoval(const std::string& name, const TRemovalReport& report) {
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
    if (session_.Running()) return;
    switch (command) {
        case MenuCommand::WriteBook: N4Click(); break;
        case MenuCommand::WriteFolder: N11Click(); break;
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
        output = kProgramName + " " + kVersion + "\n";
        return true;
    }
    if (arguments[0] != "--help") return false;
    output = HelpText(kVersion, platform::IntegrateSwitch(), platform::DesintegrateSwitch(),
                      platform::CheckCardSwitch());
    return true;
}

#include "app/Body.h"

#include <algorithm>

#include "app/Cardtexts.h"
#include "app/Commandlinebatch.h"
#include "app/Texts.h"
#include "book/String_routines_unit.h"
#include "platform/Codepage.h"
#include "platform/Commandline.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "settings/Optionsunit.h"

namespace {

using namespace texts;
using namespace boxflags;
using platform::kBytesPerMegabyte;

const char* const kCompanyWord = "kv8102tz";
const char* const kProgramWord = "ZWQManager";

}  // namespace

TForm1::TForm1(const TForm1Controls& controls) : TForm1(controls, platform::NativePlatform()) {}

TForm1::TForm1(const TForm1Controls& controls, platform::Platform& platform)
    : card(std::make_unique<TMemoryCard>(platform)),
      controls_(controls),
      platform_(platform),
      cardSelect_(controls.cardSelectView, platform, controls.boxes),
      integration_(platform, controls.boxes),
      // The user chose to close the window during the work: it closes now.
      session_(controls.progress,
               [this] {
                   if (teller_.Closing()) controls_.application.CloseMainWindow();
               }),
      teller_(controls.boxes),
      checkFlow_(teller_, *card, session_, slowWorkDelay),
      watch_(platform, teller_) {}

TForm1::~TForm1() = default;

void TForm1::FormShow() {
    card->RemoveStaleTempFolders();
    settings = std::make_unique<SettingsStore>(kCompanyWord, kProgramWord, platform_);
    settings->SetMessageBoxes(controls_.boxes);
    const bool stored = LoadCardPath(*settings, cardPath);
    if (!stored) {
        if (!ChooseCard(cardPath, cardSelect_)) {
            controls_.application.Terminate();
            return;
        }
        SaveCardPath(*settings, cardPath);
    }
    // The card mounted at another root than last time is taken there.
    if (watch_.Begin(*settings, cardPath) == TCardWatch::Change::Came) SaveCardPath(*settings, cardPath);
    if (!stored) watch_.Chosen(cardPath);
    card->SetCardPath(watch_.Present() || !watch_.Known() ? cardPath : std::string());
    card->VerifyWrites = LoadVerifyWrites(*settings);
    if (controls_.verifyItem != nullptr) controls_.verifyItem->SetChecked(card->VerifyWrites);
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
    const std::string currentName = CurrentName();
    const std::size_t row = CurrentRow();
    ShowCard(true, currentName, row);
    WorkEnded(currentName, row);
}

std::string TForm1::CurrentName() {
    const std::size_t row = CurrentRow();
    return controls_.books.SelectedRow() >= 0 && row < controls_.books.RowCount() ? controls_.books.RowCaption(row)
                                                                                  : std::string();
}

std::size_t TForm1::CurrentRow() {
    const int selected = controls_.books.SelectedRow();
    return selected < 0 ? 0 : static_cast<std::size_t>(selected);
}

void TForm1::WorkEnded(const std::string& currentName, std::size_t row) {
    if (CheckSwitchGiven()) return;
    ShowRepair(checkFlow_.Offer(cardPath), currentName, row);
    if (!session_.Running() && watch_.TakePending()) DrivesChanged();
}

void TForm1::RunCheck() {
    const std::string currentName = CurrentName();
    const std::size_t row = CurrentRow();
    ShowRepair(checkFlow_.Run(cardPath), currentName, row);
}

void TForm1::ShowRepair(const std::optional<TCardRepair>& repair, const std::string& currentName, std::size_t row) {
    if (!repair) return;
    // The repair has left the card model's listing as the card now is.
    ShowCard(false, currentName, row);
    checkFlow_.TellRepair(*repair);
}

void TForm1::ShowCard(bool scan, const std::string& currentName, std::size_t row) {
    if (scan) card->Scan();
    if (controls_.announcement != nullptr) controls_.announcement->Announce(std::string());
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
        controls_.status.SetText(watch_.Gone() ? kCardNotConnected : kCardNotFound + cardPath);
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

bool TForm1::CardPresent() { return ::CardPresent(*card, teller_); }

bool TForm1::FormCloseQuery() {
    if (!session_.Running()) return true;
    if (teller_.Closing()) return false;
    if (session_.Stoppable()) {
        if (teller_.Tell(kCloseDuringWrite, kCaptionWrite, kQuestion) != platform::kIdYes) return false;
        session_.Stop();
    }
    // A renumbering is never stopped halfway: the window closes once it is done.
    teller_.Close();
    return false;
}

bool TForm1::WriteBookFromPath(const std::string& path, bool showSuccess) { return WriteBooks({path}, showSuccess); }

bool TForm1::WriteBookFromDialog() {
    std::vector<std::string> paths;
    if (!controls_.YDRRAROpenDialog.Execute(paths) || paths.empty()) return false;
    if (paths.size() == 1 && controls_.newBook != nullptr && card->IsMadeBookSource(paths.front())) {
        return WriteMadeBookFromDialog(paths.front());
    }
    return WriteBooks(paths, paths.size() == 1);
}

bool TForm1::WriteBooks(const std::vector<std::string>& paths, bool showSuccess) {
    TWriteJob job(*card, platform_.files, session_, teller_, slowWorkDelay);
    const std::optional<TBookBatchResult> result = job.Write(paths);
    if (result) ShowWrites(*result);
    const TBookBatchResult::End end = job.Report(result, showSuccess);
    job.Summarize(end, paths.size());
    return end == TBookBatchResult::End::Written;
}

void TForm1::N11Click() {
    std::string folder;
    if (controls_.folderDialog == nullptr || !controls_.folderDialog->Execute(folder) || folder.empty()) return;
    if (controls_.newBook == nullptr) {
        WriteBooks({folder}, true);
        return;
    }
    WriteMadeBookFromDialog(folder);
}

bool TForm1::WriteMadeBookFromDialog(const std::string& path) {
    TWriteJob job(*card, platform_.files, session_, teller_, slowWorkDelay);
    const std::optional<TBookBatchResult> result = job.WriteMade(path, *controls_.newBook);
    if (!result) return false;
    ShowWrites(*result);
    return job.Report(result, true) == TBookBatchResult::End::Written;
}

void TForm1::ShowWrites(const TBookBatchResult& result) {
    // The list shows the card as it now is before the outcome is told, so that the focus comes
    // back from the box to the last book written. The writes leave the listing behind.
    const std::string currentName = result.written > 0 ? result.title : CurrentName();
    const std::size_t row = CurrentRow();
    ShowCard(true, currentName, row);
    WorkEnded(currentName, row);
}

bool TForm1::DeleteSelectedBook(bool ask) {
    if (!CardPresent()) return false;
    const int row = controls_.books.SelectedRow();
    if (row < 0) return false;
    return DeleteBookAt(static_cast<std::size_t>(row), ask, false);
}

bool TForm1::DeleteBookAt(std::size_t row, bool ask, bool sayGone) {
    TRemovalJob job(*card, session_, teller_, checkFlow_, slowWorkDelay, false);
    const std::optional<TRemovalOutcome> outcome = job.Remove(row, ask);
    if (!outcome) return false;
    if (outcome->checkNow) RunCheck();
    if (outcome->removal.report.awaitsCheck) return false;
    // The removal leaves the listing as the card is. The book that took the deleted one's
    // place becomes current; the last one when the last went.
    ShowCard(false, std::string(), row);
    WorkEnded(std::string(), row);
    job.Report(*outcome, sayGone);
    return outcome->removal;
}

void TForm1::ProcessBookArguments() {
    const TBookArguments books =
        SortBookArguments(controls_.application.Arguments(), cardPath, platform_.system.CurrentDirectory());
    TRemovalJob removal(*card, session_, teller_, checkFlow_, slowWorkDelay, true);
    TWriteJob writer(*card, platform_.files, session_, teller_, slowWorkDelay);
    const TCommandLineBatch::Outcome outcome = TCommandLineBatch(removal, writer, teller_, *card).Run(books);
    // The card as the batch left it, and a check its work called for offered once it has ended.
    if (outcome == TCommandLineBatch::Outcome::Done) {
        const std::string currentName = CurrentName();
        const std::size_t row = CurrentRow();
        ShowCard(!books.writes.empty(), currentName, row);
        WorkEnded(currentName, row);
    }
    if (outcome != TCommandLineBatch::Outcome::NothingNamed) controls_.application.CloseMainWindow();
}

void TForm1::N6Click() {
    if (!ChooseCard(cardPath, cardSelect_)) return;
    // The list shows the new card, from its first book, before the choice is saved.
    card->SetCardPath(cardPath);
    ShowCard(true, std::string(), 0);
    WorkEnded(std::string(), 0);
    SaveCardPath(*settings, cardPath);
    watch_.Chosen(cardPath);
}

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
    if (CardPresent()) RunCheck();
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

void TForm1::EditCurrentBook() {
    if (!CardPresent() || card->Books.empty() || controls_.namesDialog == nullptr) return;
    const std::size_t row = std::min(CurrentRow(), card->Books.size() - 1);
    const TBookInfo& book = *card->Books[row];
    if (card->BatchAwaitsCheck()) {
        if (checkFlow_.Refuse(kBookAccusative + book.DisplayName + kEditAwaitsCheck, kCaptionEdit, false)) RunCheck();
        return;
    }
    TNewBookForm form;
    form.author = platform::Cp1251ToUtf8(book.Author);
    form.title = platform::Cp1251ToUtf8(book.Title);
    form.announcer = platform::Cp1251ToUtf8(book.Announcer);
    if (!controls_.namesDialog->Execute(form)) return;
    const TCardError refused = card->CorrectBook(row, TBookNames{form.title, form.author, form.announcer});
    const std::string currentName = card->Books[row]->DisplayName;
    ShowCard(false, currentName, row);
    WorkEnded(currentName, row);
    if (refused.failed()) teller_.Tell(CardErrorText(refused), kCaptionEdit, kError);
}

void TForm1::Arrange(MenuCommand command) {
    if (!CardPresent() || card->Books.empty()) return;
    const std::size_t row = CurrentRow();
    TArrangeFlow flow(*card, session_, teller_, checkFlow_, slowWorkDelay);
    TArrangeFlow::TResult result;
    if (command == MenuCommand::MoveUp || command == MenuCommand::MoveDown) {
        result = flow.Move(row, command == MenuCommand::MoveUp ? -1 : 1);
    } else if (command == MenuCommand::MoveTo && controls_.placeDialog != nullptr) {
        result = flow.MoveTo(row, *controls_.placeDialog);
    } else if (command == MenuCommand::Sort && controls_.sortDialog != nullptr) {
        result = flow.Sort(row, *controls_.sortDialog);
    }
    if (result.checkNow) RunCheck();
    if (!result.done) return;
    ShowCard(false, result.current, result.row);
    WorkEnded(result.current, result.row);
    if (controls_.announcement != nullptr && !result.heard.empty()) controls_.announcement->Announce(result.heard);
    flow.Report(result);
}

// The card as the system mounts and unmounts it, and taking it out.

void TForm1::DrivesChanged() {
    if (settings == nullptr || teller_.Closing() || CheckSwitchGiven()) return;
    // The card model belongs to the work under way; a card pulled meanwhile ends it as a
    // failing card does, and the card is looked at once it has ended (WorkEnded).
    if (session_.Running()) {
        watch_.Defer();
        return;
    }
    const std::string before = cardPath;
    switch (watch_.Look(cardPath, TListPlace{CurrentName(), CurrentRow()})) {
        case TCardWatch::Change::Came: TakeCard(cardPath != before, watch_.WentFrom()); break;
        case TCardWatch::Change::Went:
            card->SetCardPath(std::string());
            ShowCard(true, std::string(), 0);
            Announce(texts::kCardWent);
            break;
        case TCardWatch::Change::None: break;
    }
    if (const std::optional<std::string> root = watch_.Offer(cardPath)) {
        cardPath = *root;
        TakeCard(true, TListPlace{});
        watch_.Chosen(cardPath);
    }
}

void TForm1::TakeCard(bool moved, const TListPlace& place) {
    card->SetCardPath(cardPath);
    if (moved) SaveCardPath(*settings, cardPath);
    ShowCard(true, place.name, place.row);
    WorkEnded(place.name, place.row);
    Announce(TCardWatch::CameText(card->Books.size()));
}

void TForm1::Announce(const std::string& text) {
    if (controls_.announcement != nullptr) controls_.announcement->Announce(text);
}

void TForm1::EjectCard() {
    if (!CardPresent()) return;
    std::string reason;
    if (!platform_.drives.Eject(cardPath, reason)) {
        teller_.Tell(texts::kEjectRefused + reason, texts::kEjectCaption, kError);
        return;
    }
    // The list empties at once; the system's own word of the volume going comes later.
    DrivesChanged();
    teller_.Tell(texts::kEjected, texts::kEjectCaption, kInformation);
}

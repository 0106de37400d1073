// Writing a book the program makes itself, interactively: found (and unpacked) behind the
// progress window, shown in "Новая книга", written behind the progress window again.
#include "app/Body.h"
#include "platform/Codepage.h"
#include "platform/Paths.h"

namespace {

using platform::Ansi;

const std::string kBookWord = Ansi("Книга ");
const std::string kWrittenTail = Ansi(" успешно записана на карту памяти");
const std::string kCaptionWrite = Ansi("Запись книги на карту памяти");
const std::string kWriteErrorHead = Ansi("Во время записи книги ");
const std::string kWriteErrorTail = Ansi(" произошла ошибка");
const std::string kWriteCancelledHead = Ansi("Запись книги ");
const std::string kWriteCancelledTail = Ansi(" отменена, на карту памяти книга не записана.");
const unsigned kInformation = platform::kMbOk | platform::kMbIconInformation;
const unsigned kError = platform::kMbOk | platform::kMbIconError;

}  // namespace

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
    TMadeBook book;
    bool ok = false;
    TProgressPlan plan;
    plan.subject = platform::FileNameOf(platform::StripTrailingSeparators(path));
    plan.unpacks = platform::UpperCase1251(platform::ExtensionOf(path)) == ".ZIP" ||
                   platform::UpperCase1251(platform::ExtensionOf(path)) == ".7Z";
    RunCardWork(plan, true, slowWorkDelay, [&](TProgressPlan&, const TProgressCallback& progress) {
        ok = card->PrepareMadeBook(path, book, progress);
    });
    std::string name = plan.subject;
    if (ok && book.DescriptorPath.empty()) {
        TNewBookForm form = NewBookForm(book);
        if (!controls_.newBook->Execute(form)) {
            card->DropMadeBook();
            return false;
        }
        ApplyNewBookForm(form, book);
        name = MadeDisplayName(book);
    }
    if (ok) {
        plan.subject = name;
        plan.unpacks = false;
        RunCardWork(plan, true, std::chrono::milliseconds::zero(),
                    [&](TProgressPlan&, const TProgressCallback& progress) { ok = card->WriteMadeBook(book, progress); });
    }
    if (ok) {
        const int selected = controls_.books.SelectedRow();
        ShowBooks(card->LastTitle, selected < 0 ? 0 : static_cast<std::size_t>(selected));
        Tell(kBookWord + card->LastTitle + kWrittenTail, kCaptionWrite, kInformation);
        return true;
    }
    RefreshBooks();
    if (card->Cancelled) {
        Tell(kWriteCancelledHead + name + kWriteCancelledTail, kCaptionWrite, kInformation);
    } else {
        Tell(kWriteErrorHead + path + kWriteErrorTail + "\n" + card->ErrorText, kCaptionWrite, kError);
    }
    return false;
}

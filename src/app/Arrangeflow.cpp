#include "app/Arrangeflow.h"

#include <algorithm>

#include "app/Texts.h"
#include "platform/Codepage.h"
#include "platform/Dialogs.h"

using namespace boxflags;

namespace {

using platform::Ansi;

const std::string kCaption = Ansi("Перемещение книг");
const std::string kAwaitsCheck =
    Ansi("Книги не переставить, пока карта памяти не проверена: на ней осталось прерванное удаление или "
         "перенумерация книг.");
const std::string kCardRefused =
    Ansi("Книги не переставлены: карта памяти не принимает запись (она защищена от записи или заполнена). На "
         "карте ничего не изменено.");
const std::string kHeldHead = Ansi("Книги не переставлены: файл ");
const std::string kHeldTail = Ansi(" занят другой программой или защищён от записи. На карте ничего не изменено.");
const std::string kStopped =
    Ansi("Перестановка книг остановлена. Все книги целы; проверьте карту, и проверка её закончит.");
const std::string kWillMoveHead = Ansi("Книги будут переставлены: ");
const std::string kOf = Ansi(" из ");
const std::string kGoOn = Ansi(". Продолжить?");
const std::string kInOrder = Ansi("Книги уже стоят в этом порядке.");
const std::string kMovedHead = Ansi("Книги переставлены: ");

}  // namespace

const TArrangeTexts& ArrangeTexts() {
    static const TArrangeTexts texts{
        Ansi("Перемещение книги"), Ansi("&Место книги (от 1 до "), Ansi("Место книги (от 1 до "),
        Ansi("Переместить"),       Ansi("Упорядочить книги"),       Ansi("По &автору и названию"),
        Ansi("По &названию"),      Ansi("Упорядочить"),             Ansi("Отмена"),
    };
    return texts;
}

TArrangeFlow::TResult TArrangeFlow::Arrange(const std::vector<int>& order, std::size_t row, bool sort) {
    TResult result;
    result.sort = sort;
    if (row < card_.Books.size()) result.current = card_.Books[row]->DisplayName;
    const int number = row < card_.Books.size() ? card_.Books[row]->Number : -1;
    if (card_.BatchAwaitsCheck()) {
        result.checkNow = check_.Refuse(kAwaitsCheck, kCaption, false);
        return result;
    }
    TProgressPlan plan;
    plan.work = TProgressPlan::Work::Arrange;
    plan.subject = result.current;
    TArrangement done;
    session_.Run(plan, false, showAfter_, [&](TProgressPlan&, const TProgressCallback& progress, const platform::StopToken&) {
        done = card_.ArrangeBooks(order, progress);
    });
    result.done = done;
    // The book the user was on stays current, at its new place: the place its number took in
    // the order, also among books of one name; by its name when the batch did not finish.
    const auto placed = std::find(order.begin(), order.end(), number);
    if (done.arranged && placed != order.end()) {
        result.row = static_cast<std::size_t>(placed - order.begin());
    } else {
        for (std::size_t i = 0; i < card_.Books.size(); ++i) {
            if (card_.Books[i]->DisplayName == result.current) result.row = i;
        }
    }
    if (!sort && done.arranged) result.heard = texts::kMovedToPlace + std::to_string(result.row + 1);
    return result;
}

TArrangeFlow::TResult TArrangeFlow::Move(std::size_t row, int delta) {
    const std::size_t count = card_.Books.size();
    if (row >= count || (delta < 0 && row == 0) || (delta > 0 && row + 1 >= count)) return TResult();
    std::vector<int> order;
    for (const auto& book : card_.Books) order.push_back(book->Number);
    std::swap(order[row], order[delta < 0 ? row - 1 : row + 1]);
    return Arrange(order, row, false);
}

TArrangeFlow::TResult TArrangeFlow::MoveTo(std::size_t row, ui::IPlaceDialog& dialog) {
    if (row >= card_.Books.size()) return TResult();
    std::size_t place = row + 1;
    if (!dialog.Execute(card_.Books[row]->DisplayName, card_.Books.size(), place) || place < 1 ||
        place > card_.Books.size() || place == row + 1) {
        return TResult();
    }
    std::vector<int> order;
    for (const auto& book : card_.Books) order.push_back(book->Number);
    const int moved = order[row];
    order.erase(order.begin() + static_cast<std::ptrdiff_t>(row));
    order.insert(order.begin() + static_cast<std::ptrdiff_t>(place - 1), moved);
    return Arrange(order, row, false);
}

TArrangeFlow::TResult TArrangeFlow::Sort(std::size_t row, ui::ISortDialog& dialog) {
    TBookOrder chosen = TBookOrder::AuthorThenTitle;
    if (!dialog.Execute(chosen)) return TResult();
    std::vector<const TBookInfo*> books;
    for (const auto& book : card_.Books) books.push_back(book.get());
    std::vector<int> order;
    std::size_t changing = 0;
    const std::vector<std::size_t> places = SortedPlaces(books, chosen);
    for (std::size_t i = 0; i < places.size(); ++i) {
        order.push_back(books[places[i]]->Number);
        if (places[i] != i) ++changing;
    }
    if (changing == 0) {
        teller_.Tell(kInOrder, kCaption, kInformation);
        return TResult();
    }
    if (teller_.Tell(kWillMoveHead + std::to_string(changing) + kOf + std::to_string(books.size()) + kGoOn, kCaption,
                     kQuestion) != platform::kIdYes) {
        return TResult();
    }
    TResult result = Arrange(order, row, true);
    if (result.done && result.done->arranged) result.told = kMovedHead + std::to_string(changing) + ".";
    return result;
}

void TArrangeFlow::Report(const TResult& result) {
    if (!result.done) return;
    const TArrangement& done = *result.done;
    if (done.cardRefused) {
        teller_.Tell(kCardRefused, kCaption, kError);
    } else if (done.waitsForCheck) {
        teller_.Tell(kStopped, kCaption, kWarning);
    } else if (!done.held.empty()) {
        teller_.Tell(kHeldHead + done.held + kHeldTail, kCaption, kError);
    } else if (!result.told.empty()) {
        teller_.Tell(result.told, kCaption, kInformation);
    }
}

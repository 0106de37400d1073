#pragma once
// Arranging the card's books from the window: the current book one place up or down, to a
// place the user names ("Перемещение книги"), or the whole card put in an order ("Упорядочить
// книги") after the user has heard how much will change. The flow asks and runs the batch
// behind the progress window; the window then shows the card, and the flow says the outcome.

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

#include "app/Cardcheckflow.h"
#include "app/Progresssession.h"
#include "app/Teller.h"
#include "book/Bookorder.h"
#include "card/Zwqcardunit.h"

// Captions of the two dialogs and their controls (Windows-1251).
struct TArrangeTexts {
    std::string placeCaption;  // "Перемещение книги"
    std::string placeLabel;    // "&Место книги (от 1 до ", count and ")" follow
    std::string placeName;     // the label without "&", for screen readers
    std::string move;          // "Переместить" (default)
    std::string sortCaption;   // "Упорядочить книги"
    std::string byAuthor;      // "По &автору и названию"
    std::string byTitle;       // "По &названию"
    std::string sort;          // "Упорядочить" (default)
    std::string cancel;        // "Отмена"
};
const TArrangeTexts& ArrangeTexts();

namespace ui {

// "Перемещение книги", modal: the place (1 to count) for the book named; true on "Переместить".
class IPlaceDialog {
public:
    virtual ~IPlaceDialog() = default;
    virtual bool Execute(const std::string& bookName, std::size_t count, std::size_t& place) = 0;
};

// "Упорядочить книги", modal: the order chosen; true on "Упорядочить".
class ISortDialog {
public:
    virtual ~ISortDialog() = default;
    virtual bool Execute(TBookOrder& order) = 0;
};

}  // namespace ui

class TArrangeFlow {
public:
    TArrangeFlow(TMemoryCard& card, TProgressSession& session, TTeller& teller, TCardCheckFlow& check,
                 std::chrono::milliseconds showAfter)
        : card_(card), session_(session), teller_(teller), check_(check), showAfter_(showAfter) {}

    // What an arrangement came to: the book to be current afterwards and its row.
    struct TResult {
        std::optional<TArrangement> done;  // nothing when the user did not go on
        bool checkNow = false;             // refused while a batch waits; the user asked for the check
        std::string current;
        std::size_t row = 0;
        std::string told;                  // said once the list shows the card
        std::string heard;                 // a moved book's new place, announced then
        bool sort = false;
    };
    // The book in row one place up (delta -1) or down (+1); nothing at the edge.
    TResult Move(std::size_t row, int delta);
    TResult MoveTo(std::size_t row, ui::IPlaceDialog& dialog);
    // The card in the order the user chooses, after the question how much will change; row
    // is the current book's, which stays current.
    TResult Sort(std::size_t row, ui::ISortDialog& dialog);
    // Once the list shows the card: the refusals, and how many books a sort moved.
    void Report(const TResult& result);

private:
    TResult Arrange(const std::vector<int>& order, std::size_t row, bool sort);

    TMemoryCard& card_;
    TProgressSession& session_;
    TTeller& teller_;
    TCardCheckFlow& check_;
    std::chrono::milliseconds showAfter_;
};

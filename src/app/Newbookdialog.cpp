#include "app/Newbookdialog.h"

#include "app/Cardtexts.h"
#include "book/String_routines_unit.h"
#include "platform/Codepage.h"
#include "platform/Files.h"

namespace {

using platform::Ansi;

constexpr int64_t kSecondsPerMinute = 60;
constexpr int64_t kMinutesPerHour = 60;

// The word for count in Russian: one, a few (2-4), many.
std::string Counted(int64_t count, const char* one, const char* few, const char* many) {
    return std::to_string(count) + " " + RussianPlural(count, Ansi(one), Ansi(few), Ansi(many));
}

std::string PlayingTime(int64_t seconds) {
    const int64_t minutes = (seconds + kSecondsPerMinute / 2) / kSecondsPerMinute;
    const int64_t hours = minutes / kMinutesPerHour;
    if (hours == 0) return std::to_string(minutes) + Ansi(" мин");
    return std::to_string(hours) + Ansi(" ч ") + std::to_string(minutes % kMinutesPerHour) + Ansi(" мин");
}

}  // namespace

const TNewBookTexts& NewBookTexts() {
    static const TNewBookTexts texts{
        Ansi("Новая книга"), Ansi("&Автор:"),  Ansi("&Название:"), Ansi("&Чтец:"), Ansi("Автор"),
        Ansi("Название"),    Ansi("Чтец"),     Ansi("Записать"),   Ansi("Отмена"),
    };
    return texts;
}

const TBookNamesTexts& BookNamesTexts() {
    const TNewBookTexts& made = NewBookTexts();
    static const TBookNamesTexts texts{
        Ansi("Описание книги"), made.author,     made.title,          made.announcer, made.authorName,
        made.titleName,         made.announcerName, Ansi("Сохранить"), made.cancel,
    };
    return texts;
}

const std::string& WriteFolderCaption() {
    static const std::string caption = Ansi("Записать папку с книгой на карту памяти");
    return caption;
}

std::string BookSummary(const TMadeBook& book) {
    std::string text = Counted(static_cast<int64_t>(book.Files.size()), "файл", "файла", "файлов") + ", ";
    const int64_t seconds = book.TotalSeconds();
    if (seconds < 0) {
        text += Ansi("время звучания неизвестно");
    } else {
        text += PlayingTime(seconds);
        if (book.UnknownTimes() > 0) {
            text += Ansi(" (без ") + Counted(book.UnknownTimes(), "файла", "файлов", "файлов") +
                    Ansi(", время которых неизвестно)");
        }
    }
    return text + ", " + std::to_string(book.TotalSize() / platform::kBytesPerMegabyte) + Ansi(" Мб");
}

TNewBookForm NewBookForm(const TMadeBook& book) {
    TNewBookForm form;
    form.author = book.Author;
    form.title = book.Title;
    form.announcer = book.Announcer;
    form.summary = BookSummary(book);
    if (!book.LeftOut.empty()) {
        const std::vector<TFileKind> kinds = FileKinds(book.LeftOut);
        form.leftOut = Ansi("Не MP3, не записываются: ") + FileKindsText(kinds) + " (" + NamesText(book.LeftOut) + ")" +
                       (OtherAudioIn(kinds) ? Ansi(". Проигрыватель воспроизводит только MP3") : "");
    }
    return form;
}

void ApplyNewBookForm(const TNewBookForm& form, TMadeBook& book) {
    book.Author = form.author;
    book.Title = form.title;
    book.Announcer = form.announcer;
}

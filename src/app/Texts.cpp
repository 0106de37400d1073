#include "app/Texts.h"

#include "platform/Codepage.h"

namespace texts {

using platform::Ansi;

const std::string kMegabytes = Ansi(" Мб");
const std::string kKilobytes = Ansi(" Кб");
const std::string kOf = Ansi(" из ");

const std::string kStatusBooks = Ansi("Записано книг: ");
const std::string kStatusTotal = Ansi(", общим объемом ");
const std::string kStatusFree = Ansi(" Мб. Свободно ");
const std::string kStatusEnd = Ansi(" Мб.");
const std::string kCardNotFound = Ansi("Карта памяти не найдена: ");
const std::string kMovedToPlace = Ansi("Книга перемещена на место ");

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
const std::string kDeleteAwaitsCheck =
    Ansi(" не удалить, пока карта памяти не проверена: на ней осталось прерванное удаление или перенумерация книг.");
const std::string kCaptionEdit = Ansi("Описание книги");
const std::string kEditAwaitsCheck =
    Ansi(" не изменить, пока карта памяти не проверена: на ней осталось прерванное удаление или перенумерация книг.");
const std::string kCheckNowQuestion = Ansi(" Проверить карту сейчас?");
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
const std::string kRemovalHeld = Ansi(" не удалить");
const std::string kRemovalStaysListed = Ansi(". Книга осталась в списке, её можно удалить ещё раз.");
const std::string kWriteCancelledHead = Ansi("Запись книги ");
const std::string kWriteCancelledTail = Ansi(" отменена, на карту памяти книга не записана.");
const std::string kWrittenBeforeCancel = Ansi(" До отмены записано книг: ");
const std::string kCloseDuringWrite =
    Ansi("Идёт запись книги на карту памяти. Прервать её и закрыть программу? Недописанная книга на карте памяти "
         "не останется.");
const std::string kRemovalCardRefused =
    Ansi(" не удалена: карта памяти не принимает запись (она защищена от записи или заполнена). На карте ничего "
         "не изменено.");
const std::string kHeldFile = Ansi(": файл ");
const std::string kHeldTail = Ansi(" занят другой программой или защищён от записи.");
const std::string kRemovalHeldAdvice =
    Ansi(" На карте ничего не изменено. Закройте программу, которая его держит, и удалите книгу ещё раз.");
const std::string kRenumberingStopped = Ansi(" удалена, но перенумерация остальных книг остановлена");
const std::string kRenumberingAdvice =
    Ansi(" Все книги целы. Закройте программу, которая держит файл, и проверьте карту: проверка закончит "
         "перенумерацию.");
const std::string kRemovedLeftAlone =
    Ansi(" удалена. Файлы, которые лежат вне её папки и могут принадлежать другой книге, оставлены на месте: ");
const std::string kAboutCaption = Ansi("ZWQ-менеджер О программе");
const std::string kProgramName = Ansi("ZWQ-менеджер");

std::string AboutText(const std::string& version, const std::string& makerAddress) {
    return kProgramName + " " + version + " - " + makerAddress + "\n" +
           Ansi("Программа ZWQ-менеджер предназначена\n"
                "для упрощения записи и удаления книг\n"
                "с карты памяти для тифлофлешплеера\n"
                "\n"
                "Дополнительная информация и каталог\n"
                "ZWQ-книг на сайте ") +
           makerAddress;
}

std::string HelpText(const std::string& version, const std::string& integrate, const std::string& desintegrate,
                     const std::string& check) {
    return kProgramName + " " + version + Ansi(": книги на карте памяти тифлофлешплеера\n\n") +
           Ansi("Запуск: zwq-manager [КНИГА...]\n\n"
                "  КНИГА              файл .ydr или .rar: записать книгу на карту памяти;\n"
                "                     папка с файлами MP3, архив .zip или .7z, книга DAISY (папка,\n"
                "                     ncc.html или .opf): сделать из неё книгу и записать;\n"
                "                     файл BOOK_nnn.ydr на карте памяти: удалить книгу с карты\n") +
           "  " + integrate + Ansi("        связать файлы .ydr с программой\n") + "  " + desintegrate +
           Ansi("     убрать эту связь\n") + "  " + check +
           Ansi("       проверить карту памяти, предложить исправить найденное и завершить работу\n") +
           Ansi("  --help             эта справка\n"
                "  --version          версия программы\n");
}

const std::string kWriteCaption = Ansi("Запись книги ");
const std::string kDeleteCaption = Ansi("Удаление книги ");
const std::string kRepairCaption = Ansi("Проверка карты памяти");
const std::string kArrangeCaption = Ansi("Перестановка книг");
const std::string kArranging = Ansi("перестановка книг");
const std::string kBatchHead = Ansi(" (книга ");
const std::string kBatchTail = ")";
const std::string kPreparing = Ansi("подготовка к записи");
const std::string kRemoving = Ansi("удаление файлов книги");
const std::string kChecking = Ansi("проверка карты памяти");
const std::string kRepairing = Ansi("исправление карты памяти");
const std::string kUnpacking = Ansi("распаковка архива");
const std::string kCopying = Ansi("копирование: файл ");
const std::string kFlushing = Ansi("запись данных на карту памяти");
const std::string kVerifying = Ansi("проверка записанного: файл ");
const std::string kRenumbering = Ansi("перенумерация: книга ");
const std::string kPercent = " %";
const std::string kSeparator = ", ";
const std::string kTimeLeft = Ansi("осталось около ");
// "около" takes the genitive: singular after a number ending in 1 (but not 11), plural else.
const std::string kSecondSingular = Ansi(" секунды");
const std::string kSecondPlural = Ansi(" секунд");
const std::string kMinuteSingular = Ansi(" минуты");
const std::string kMinutePlural = Ansi(" минут");
const std::string kCancel = Ansi("Отмена");

}  // namespace texts

#include "app/Cardtexts.h"

#include <algorithm>

#include "app/Texts.h"
#include "book/String_routines_unit.h"
#include "platform/Codepage.h"
#include "platform/Files.h"

namespace {

using platform::Ansi;

// Why a write failed.
const std::string kUndefinedError = Ansi("<неопределенная ошибка>");
const std::string kUnsupportedFormat = Ansi("Неподдерживаемый формат книги (");
const std::string kUnpackError = Ansi("Ошибка во время разархивирования");
const std::string kNoDescriptorInArchive = Ansi("Архив не содержит файл BOOK_001.ydr");
const std::string kNoBookInfo = Ansi("Не удалось получить информацию о книге");
const std::string kBookWord = Ansi("Книга ");
const std::string kAlreadyOnCard = Ansi(" уже присутствует на карте памяти");
const std::string kNoSlotName = Ansi("Не удалось получить имя для книги");
const std::string kFolderError = Ansi("Ошибка во время создания каталога ");
const std::string kOnCard = Ansi(" на карте памяти");
const std::string kCopyError = Ansi("Ошибка во время копирования файла ");
const std::string kSaveError = Ansi("Ошибка во время сохранения файла ");
const std::string kFlushError = Ansi("Ошибка во время записи файлов книги на карту памяти");
const std::string kGarbledHead = Ansi("Файл ");
const std::string kGarbledTail = Ansi(" записан на карту памяти с ошибкой: возможно, карта памяти неисправна");
const std::string kCancelledText = Ansi("Запись книги отменена");
const std::string kNoRoomHead = Ansi("Книга не помещается на карту памяти: нужно ");
const std::string kNoRoomFree = Ansi(" Мб, свободно ");
const std::string kNoRoomTail = Ansi(" Мб");
const std::string kAwaitsCheck = Ansi(
    "Книгу не изменить, пока карта памяти не проверена: на ней осталось прерванное удаление или перенумерация книг");

// Why no book could be made of a folder, a DAISY book or an archive.
const std::string kFolderWord = Ansi("В папке ");
const std::string kNoAudio = Ansi(" нет файлов MP3");
const std::string kThereAre = Ansi(", в ней ");
const std::string kPlaysMp3Only = Ansi(
    ". Проигрыватель воспроизводит только MP3: переведите книгу в MP3 и запишите её снова");
const std::string kFolderUnreadable = Ansi("Не удалось прочитать папку ");
const std::string kBookFileUnreadable = Ansi("Не удалось прочитать файл книги ");
const std::string kEntryOutside = Ansi("Книга ссылается на файл вне своей папки: ");
const std::string kEntryMissing = Ansi("Книга ссылается на отсутствующий файл: ");

// The card check.
const std::string kFoundHead = Ansi("На карте памяти найдено:");
const std::string kNothingFound = Ansi("Неполадок на карте памяти не найдено.");
const std::string kMendedHead = Ansi("Исправлено:");
const std::string kLeftHead = Ansi("Оставлено без изменений:");
const std::string kAllWell = Ansi("Карта памяти в порядке.");
const std::string kItem = "- ";
const std::string kRemovalBroken = Ansi("прервано удаление книги ");
const std::string kRemovalNotBegun = Ansi(" до удаления её файлов: книга останется на карте");
const std::string kMoveBroken = Ansi("прерван перенос книги ");
const std::string kArrangementBroken = Ansi("прервана перестановка книг на карте");
const std::string kFromNumber = Ansi(" с номера ");
const std::string kToNumber = Ansi(" на номер ");
const std::string kNumberOpen = Ansi(" (номер ");
const std::string kFolderLower = Ansi("папка ");
const std::string kPartialWrite = Ansi(" без описания книги: запись книги не была закончена");
const std::string kBookLower = Ansi("книга ");
const std::string kMissingFiles = Ansi(" ссылается на отсутствующие файлы: ");
const std::string kAndMore = Ansi(" и ещё ");
const std::string kMissingReason =
    Ansi(". Такую книгу программа сама не удаляет: удалите её или запишите заново");
const std::string kFileWord = Ansi("файл ");
const std::string kUnreadable =
    Ansi(" не читается как описание книги. Программа не трогает файлы, которых не создавала");
const std::string kScratch = Ansi("служебный файл программы ");
const std::string kGaps = Ansi("пропуски в нумерации книг: ");
const std::string kRenumbered = Ansi("книги перенумерованы по порядку, перенесено книг: ");
const std::string kNotMended = Ansi(". Исправить это не удалось");
const std::string kHeldFile = Ansi(": файл ");
const std::string kHeldAdvice =
    Ansi(" занят другой программой или защищён от записи. Закройте её и проверьте карту снова");
constexpr std::size_t kListedFiles = 3;

// "3, 5-7, 9"
std::string NumberRanges(const std::vector<int>& numbers) {
    std::string text;
    for (std::size_t i = 0; i < numbers.size();) {
        std::size_t j = i;
        while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1) ++j;
        if (!text.empty()) text += ", ";
        text += std::to_string(numbers[i]);
        if (j > i) text += "-" + std::to_string(numbers[j]);
        i = j + 1;
    }
    return text;
}

std::string NotMadeText(TNotMade::Reason reason, const std::string& subject, const std::vector<TFileKind>& leftOut) {
    using Reason = TNotMade::Reason;
    switch (reason) {
        case Reason::NoAudio:
            return kFolderWord + subject + kNoAudio + (leftOut.empty() ? "" : kThereAre + FileKindsText(leftOut)) +
                   (OtherAudioIn(leftOut) ? kPlaysMp3Only : "");
        case Reason::FolderUnreadable: return kFolderUnreadable + subject;
        case Reason::BookFileUnreadable: return kBookFileUnreadable + subject;
        case Reason::EntryOutside: return kEntryOutside + subject;
        case Reason::EntryMissing: return kEntryMissing + subject;
        case Reason::None: break;
    }
    return kUndefinedError;
}

std::string FindingText(const TCardFinding& f) {
    using Kind = TCardFinding::Kind;
    const std::string number = kNumberOpen + std::to_string(f.slot) + ")";
    switch (f.kind) {
        case Kind::InterruptedRemoval:
            return kRemovalBroken + f.name + number + (f.completes ? "" : kRemovalNotBegun) +
                   (f.held.empty() ? "" : kHeldFile + f.held + kHeldAdvice);
        case Kind::InterruptedArrangement:
            return kArrangementBroken + (f.held.empty() ? "" : kHeldFile + f.held + kHeldAdvice);
        case Kind::InterruptedMove:
            return kMoveBroken + f.name + kFromNumber + std::to_string(f.slot) + kToNumber + std::to_string(f.toSlot);
        case Kind::PartialWrite: return kFolderLower + f.name + kPartialWrite;
        case Kind::MissingFiles: {
            return kBookLower + f.name + number + kMissingFiles + NamesText(f.files) + kMissingReason;
        }
        case Kind::Unreadable: return kFileWord + f.name + kUnreadable;
        case Kind::Scratch: return kScratch + f.name;
        case Kind::Gap: break;
    }
    return std::string();
}

// One line per finding, the gaps together in one line at the end; tail follows the lines
// of repairable findings.
std::string FindingLines(const std::vector<TCardFinding>& findings, const std::string& repairableTail) {
    std::string text;
    std::vector<int> gaps;
    for (const TCardFinding& f : findings) {
        if (f.kind == TCardFinding::Kind::Gap) {
            gaps.push_back(f.slot);
        } else {
            text += kItem + FindingText(f) + (f.repairable ? repairableTail : std::string()) + "\n";
        }
    }
    if (!gaps.empty()) text += kItem + kGaps + NumberRanges(gaps) + repairableTail + "\n";
    return text;
}

}  // namespace

std::string FileKindsText(const std::vector<TFileKind>& kinds) {
    std::string text;
    for (const TFileKind& k : kinds) {
        text += (text.empty() ? "" : ", ") + std::to_string(k.count) + " " +
                RussianPlural(k.count, Ansi("файл"), Ansi("файла"), Ansi("файлов")) + " " + k.kind;
    }
    return text;
}

bool OtherAudioIn(const std::vector<TFileKind>& kinds) {
    return std::any_of(kinds.begin(), kinds.end(), [](const TFileKind& k) { return IsOtherAudioKind(k.kind); });
}

std::string NamesText(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size() && i < kListedFiles; ++i) text += (i > 0 ? ", " : "") + names[i];
    if (names.size() > kListedFiles) text += kAndMore + std::to_string(names.size() - kListedFiles);
    return text;
}

std::string CardFindingsText(const std::vector<TCardFinding>& findings) {
    if (findings.empty()) return kNothingFound;
    return kFoundHead + "\n" + FindingLines(findings, std::string());
}

std::string CardRepairText(const TCardRepair& repair) {
    std::string text;
    if (!repair.mended.empty() || !repair.moves.empty()) {
        text += kMendedHead + "\n" + FindingLines(repair.mended, std::string());
        if (!repair.moves.empty()) text += kItem + kRenumbered + std::to_string(repair.moves.size()) + "\n";
    }
    if (repair.leftAlone.empty()) return text + kAllWell;
    return text + kLeftHead + "\n" + FindingLines(repair.leftAlone, kNotMended);
}

std::string CardErrorText(const TCardError& error) {
    using Code = TCardError::Code;
    constexpr int64_t kMb = platform::kBytesPerMegabyte;
    switch (error.code) {
        case Code::None: return std::string();
        case Code::Undefined: return kUndefinedError;
        case Code::UnsupportedFormat: return kUnsupportedFormat + error.subject + ")";
        // What the extractor can tell the user follows on a line of its own.
        case Code::Unpack: return error.advice.empty() ? kUnpackError : kUnpackError + "\n" + error.advice;
        case Code::NoDescriptorInArchive: return kNoDescriptorInArchive;
        case Code::NoBookInfo: return kNoBookInfo;
        case Code::AlreadyOnCard: return kBookWord + error.subject + kAlreadyOnCard;
        case Code::NoSlotName: return kNoSlotName;
        case Code::Folder: return kFolderError + error.subject + kOnCard;
        case Code::Copy: return kCopyError + error.subject;
        case Code::Save: return kSaveError + error.subject;
        case Code::Flush: return kFlushError;
        case Code::Garbled: return kGarbledHead + error.subject + kGarbledTail;
        case Code::Cancelled: return kCancelledText;
        case Code::NotMade: return NotMadeText(error.notMade, error.subject, error.leftOut);
        case Code::AwaitsCheck: return kAwaitsCheck;
        case Code::NoCard: return texts::kCardMissing;
        case Code::NoRoom:
            return kNoRoomHead + std::to_string((error.neededBytes + kMb - 1) / kMb) + kNoRoomFree +
                   std::to_string(error.freeBytes / kMb) + kNoRoomTail;
    }
    return kUndefinedError;
}

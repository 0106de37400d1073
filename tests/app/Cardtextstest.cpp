// The words of the card's write errors, each once: the card's own tests compare codes.
#include <gtest/gtest.h>

#include "app/Cardtexts.h"
#include "support/Testsupport.h"

using testsupport::A;

TEST(CardTexts, EveryWriteErrorHasItsWords) {
    using Code = TCardError::Code;
    using Reason = TNotMade::Reason;
    const auto error = [](Code code, std::string subject = {}, Reason reason = Reason::None) {
        TCardError e = TCardError::Of(code, std::move(subject));
        e.notMade = reason;
        return e;
    };
    TCardError noRoom = error(Code::NoRoom);
    noRoom.neededBytes = (5 << 20) + 1;  // rounded up
    noRoom.freeBytes = (3 << 20) - 1;    // rounded down
    TCardError noAudio = error(Code::NotMade, "D:\\book", Reason::NoAudio);
    noAudio.leftOut = {{"FLAC", 21}, {"JPG", 1}};
    TCardError noAudioNoHint = noAudio;
    noAudioNoHint.leftOut = {{"TXT", 2}};
    TCardError unpack = error(Code::Unpack);
    unpack.advice = A("Положите unrar.exe рядом с программой");
    const struct {
        TCardError error;
        const char* words;
    } cases[] = {
        {error(Code::None), ""},
        {error(Code::Undefined), "<неопределенная ошибка>"},
        {error(Code::UnsupportedFormat, ".txt"), "Неподдерживаемый формат книги (.txt)"},
        {error(Code::Unpack), "Ошибка во время разархивирования"},
        {unpack, "Ошибка во время разархивирования\nПоложите unrar.exe рядом с программой"},
        {error(Code::NoDescriptorInArchive), "Архив не содержит файл BOOK_001.ydr"},
        {error(Code::NoBookInfo), "Не удалось получить информацию о книге"},
        {error(Code::AlreadyOnCard, A("Автор - Книга")), "Книга Автор - Книга уже присутствует на карте памяти"},
        {error(Code::NoSlotName), "Не удалось получить имя для книги"},
        {error(Code::Folder, "E:\\BOOK_002"), "Ошибка во время создания каталога E:\\BOOK_002 на карте памяти"},
        {error(Code::Copy, "D:\\src\\CD1\\01.mp3"), "Ошибка во время копирования файла D:\\src\\CD1\\01.mp3"},
        {error(Code::Save, "E:\\BOOK_002.ydr"), "Ошибка во время сохранения файла E:\\BOOK_002.ydr"},
        {error(Code::Flush), "Ошибка во время записи файлов книги на карту памяти"},
        {error(Code::Cancelled), "Запись книги отменена"},
        {error(Code::NoCard), "Карта памяти не обнаружена"},
        {noRoom, "Книга не помещается на карту памяти: нужно 6 Мб, свободно 2 Мб"},
        {error(Code::NotMade, "D:\\book", Reason::NoAudio), "В папке D:\\book нет файлов MP3"},
        {noAudio, "В папке D:\\book нет файлов MP3, в ней 21 файл FLAC, 1 файл JPG. Проигрыватель воспроизводит только "
                  "MP3: переведите книгу в MP3 и запишите её снова"},
        {noAudioNoHint, "В папке D:\\book нет файлов MP3, в ней 2 файла TXT"},
        {error(Code::NotMade, "D:\\book", Reason::FolderUnreadable), "Не удалось прочитать папку D:\\book"},
        {error(Code::NotMade, "a.smil", Reason::BookFileUnreadable), "Не удалось прочитать файл книги a.smil"},
        {error(Code::NotMade, "../x.mp3", Reason::EntryOutside), "Книга ссылается на файл вне своей папки: ../x.mp3"},
        {error(Code::NotMade, "x.mp3", Reason::EntryMissing), "Книга ссылается на отсутствующий файл: x.mp3"},
        {error(Code::AwaitsCheck),
         "Книгу не изменить, пока карта памяти не проверена: на ней осталось прерванное удаление или перенумерация книг"},
    };
    for (const auto& c : cases) EXPECT_EQ(CardErrorText(c.error), A(c.words)) << static_cast<int>(c.error.code);
}

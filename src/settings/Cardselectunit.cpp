#include "settings/Cardselectunit.h"

#include "book/String_routines_unit.h"
#include "platform/Codepage.h"

const TCardSelectTexts& CardSelectTexts() {
    static const TCardSelectTexts texts{
        platform::Ansi("Выбор карты памяти"),
        platform::Ansi("Выберите букву диска соответствующую карте памяти с ZWQ-книгами"),
        "OK",
        platform::Ansi("Отмена"),
    };
    return texts;
}

bool TCardSelectForm::Choose(std::string& cardPath) {
    view_.ClearDrives();
    for (const std::string& root : drives_.RemovableDrives()) view_.AddDrive(root);
    view_.SetText(cardPath);
    for (;;) {
        if (view_.ShowModal() != platform::kIdOk) return false;
        const std::string text = view_.Text();
        if (!TrimBlanks(text).empty()) {
            cardPath = text;
            return true;
        }
        boxes_.ShowMessage(platform::Ansi("Необходимо указать карту памяти"), CardSelectTexts().caption,
                           platform::kMbOk | platform::kMbIconWarning);
    }
}

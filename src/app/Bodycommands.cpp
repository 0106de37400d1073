// The main window's texts and menu, the commands of the menu and the list's keys handed to the
// window logic's work, and the program's answer to "--help" and "--version".
#include "app/Body.h"
#include "app/Version.h"

#include "app/Texts.h"
#include "platform/Codepage.h"
#include "platform/Commandline.h"
#include "settings/Optionsunit.h"

namespace {

using platform::Ansi;
using namespace texts;
using namespace boxflags;

const char* const kVersion = ZWQ_VERSION_TEXT;
const char* const kMakerAddress = "zwq-books.example";

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
         {{"N4", Ansi("Записать книгу на карту памяти (Enter)"), MenuCommand::WriteBook, ""},
          {"N11", WriteFolderCaption(), MenuCommand::WriteFolder, ""},
          {"Delete1", Ansi("Удалить с карты памяти выбранную книгу (Delete)"), MenuCommand::DeleteBook, ""},
          {"N10", Ansi("Проверить карту"), MenuCommand::CheckCard, ""},
          {"N19", kEjectCaption, MenuCommand::Eject, "Ctrl+E"},
          {"N12", "-", MenuCommand::None, ""},
          {"N18", Ansi("Изменить описание книги"), MenuCommand::EditBook, "F2"},
          {"N13", Ansi("Переместить выше"), MenuCommand::MoveUp, "Ctrl+Up"},
          {"N14", Ansi("Переместить ниже"), MenuCommand::MoveDown, "Ctrl+Down"},
          {"N15", Ansi("Переместить на место…"), MenuCommand::MoveTo, "Ctrl+M"},
          {"N16", Ansi("Упорядочить книги…"), MenuCommand::Sort, ""},
          {"N2", "-", MenuCommand::None, ""},
          {"N3", Ansi("Выход"), MenuCommand::Exit, ""}}},
        {"N5", Ansi("Настройки"),
         {{"N6", Ansi("Выбрать карту памяти"), MenuCommand::ChooseCard, ""},
          // The caption is set at start-up from the integration's state.
          {"N9", "?", MenuCommand::Integration, ""},
          {"N17", Ansi("Проверять записанное"), MenuCommand::VerifyWrites, "", true}}},
        {"N7", Ansi("Справка"), {{"N8", Ansi("О программе..."), MenuCommand::About, ""}}},
    };
    return menu;
}

void TForm1::booksKeyDown(uint16_t key, unsigned shift) {
    if (session_.Running()) return;
    const bool ctrl = (shift & kCtrlDown) != 0;
    if (ctrl && (key == kKeyUp || key == kKeyDown || key == kKeyM)) {
        Arrange(key == kKeyUp ? MenuCommand::MoveUp : key == kKeyDown ? MenuCommand::MoveDown : MenuCommand::MoveTo);
    } else if (ctrl && key == kKeyE) {
        EjectCard();
    } else if (key == kKeyF2) {
        EditCurrentBook();
    } else if (key == kKeyEnter) {
        WriteBookFromDialog();
    } else if (key == kKeyDelete) {
        DeleteCurrentBook();
    }
}

void TForm1::DeleteCurrentBook() {
    if (!CardPresent()) return;
    if (controls_.books.RowCount() == 0) {
        teller_.Tell(kNoBooks, kCaptionDelete, kWarning);
        return;
    }
    // A list with books always has its current row; the first stands in should the toolkit
    // have lost it. The question names the book either way.
    if (controls_.books.SelectedRow() < 0) controls_.books.SelectRow(0);
    DeleteBookAt(static_cast<std::size_t>(controls_.books.SelectedRow()), true, true);
}

void TForm1::N3Click() { controls_.application.CloseMainWindow(); }

void TForm1::N4Click() { WriteBookFromDialog(); }

void TForm1::Delete1Click() { DeleteCurrentBook(); }

void TForm1::N8Click() {
    teller_.Tell(AboutText(kVersion, kMakerAddress), kAboutCaption, kInformation);
}

void TForm1::N17Click() {
    card->VerifyWrites = !card->VerifyWrites;
    if (controls_.verifyItem != nullptr) controls_.verifyItem->SetChecked(card->VerifyWrites);
    SaveVerifyWrites(*settings, card->VerifyWrites);
}

void TForm1::N9Click() { SwitchIntegration(!integration_.IsExplorerIntegrated()); }

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
        case MenuCommand::MoveUp:
        case MenuCommand::MoveDown:
        case MenuCommand::MoveTo:
        case MenuCommand::Sort: Arrange(command); break;
        case MenuCommand::EditBook: EditCurrentBook(); break;
        case MenuCommand::Eject: EjectCard(); break;
        case MenuCommand::VerifyWrites: N17Click(); break;
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

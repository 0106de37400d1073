#pragma once
// The program as a whole: the application object, the main window with its window logic, the
// card-selection dialog and the message boxes, and the run of the event loop.

#include <QStringList>

#include <memory>
#include <string>
#include <vector>

#include "Arrangedialogs.h"
#include "Cardselectdialog.h"
#include "Mainwindow.h"
#include "Newbookdialog.h"
#include "Progressdialog.h"
#include "Qtapplication.h"
#include "Qtmessageboxes.h"
#include "app/Body.h"
#include "platform/Platform.h"

class QApplication;
class QTranslator;

namespace qtgui {

// The windows of one run, made before the first showing: the main window first, then the
// card-selection and progress dialogs, then the window logic that drives them.
class Frontend {
public:
    Frontend(platform::Platform& platform, QtApplication& application);
    ~Frontend();
    Frontend(const Frontend&) = delete;
    Frontend& operator=(const Frontend&) = delete;

    MainWindow& window() { return *window_; }
    CardSelectDialog& cardSelect() { return *cardSelect_; }
    ProgressDialog& progress() { return *progress_; }
    NewBookDialog& newBook() { return *newBook_; }
    PlaceDialog& placeDialog() { return *placeDialog_; }
    SortDialog& sortDialog() { return *sortDialog_; }
    BookNamesDialog& namesDialog() { return *namesDialog_; }
    TForm1& form() { return *form_; }

private:
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<CardSelectDialog> cardSelect_;
    std::unique_ptr<ProgressDialog> progress_;
    std::unique_ptr<NewBookDialog> newBook_;
    std::unique_ptr<FolderDialog> folderDialog_;
    std::unique_ptr<PlaceDialog> placeDialog_;
    std::unique_ptr<SortDialog> sortDialog_;
    std::unique_ptr<BookNamesDialog> namesDialog_;
    std::unique_ptr<QtMessageBoxes> boxes_;
    std::unique_ptr<TForm1> form_;
    std::unique_ptr<platform::IVolumeWatcher> watcher_;
};

// Sets up the running QApplication as the program wants it: Russian captions on Qt's own
// buttons ("Да", "Нет", "Отмена"), the program's name, and no end of the run merely because no
// window is visible (the main window's close ends it). The translator is kept by the caller.
void PrepareApplication(QApplication& app, QTranslator& translator);

// Shows the main window and runs the event loop until the program ends. An exception that
// leaves the run is shown in a box with its message. Always 0.
int RunProgram(platform::Platform& platform, QtApplication& application);

// The answer to "--help" and "--version", as UTF-8 to print; false for any other command line.
bool InformationRequested(const std::vector<std::string>& utf8Arguments, std::string& utf8Output);

}  // namespace qtgui

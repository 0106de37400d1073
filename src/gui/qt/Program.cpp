#include "Program.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMetaObject>
#include <QTranslator>

#include <exception>

#include "Qttext.h"
#include "platform/Codepage.h"

namespace qtgui {

Frontend::Frontend(platform::Platform& platform, QtApplication& application)
    : window_(std::make_unique<MainWindow>(application)),
      cardSelect_(std::make_unique<CardSelectDialog>(window_.get())),
      progress_(std::make_unique<ProgressDialog>(window_.get())),
      newBook_(std::make_unique<NewBookDialog>(window_.get())),
      folderDialog_(std::make_unique<FolderDialog>(*window_)),
      placeDialog_(std::make_unique<PlaceDialog>(window_.get())),
      sortDialog_(std::make_unique<SortDialog>(window_.get())),
      namesDialog_(std::make_unique<BookNamesDialog>(window_.get())),
      boxes_(std::make_unique<QtMessageBoxes>(*window_)) {
    MainWindow& window = *window_;
    form_ = std::make_unique<TForm1>(TForm1Controls{*boxes_, window.books(), window.status(), window.N9(),
                                                    window.YDRRAROpenDialog(), application, *cardSelect_, *progress_,
                                                    newBook_.get(), folderDialog_.get(), placeDialog_.get(),
                                                    sortDialog_.get(), namesDialog_.get(), &window.announcement(),
                                                    &window.N17()},
                                     platform);
    window.Attach(*form_);
    // The watcher's thread hands each change to the UI thread.
    watcher_ = platform::NewVolumeWatcher();
    if (watcher_) {
        MainWindow* shown = window_.get();
        watcher_->Start([shown] { QMetaObject::invokeMethod(shown, [shown] { shown->DrivesChanged(); }, Qt::QueuedConnection); });
    }
}

Frontend::~Frontend() {
    if (watcher_) watcher_->Stop();
    window_->Detach();
    form_->FormDestroy();
}

void PrepareApplication(QApplication& app, QTranslator& translator) {
    if (translator.load(QLocale(QLocale::Russian, QLocale::Russia), "qtbase", "_",
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&translator);
    }
    // The program's title. Not the display name: Qt would append that to every window caption.
    QApplication::setApplicationName(ToQt(MainFormTexts().applicationTitle));
    QApplication::setApplicationVersion(QString::fromStdString(MainFormTexts().version));
    // The desktop entry the file-manager integration writes.
    QGuiApplication::setDesktopFileName("zwq-manager");
    app.setQuitOnLastWindowClosed(false);
}

int RunProgram(platform::Platform& platform, QtApplication& application) {
    try {
        Frontend frontend(platform, application);
        frontend.window().show();
        QApplication::exec();
        if (application.Failure()) std::rethrow_exception(application.Failure());
    } catch (const std::exception& error) {
        ShowExceptionBox(error.what());
    } catch (...) {
        ShowExceptionBox(std::string());
    }
    return 0;
}

bool InformationRequested(const std::vector<std::string>& utf8Arguments, std::string& utf8Output) {
    std::vector<std::string> arguments;
    arguments.reserve(utf8Arguments.size());
    for (const std::string& argument : utf8Arguments) arguments.push_back(platform::Utf8ToCp1251(argument));
    std::string output;
    if (!InformationRequest(arguments, output)) return false;
    utf8Output = platform::Cp1251ToUtf8(output);
    return true;
}

}  // namespace qtgui

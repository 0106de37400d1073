#pragma once
// The application object for the window logic: the command line, closing the main window and
// the deferred end of the program. Every handler of the window logic runs through Handle(), so
// that a request to end made inside a handler waits until the handler has returned, and an
// exception leaving a handler ends the event loop instead of crossing Qt's code.

#include <QObject>
#include <QStringList>

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "app/Controls.h"

class QWidget;

namespace qtgui {

class QtApplication : public ui::IApplication {
public:
    // The process's own command line (QCoreApplication::arguments()); the program ends by
    // leaving the event loop.
    QtApplication();
    // A given command line (the arguments after the program path) and a given way to end.
    QtApplication(QStringList arguments, std::function<void()> endProgram);

    std::vector<std::string> Arguments() override;
    void CloseMainWindow() override;
    void Terminate() override;

    void SetMainWindow(QWidget& window) { mainWindow_ = &window; }

    // Runs a handler of the window logic. An exception from it is kept (Failure()) and ends
    // the program; a request to end made meanwhile takes effect when the outermost handler
    // has returned.
    void Handle(const std::function<void()>& handler);

    bool EndRequested() const { return endRequested_; }
    bool Ended() const { return ended_; }
    std::exception_ptr Failure() const { return failure_; }

private:
    void EndWhenIdle();

    QStringList arguments_;
    std::function<void()> endProgram_;
    // Queued calls go through this object, so none outlives the application object.
    QObject queue_;
    QWidget* mainWindow_ = nullptr;
    int handlerDepth_ = 0;
    bool endRequested_ = false;
    bool ended_ = false;
    std::exception_ptr failure_;
};

}  // namespace qtgui

#include "Qtapplication.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QWidget>

#include "Qttext.h"

namespace qtgui {

QtApplication::QtApplication()
    : QtApplication(QCoreApplication::arguments().mid(1), [] { QCoreApplication::exit(0); }) {}

QtApplication::QtApplication(QStringList arguments, std::function<void()> endProgram)
    : arguments_(std::move(arguments)), endProgram_(std::move(endProgram)) {}

std::vector<std::string> QtApplication::Arguments() {
    std::vector<std::string> arguments;
    arguments.reserve(static_cast<std::size_t>(arguments_.size()));
    for (const QString& argument : arguments_) arguments.push_back(FromQt(argument));
    return arguments;
}

void QtApplication::CloseMainWindow() {
    // The main window is the program: closing it ends the run, as the user's close box does,
    // unless the window refuses to close yet.
    if (mainWindow_ == nullptr || mainWindow_->close()) Terminate();
}

void QtApplication::Terminate() {
    endRequested_ = true;
    // Outside any handler (the close box, for one) the end comes with the next turn of the
    // event loop; inside one, Handle() ends the program when the handler returns.
    QMetaObject::invokeMethod(&queue_, [this] { EndWhenIdle(); }, Qt::QueuedConnection);
}

void QtApplication::Handle(const std::function<void()>& handler) {
    ++handlerDepth_;
    try {
        handler();
    } catch (...) {
        if (!failure_) failure_ = std::current_exception();
        endRequested_ = true;
    }
    --handlerDepth_;
    EndWhenIdle();
}

void QtApplication::EndWhenIdle() {
    if (!endRequested_ || ended_ || handlerDepth_ > 0) return;
    ended_ = true;
    endProgram_();
}

}  // namespace qtgui

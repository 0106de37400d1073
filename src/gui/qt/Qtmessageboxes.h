#pragma once
// The program's message boxes as modal QMessageBox windows owned by the main window: the icon
// and buttons its flags ask for, the result as the number of the button pressed.

#include <string>

#include "platform/Dialogs.h"

class QWidget;

namespace qtgui {

class QtMessageBoxes : public platform::IMessageBoxes {
public:
    explicit QtMessageBoxes(QWidget& owner) : owner_(owner) {}
    // A question (Yes, No, Cancel) closed with Esc or its close box answers Cancel; a box with
    // the single button OK answers OK however it is closed.
    int ShowMessage(const std::string& text, const std::string& caption, unsigned flags) override;

private:
    QWidget& owner_;
};

// The box for an exception that ended the program: its message (from the C++ library or Qt,
// so UTF-8) under the program's title, with the error icon.
void ShowExceptionBox(const std::string& utf8Message);

}  // namespace qtgui

#include "Qtmessageboxes.h"

#include <QMessageBox>
#include <QPushButton>

#include "Qttext.h"
#include "app/Body.h"

namespace qtgui {
namespace {

QMessageBox::Icon IconOf(unsigned flags) {
    switch (flags & platform::kMbIconMask) {
        case platform::kMbIconError: return QMessageBox::Critical;
        case platform::kMbIconQuestion: return QMessageBox::Question;
        case platform::kMbIconWarning: return QMessageBox::Warning;
        case platform::kMbIconInformation: return QMessageBox::Information;
        default: return QMessageBox::NoIcon;
    }
}

int ResultOf(int button) {
    switch (button) {
        case QMessageBox::Yes: return platform::kIdYes;
        case QMessageBox::No: return platform::kIdNo;
        case QMessageBox::Ok: return platform::kIdOk;
        default: return platform::kIdCancel;
    }
}

}  // namespace

int QtMessageBoxes::ShowMessage(const std::string& text, const std::string& caption, unsigned flags) {
    QMessageBox box(IconOf(flags), ToQt(caption), ToQt(text), QMessageBox::NoButton, &owner_);
    // Names and paths may hold '<' and '&': the text is shown as it stands.
    box.setTextFormat(Qt::PlainText);
    if ((flags & platform::kMbButtonsMask) == platform::kMbYesNoCancel) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    return ResultOf(box.exec());
}

void ShowExceptionBox(const std::string& utf8Message) {
    QMessageBox box(QMessageBox::Critical, ToQt(MainFormTexts().applicationTitle), QString::fromUtf8(utf8Message),
                    QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace qtgui

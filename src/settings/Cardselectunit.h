#pragma once
// The card-selection dialog: a list of the removable drives in an editable combo box, "OK" and
// "Отмена". The logic lives here; a front end draws the dialog from TCardSelectLayout and
// TCardSelectTexts and implements ICardSelectView.

#include <cstddef>
#include <string>

#include "platform/Dialogs.h"
#include "platform/Platform.h"

// Pixel sizes at 96 dots per inch, scaled by the front end to the screen.
struct TCardSelectLayout {
    static constexpr int kClientWidth = 241, kClientHeight = 123;
    static constexpr int kLabelLeft = 16, kLabelTop = 16, kLabelWidth = 209, kLabelHeight = 41;
    static constexpr int kComboLeft = 16, kComboTop = 56, kComboWidth = 209, kComboHeight = 21;
    static constexpr int kOkLeft = 24, kOkTop = 88, kOkWidth = 81, kOkHeight = 25;
    static constexpr int kCancelLeft = 128, kCancelTop = 88, kCancelWidth = 83, kCancelHeight = 25;
    static constexpr int kFontHeight = -11;  // MS Sans Serif, 8 points
};

struct TCardSelectTexts {
    std::string caption;  // the window's
    std::string label;    // Label1
    std::string ok;       // BitBtn1
    std::string cancel;   // BitBtn2
};
// Windows names a card by its drive letter; desktops that mount cards as folders (the
// freedesktop.org integration style) by its folder.
const TCardSelectTexts& CardSelectTexts(platform::IntegrationStyle style);

// The dialog's controls: the prompt Label1, the combo box ComboBox1 and the modal showing.
class ICardSelectView {
public:
    virtual ~ICardSelectView() = default;
    // The text of Label1, which also names the combo box for assistive technology.
    virtual void SetPrompt(const std::string& prompt) = 0;
    virtual void ClearDrives() = 0;
    virtual void AddDrive(const std::string& text) = 0;
    virtual void SetText(const std::string& text) = 0;
    virtual std::string Text() = 0;
    // Shows the dialog modally: platform::kIdOk for OK (or Enter), anything else for Cancel,
    // Esc or the close box.
    virtual int ShowModal() = 0;
};

class TCardSelectForm {
public:
    TCardSelectForm(ICardSelectView& view, platform::Platform& platform, platform::IMessageBoxes& boxes)
        : view_(view), platform_(platform), boxes_(boxes) {}

    // Lists the removable drives and shows the dialog with cardPath in its field. Asks again,
    // the field keeping its text, while the text is blank or names no existing folder. On OK
    // the folder, without surrounding blanks, replaces cardPath.
    bool Choose(std::string& cardPath);
    // How the list offers a drive: on Windows its root ("E:\"); where cards are mounted as
    // folders, its label and number of books before its folder, so a card is recognised by ear.
    std::string DriveText(const std::string& root);

private:
    ICardSelectView& view_;
    platform::Platform& platform_;
    platform::IMessageBoxes& boxes_;
};

// "1 книга", "3 книги", "5 книг", ... in the Russian plural forms.
std::string BookCountText(std::size_t count);

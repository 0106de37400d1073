#pragma once
// The card-selection dialog: a list of the removable drives in an editable combo box, "OK" and
// "Отмена". The logic lives here; a front end draws the dialog from TCardSelectLayout and
// TCardSelectTexts and implements ICardSelectView.

#include <string>

#include "platform/Dialogs.h"
#include "platform/Drives.h"

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
const TCardSelectTexts& CardSelectTexts();

// The dialog's controls: the combo box ComboBox1 and the modal showing.
class ICardSelectView {
public:
    virtual ~ICardSelectView() = default;
    virtual void ClearDrives() = 0;
    virtual void AddDrive(const std::string& root) = 0;
    virtual void SetText(const std::string& text) = 0;
    virtual std::string Text() = 0;
    // Shows the dialog modally: platform::kIdOk for OK (or Enter), anything else for Cancel,
    // Esc or the close box.
    virtual int ShowModal() = 0;
};

class TCardSelectForm {
public:
    TCardSelectForm(ICardSelectView& view, platform::IDrives& drives, platform::IMessageBoxes& boxes)
        : view_(view), drives_(drives), boxes_(boxes) {}

    // Lists the removable drives, shows the dialog with cardPath in its field and asks again
    // while the field is blank. On OK the text, untrimmed, replaces cardPath.
    bool Choose(std::string& cardPath);

private:
    ICardSelectView& view_;
    platform::IDrives& drives_;
    platform::IMessageBoxes& boxes_;
};

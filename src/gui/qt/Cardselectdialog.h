#pragma once
// The card-selection dialog "Выбор карты памяти": a word-wrapped label, an editable combo box
// with the removable drives, "OK" (Enter) and "Отмена" (Esc), laid out by TCardSelectLayout.
// It opens with the prompt of desktops that mount cards as folders; the window logic sets the
// prompt anew at every showing.

#include <QDialog>

#include <string>

#include "settings/Cardselectunit.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace qtgui {

class CardSelectDialog : public QDialog, public ICardSelectView {
    Q_OBJECT

public:
    explicit CardSelectDialog(QWidget* parent = nullptr);

    void SetPrompt(const std::string& prompt) override;
    void ClearDrives() override;
    void AddDrive(const std::string& text) override;
    void SetText(const std::string& text) override;
    std::string Text() override;
    // platform::kIdOk for OK or Enter, platform::kIdCancel for Cancel, Esc or the close box.
    int ShowModal() override;

    QLabel& Label1() { return *label_; }
    QComboBox& ComboBox1() { return *combo_; }
    QPushButton& BitBtn1() { return *ok_; }
    QPushButton& BitBtn2() { return *cancel_; }

private:
    QLabel* label_;
    QComboBox* combo_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

}  // namespace qtgui

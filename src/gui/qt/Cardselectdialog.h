#pragma once
// The card-selection dialog "Выбор карты памяти": a word-wrapped label, an editable combo box
// with the removable drives, "OK" (Enter) and "Отмена" (Esc), laid out by TCardSelectLayout.

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

    void ClearDrives() override;
    void AddDrive(const std::string& root) override;
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

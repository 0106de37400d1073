#pragma once
// The line in the main window's status bar that tells what the last command did to the current
// book ("Книга перемещена на место 3"). Assistive technology sees it as a notification that
// appears with each text, so a screen reader speaks it beside the list it left the focus in.

#include <QLabel>

#include <string>

#include "app/Controls.h"

namespace qtgui {

class Announcement : public QLabel, public ui::IAnnouncement {
    Q_OBJECT

public:
    explicit Announcement(QWidget* parent);
    // Hidden while empty; each text shows it anew, the same text again included.
    void Announce(const std::string& text) override;
};

}  // namespace qtgui

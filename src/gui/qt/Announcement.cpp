#include "Announcement.h"

#include <QAccessibleWidget>
#include <QSizePolicy>

#include "Qttext.h"

namespace qtgui {
namespace {

// A notification named by its text: the AT-SPI bridge tells its appearing as the showing state,
// which Orca speaks for notifications ("уведомление", then the name) wherever the focus is.
class AccessibleAnnouncement : public QAccessibleWidget {
public:
    explicit AccessibleAnnouncement(QLabel* label) : QAccessibleWidget(label, QAccessible::Notification) {}
    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name) return static_cast<QLabel*>(widget())->text();
        return QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface* AnnouncementFactory(const QString&, QObject* object) {
    auto* announcement = qobject_cast<Announcement*>(object);
    return announcement != nullptr ? new AccessibleAnnouncement(announcement) : nullptr;
}

}  // namespace

Announcement::Announcement(QWidget* parent) : QLabel(parent) {
    static const bool installed = (QAccessible::installFactory(AnnouncementFactory), true);
    (void)installed;
    setObjectName("announcement");
    // The status bar keeps its height while the line is hidden.
    QSizePolicy policy = sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    setSizePolicy(policy);
    hide();
}

void Announcement::Announce(const std::string& text) {
    hide();
    setText(ToQt(text));
    if (!text.empty()) show();
}

}  // namespace qtgui

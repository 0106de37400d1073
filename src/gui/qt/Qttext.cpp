#include "Qttext.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

#include "platform/Codepage.h"

namespace qtgui {
namespace {

constexpr double kLayoutDpi = 96.0;
constexpr int kPointsPerInch = 72;

}  // namespace

QString ToQt(const std::string& cp1251) {
    const std::u16string utf16 = platform::Cp1251ToUtf16(cp1251);
    return QString::fromUtf16(utf16.data(), static_cast<qsizetype>(utf16.size()));
}

std::string FromQt(const QString& text) {
    return platform::Utf16ToCp1251(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                                        static_cast<std::size_t>(text.size())));
}

int Scaled(const QWidget& widget, int pixelsAt96Dpi) {
    const QScreen* screen = widget.screen();
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    const double factor = screen == nullptr ? 1.0 : screen->logicalDotsPerInch() / kLayoutDpi;
    return static_cast<int>(std::lround(pixelsAt96Dpi * factor));
}

int PointSizeOfHeight(int fontHeight) {
    return static_cast<int>(std::abs(fontHeight) * kPointsPerInch / kLayoutDpi);
}

}  // namespace qtgui

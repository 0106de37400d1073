#pragma once
// The edge between the program's Windows-1251 texts and Qt's strings, and the pixel sizes of the
// layouts (given at 96 dots per inch) on the actual screen.

#include <QString>

#include <string>

class QWidget;

namespace qtgui {

QString ToQt(const std::string& cp1251);
// Characters that Windows-1251 lacks become '?'.
std::string FromQt(const QString& text);

// A length of the 96-dpi layouts in the widget's device-independent pixels: scaled by the
// logical resolution of the screen the widget is on (Qt's own high-dpi scaling already covers
// the device pixel ratio).
int Scaled(const QWidget& widget, int pixelsAt96Dpi);

// The point size of a font given, as in the layouts, by its character height in pixels at
// 96 dpi (a negative height, -11 for 8 points).
int PointSizeOfHeight(int fontHeight);

}  // namespace qtgui

#pragma once
// Pixel sizes are written for 96 dots per inch and scaled to the monitor a window is on (the
// program is per-monitor DPI aware). The functions of newer systems are looked up at run
// time, so the program still starts on Windows 7.

#include <windows.h>

#include <memory>
#include <type_traits>

namespace win32gui {

inline constexpr UINT kDesignDpi = 96;

// The DPI of the monitor the window is on (GetDpiForWindow), or of the screen on systems
// without per-monitor DPI.
UINT DpiOf(HWND window);

// A 96-dpi size in pixels at the given DPI.
int Scaled(int pixels, UINT dpi);

struct FontDeleter {
    void operator()(HFONT font) const { DeleteObject(font); }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

// The forms' font, "MS Sans Serif" of the given height at 96 dpi, with Cyrillic letters.
FontHandle MakeFormFont(int height, UINT dpi);

// Height of a line of text in the font, in pixels.
int TextHeight(HFONT font);

// The outer size of a window whose client area has the given size.
SIZE OuterSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, bool hasMenu, UINT dpi);

// The top-left corner that centres a window of the given outer size on the monitor of the
// reference window (the primary monitor when there is none).
POINT CentredOnScreen(HWND reference, SIZE outer);

// Keeps the dialog manager from rescaling a dialog whose controls the program places itself.
void KeepDialogLayoutOwn(HWND dialog);

}  // namespace win32gui

#include "Dpi.h"

namespace win32gui {
namespace {

constexpr wchar_t kFormFontFace[] = L"MS Sans Serif";
// DIALOG_DPI_CHANGE_BEHAVIORS: no automatic resizing of fonts and controls.
constexpr int kDialogDpiChangeDisableAll = 0x0001;

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using SetDialogDpiChangeBehaviorFunction = BOOL(WINAPI*)(HWND, int, int);

// A function of user32 in its real type, or null where the system lacks it. The detour
// through a function without parameters keeps the compiler from warning about the cast.
template <typename Function>
Function User32Function(const char* name) {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (user32 == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(user32, name)));
}

}  // namespace

UINT DpiOf(HWND window) {
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    if (getDpiForWindow != nullptr && window != nullptr) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi != 0) return dpi;
    }
    const HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kDesignDpi;
}

int Scaled(int pixels, UINT dpi) { return MulDiv(pixels, static_cast<int>(dpi), static_cast<int>(kDesignDpi)); }

FontHandle MakeFormFont(int height, UINT dpi) {
    LOGFONTW font{};
    font.lfHeight = Scaled(height, dpi);
    font.lfWeight = FW_NORMAL;
    // Asking for the Cyrillic character set makes the font mapper pick a face that has the
    // letters, whatever the system's own code page is.
    font.lfCharSet = RUSSIAN_CHARSET;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
    lstrcpynW(font.lfFaceName, kFormFontFace, LF_FACESIZE);
    return FontHandle(CreateFontIndirectW(&font));
}

int TextHeight(HFONT font) {
    const HDC screen = GetDC(nullptr);
    if (screen == nullptr) return 0;
    const HGDIOBJ previous = SelectObject(screen, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(screen, &metrics);
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    return metrics.tmHeight;
}

SIZE OuterSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, bool hasMenu, UINT dpi) {
    static const auto adjustForDpi = User32Function<AdjustWindowRectExForDpiFunction>("AdjustWindowRectExForDpi");
    RECT rect{0, 0, clientWidth, clientHeight};
    if (adjustForDpi != nullptr) {
        adjustForDpi(&rect, style, hasMenu ? TRUE : FALSE, exStyle, dpi);
    } else {
        AdjustWindowRectEx(&rect, style, hasMenu ? TRUE : FALSE, exStyle);
    }
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

POINT CentredOnScreen(HWND reference, SIZE outer) {
    const HMONITOR monitor = MonitorFromWindow(reference, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (monitor != nullptr && GetMonitorInfoW(monitor, &info)) screen = info.rcMonitor;
    return POINT{screen.left + (screen.right - screen.left - outer.cx) / 2,
                 screen.top + (screen.bottom - screen.top - outer.cy) / 2};
}

void KeepDialogLayoutOwn(HWND dialog) {
    static const auto setBehavior = User32Function<SetDialogDpiChangeBehaviorFunction>("SetDialogDpiChangeBehavior");
    if (setBehavior != nullptr) {
        setBehavior(dialog, kDialogDpiChangeDisableAll, kDialogDpiChangeDisableAll);
    }
}

}  // namespace win32gui

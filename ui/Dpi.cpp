#include "ui/Dpi.h"

#include "ui/Drawing.h"

#include "resource.h"

#include <algorithm>

namespace qm::ui {
namespace {

// Looks up a user32 function that only newer Windows has; nullptr on older ones.
template <class F>
F User32Function(const char* name) {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
                  : nullptr;
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForSystemFn = UINT(WINAPI*)();
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

UINT ScreenDpi() {
    UniqueScreenDc screen = ScreenDc();
    int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

} // namespace

UINT SystemDpi() {
    static const auto getDpiForSystem = User32Function<GetDpiForSystemFn>("GetDpiForSystem");
    if (getDpiForSystem) {
        if (UINT dpi = getDpiForSystem()) return dpi;
    }
    return ScreenDpi();
}

UINT WindowDpi(HWND window) {
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (window && getDpiForWindow) {
        if (UINT dpi = getDpiForWindow(window)) return dpi;
    }
    return SystemDpi();
}

int SystemMetric(int index, UINT dpi) {
    static const auto forDpi = User32Function<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
    if (forDpi) return forDpi(index, dpi);
    // Older Windows answers for the system's DPI, the only one there is.
    return GetSystemMetrics(index);
}

int PictureSize(UINT dpi) {
    const int wanted = Scale(16, dpi);
    int size = 16;
    for (int drawn : {20, 24, 32})
        if (drawn <= wanted) size = drawn;
    return size;
}

int PictureResource(int strip16, int size) {
    switch (size) {
    case 20: return strip16 + IDB_PICTURES20_OFFSET;
    case 24: return strip16 + IDB_PICTURES24_OFFSET;
    case 32: return strip16 + IDB_PICTURES32_OFFSET;
    default: return strip16;
    }
}

SIZE WindowSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle,
                         bool hasMenu, UINT dpi) {
    static const auto adjustForDpi =
        User32Function<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
    RECT frame{0, 0, clientWidth, clientHeight};
    if (adjustForDpi)
        adjustForDpi(&frame, style, hasMenu ? TRUE : FALSE, exStyle, dpi);
    else
        AdjustWindowRectEx(&frame, style, hasMenu ? TRUE : FALSE, exStyle);
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

UniqueFont CreateDialogFont(UINT dpi) {
    LOGFONTA face{};
    face.lfHeight = -MulDiv(8, static_cast<int>(dpi), 72);
    face.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(face.lfFaceName, "MS Shell Dlg", LF_FACESIZE);
    return UniqueFont(CreateFontIndirectA(&face));
}

UniqueBitmap ScaledBitmap(HBITMAP source, int width, int height) {
    BITMAP info{};
    if (!source || !GetObjectA(source, sizeof info, &info) || width <= 0 || height <= 0) return {};
    UniqueBitmap scaled(CreateCompatibleBitmap(ScreenDc().get(), width, height));
    if (!scaled) return {};
    MemoryDC from(nullptr, source), to(nullptr, scaled.get());
    if (from && to) {
        SetStretchBltMode(to.dc(), HALFTONE);
        SetBrushOrgEx(to.dc(), 0, 0, nullptr);
        StretchBlt(to.dc(), 0, 0, width, height, from.dc(), 0, 0, info.bmWidth, info.bmHeight,
                   SRCCOPY);
    }
    return scaled;
}

} // namespace qm::ui

#include "app/Logo.h"

#include "resource.h"

namespace qm {
namespace {
constexpr const char* kLogoClass = "TLogoForm";
}

TLogoForm::TLogoForm()
    : picture_(static_cast<HBITMAP>(LoadImageA(ui::Instance(), MAKEINTRESOURCEA(IDB_LOGO),
                                               IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION))) {
    RegisterClassOnce(kLogoClass, 0, nullptr, GetSysColorBrush(COLOR_BTNFACE));
    RECT desktop{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    Create(kLogoClass, "Quillmere", WS_POPUP, WS_EX_TOOLWINDOW,
           (desktop.right - kWidth) / 2, (desktop.bottom - kHeight) / 2, kWidth, kHeight, nullptr,
           nullptr);
    if (!hwnd()) return;
    ShowWindow(hwnd(), SW_SHOWNORMAL);
    UpdateWindow(hwnd());
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
}

void TLogoForm::Close() {
    if (hwnd()) DestroyWindow(hwnd());
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}

void TLogoForm::FormPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd(), &paint);
    if (picture_) {
        HDC source = CreateCompatibleDC(dc);
        HGDIOBJ previous = SelectObject(source, picture_.get());
        BitBlt(dc, 0, 0, kWidth, kHeight, source, 0, 0, SRCCOPY);
        SelectObject(source, previous);
        DeleteDC(source);
    }
    EndPaint(hwnd(), &paint);
}

LRESULT TLogoForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        FormPaint();
        return 0;
    case WM_SETCURSOR:
        SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        return TRUE;
    default:
        return DefaultHandling(message, wParam, lParam);
    }
}

} // namespace qm

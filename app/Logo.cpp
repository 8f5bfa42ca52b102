#include "app/Logo.h"

#include "resource.h"
#include "ui/Dpi.h"
#include "ui/Drawing.h"
#include "ui/Placement.h"

namespace qm {
namespace {
constexpr const char* kLogoClass = "TLogoForm";
}

TLogoForm::TLogoForm()
    : picture_(static_cast<HBITMAP>(LoadImageA(ui::Instance(), MAKEINTRESOURCEA(IDB_LOGO),
                                               IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION))) {
    RegisterClassOnce(kLogoClass, 0, nullptr, GetSysColorBrush(COLOR_BTNFACE));
    // The picture at the screen's DPI: larger, and smoothed, on a screen of more than 96 DPI.
    const UINT dpi = ui::SystemDpi();
    width_ = ui::Scale(kWidth, dpi);
    height_ = ui::Scale(kHeight, dpi);
    if (picture_ && dpi != ui::kDefaultDpi) {
        UniqueBitmap scaled = ui::ScaledBitmap(picture_.get(), width_, height_);
        if (scaled) picture_ = std::move(scaled);
    }
    const POINT place = ui::CentredIn(ui::ScreenAreaOf(nullptr), SIZE{width_, height_});
    Create(kLogoClass, "Quillmere", WS_POPUP, WS_EX_TOOLWINDOW, place.x, place.y, width_, height_,
           nullptr, nullptr);
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
    ui::PaintScope paint(hwnd());
    if (!picture_) return;
    ui::MemoryDC source(paint.dc(), picture_.get());
    if (source) BitBlt(paint.dc(), 0, 0, width_, height_, source.dc(), 0, 0, SRCCOPY);
}

LRESULT TLogoForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: FormPaint(); return 0;
    case WM_SETCURSOR: SetCursor(LoadCursorA(nullptr, IDC_WAIT)); return TRUE;
    default: return DefaultHandling(message, wParam, lParam);
    }
}

} // namespace qm

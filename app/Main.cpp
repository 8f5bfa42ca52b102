#include "app/Main.h"

#include "resource.h"

namespace qm {
namespace {
constexpr const char* kMainClass = "TForm1";
constexpr int kClientWidth = 522;
constexpr int kClientHeight = 440;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
} // namespace

TForm1::TForm1() {
    RegisterClassOnce(kMainClass, 0, LoadIconA(ui::Instance(), MAKEINTRESOURCEA(IDI_QUILLMERE)),
                      GetSysColorBrush(COLOR_BTNFACE));
    RECT frame{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    RECT desktop;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &desktop, 0);
    Create(kMainClass, "Quillmere version 1.0", kStyle, 0,
           desktop.left + (desktop.right - desktop.left - width) / 2,
           desktop.top + (desktop.bottom - desktop.top - height) / 2, width, height, nullptr,
           nullptr);
}

void TForm1::Show(int showCommand) {
    ShowWindow(hwnd(), showCommand);
    UpdateWindow(hwnd());
    SetWindowTextA(hwnd(), "Quillmere version 1.1");
}

LRESULT TForm1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefaultHandling(message, wParam, lParam);
}

} // namespace qm

#include "ui/Placement.h"

#include "ui/Dpi.h"

#include <algorithm>

namespace qm::ui {

POINT CentredIn(const RECT& area, SIZE size) {
    return POINT{area.left + (area.right - area.left - size.cx) / 2,
                 area.top + (area.bottom - area.top - size.cy) / 2};
}

void CentreWindow(HWND window, const RECT& area, const RECT* within) {
    RECT own{};
    GetWindowRect(window, &own);
    const SIZE size{own.right - own.left, own.bottom - own.top};
    POINT place = CentredIn(area, size);
    if (within) {
        place.x = std::max(within->left, std::min(place.x, within->right - size.cx));
        place.y = std::max(within->top, std::min(place.y, within->bottom - size.cy));
    }
    SetWindowPos(window, nullptr, place.x, place.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FitAndCentreOnOwner(HWND window, HWND owner) {
    const RECT work = WorkArea();
    RECT own;
    GetWindowRect(window, &own);
    const int width = std::min<int>(own.right - own.left, work.right - work.left);
    const int height = std::min<int>(own.bottom - own.top, work.bottom - work.top);
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    RECT area = work;
    if (owner && IsWindow(owner)) GetWindowRect(owner, &area);
    CentreWindow(window, area, &work);
}

void KeepMinimumClientSize(HWND dialog, int widthUnits, int heightUnits, LPARAM minMaxInfo) {
    RECT r{0, 0, widthUnits, heightUnits};
    MapDialogRect(dialog, &r);
    const SIZE least = WindowSizeFor(dialog, r.right, r.bottom, WindowDpi(dialog));
    reinterpret_cast<MINMAXINFO*>(minMaxInfo)->ptMinTrackSize = {least.cx, least.cy};
}

RECT WorkArea() {
    RECT area{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

RECT ScreenArea() {
    return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

SIZE WindowSizeFor(HWND window, int clientWidth, int clientHeight, UINT dpi) {
    const auto style = static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE));
    // Only a top-level window has a menu bar; a child's "menu" is its identifier.
    const bool hasMenu = !(style & WS_CHILD) && GetMenu(window) != nullptr;
    return WindowSizeForClient(clientWidth, clientHeight, style, exStyle, hasMenu, dpi);
}

void SetClientSize(HWND window, int clientWidth, int clientHeight, UINT dpi) {
    const SIZE size = WindowSizeFor(window, clientWidth, clientHeight, dpi);
    SetWindowPos(window, nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace qm::ui

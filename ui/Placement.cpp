#include "ui/Placement.h"

#include "ui/Dpi.h"

#include <algorithm>

namespace qm::ui {

POINT CentredIn(const RECT& area, SIZE size) {
    return POINT{area.left + (area.right - area.left - size.cx) / 2,
                 area.top + (area.bottom - area.top - size.cy) / 2};
}

POINT CentredWithin(const RECT& area, SIZE size, const RECT& within) {
    POINT place = CentredIn(area, size);
    place.x = std::max(within.left, std::min(place.x, within.right - size.cx));
    place.y = std::max(within.top, std::min(place.y, within.bottom - size.cy));
    return place;
}

void CentreWindow(HWND window, const RECT& area, const RECT* within) {
    RECT own{};
    GetWindowRect(window, &own);
    const SIZE size{own.right - own.left, own.bottom - own.top};
    const POINT place = within ? CentredWithin(area, size, *within) : CentredIn(area, size);
    SetWindowPos(window, nullptr, place.x, place.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CentreOnOwner(HWND window, HWND owner) {
    if (owner && IsWindow(owner)) {
        RECT over{};
        GetWindowRect(owner, &over);
        const RECT work = WorkAreaOf(owner);
        CentreWindow(window, over, &work);
    } else {
        const RECT work = WorkAreaOf(window);
        CentreWindow(window, work, &work);
    }
}

void FitAndCentreOnOwner(HWND window, HWND owner) {
    const RECT work = WorkAreaOf(owner && IsWindow(owner) ? owner : window);
    RECT own;
    GetWindowRect(window, &own);
    const int width = std::min<int>(own.right - own.left, work.right - work.left);
    const int height = std::min<int>(own.bottom - own.top, work.bottom - work.top);
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    CentreOnOwner(window, owner);
}

void KeepMinimumClientSize(HWND dialog, int widthUnits, int heightUnits, LPARAM minMaxInfo) {
    RECT r{0, 0, widthUnits, heightUnits};
    MapDialogRect(dialog, &r);
    const SIZE least = WindowSizeFor(dialog, r.right, r.bottom, WindowDpi(dialog));
    reinterpret_cast<MINMAXINFO*>(minMaxInfo)->ptMinTrackSize = {least.cx, least.cy};
}

namespace {

MONITORINFO MonitorOf(HWND window) {
    // The primary monitor is the one that holds the point (0, 0).
    HMONITOR monitor = window ? MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST)
                              : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    // With a DEFAULTTO flag there is always a monitor to ask.
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoA(monitor, &info);
    return info;
}

} // namespace

RECT WorkAreaOf(HWND window) { return MonitorOf(window).rcWork; }

RECT ScreenAreaOf(HWND window) { return MonitorOf(window).rcMonitor; }

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

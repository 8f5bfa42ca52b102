#pragma once
// Where a window goes and how large it is: centring it on an area, and giving it a client area
// of a given size at its DPI.

#include <windows.h>

namespace qm::ui {

// The top left corner that centres something of that size on the area.
POINT CentredIn(const RECT& area, SIZE size);
// The same corner moved as little as needed to keep the whole thing inside `within` (a work
// area, say), also when the area reaches past it; something larger than `within` keeps its top
// left corner inside, so that its caption stays on the screen.
POINT CentredWithin(const RECT& area, SIZE size, const RECT& within);
// Moves the window (keeping its size and Z order) to the middle of the area; with `within`,
// kept inside that as CentredWithin says.
void CentreWindow(HWND window, const RECT& area, const RECT* within = nullptr);
// Moves the window to the middle of its owner, inside the work area of the owner's monitor;
// without an owner, to the middle of the work area of the monitor it is on.
void CentreOnOwner(HWND window, HWND owner);

// The work area (without the task bar) of the monitor the window is on, or of the nearest one
// when it is on none; with no window, the primary monitor's. ScreenAreaOf is the whole of that
// monitor.
RECT WorkAreaOf(HWND window);
RECT ScreenAreaOf(HWND window);
// A resizable dialog as it opens: no larger than the work area of its owner's monitor, and
// in the middle of its owner as CentreOnOwner places it.
void FitAndCentreOnOwner(HWND window, HWND owner);
// For a resizable dialog's WM_GETMINMAXINFO: it keeps a client area of at least that many
// dialog units (and so grows with its font at every DPI).
void KeepMinimumClientSize(HWND dialog, int widthUnits, int heightUnits, LPARAM minMaxInfo);

// The outer size that gives the window (with its own styles and menu) a client area of that
// size at the DPI.
SIZE WindowSizeFor(HWND window, int clientWidth, int clientHeight, UINT dpi);
// Resizes the window, in place, to that client size.
void SetClientSize(HWND window, int clientWidth, int clientHeight, UINT dpi);

} // namespace qm::ui

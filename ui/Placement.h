#pragma once
// Where a window goes and how large it is: centring it on an area, and giving it a client area
// of a given size at its DPI.

#include <windows.h>

namespace qm::ui {

// The top left corner that centres something of that size on the area.
POINT CentredIn(const RECT& area, SIZE size);
// Moves the window (keeping its size and Z order) to the middle of the area; with `within`,
// no part of it leaves that (the work area, say), even when the area reaches past it.
void CentreWindow(HWND window, const RECT& area, const RECT* within = nullptr);
// A resizable dialog as it opens: no larger than the work area, and in the middle of its owner
// (of the work area without one), inside the work area.
void FitAndCentreOnOwner(HWND window, HWND owner);
// For a resizable dialog's WM_GETMINMAXINFO: it keeps a client area of at least that many
// dialog units (and so grows with its font at every DPI).
void KeepMinimumClientSize(HWND dialog, int widthUnits, int heightUnits, LPARAM minMaxInfo);
// The primary screen's work area (without the task bar), and the whole primary screen.
RECT WorkArea();
RECT ScreenArea();

// The outer size that gives the window (with its own styles and menu) a client area of that
// size at the DPI.
SIZE WindowSizeFor(HWND window, int clientWidth, int clientHeight, UINT dpi);
// Resizes the window, in place, to that client size.
void SetClientSize(HWND window, int clientWidth, int clientHeight, UINT dpi);

} // namespace qm::ui

#pragma once
// Screen scaling. The program is aware of each monitor's dots per inch (per-monitor v2 in the
// manifest, system-aware where Windows is older): every size in pixels that the forms use is
// given for 96 dots per inch and scaled by the DPI of the window it is used in. The functions
// that only newer Windows has are looked up at run time, so the program still starts on
// Windows 7, where the system's DPI is the only one.

#include "base/Handles.h"

#include <windows.h>

namespace qm::ui {

inline constexpr UINT kDefaultDpi = 96;

// The DPI of the monitor the window is on (the system's where Windows cannot tell).
UINT WindowDpi(HWND window);
// The system's DPI, for things made before their window exists.
UINT SystemDpi();

// A size given at 96 DPI, at that DPI.
inline int Scale(int pixels96, UINT dpi) { return MulDiv(pixels96, static_cast<int>(dpi), 96); }

// GetSystemMetrics for that DPI.
int SystemMetric(int index, UINT dpi);

// The size of the program's small pictures (tool bar, tabs, menus) at that DPI: the largest of
// the sizes drawn (16, 20, 24 and 32 pixels) that is not larger than 16 pixels scaled.
int PictureSize(UINT dpi);
// The resource of a 16-pixel picture strip (IDB_TOOLBAR_NORMAL ...) drawn at that size.
int PictureResource(int strip16, int size);

// The outer size of a window with that client size, style and menu, at that DPI.
SIZE WindowSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle,
                         bool hasMenu, UINT dpi);

// The message font ("MS Shell Dlg", 8 point) at that DPI, for windows that are not dialogs.
UniqueFont CreateDialogFont(UINT dpi);

// A copy of a picture drawn at another size with the platform's smoothing (halftone), for the
// pictures that exist at one size only (the splash and the About box's picture); none when it
// cannot be made.
UniqueBitmap ScaledBitmap(HBITMAP source, int width, int height);

} // namespace qm::ui

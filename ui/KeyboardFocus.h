#pragma once
// The keyboard's place in a top-level window that is not a dialog. A dialog remembers the
// control that had the keyboard when it was left and puts it back when it is activated again; a
// plain window puts the keyboard on its frame instead, so that after every message box, file
// dialog, help window or the About box the user's next Tab would start again at the top. The
// main window keeps one of these and hands it its activation.

#include <windows.h>

namespace qm::ui {

class FocusMemory {
public:
    // For the window's WM_ACTIVATE. Leaving the window remembers the control that has the
    // keyboard; coming back puts the keyboard on it again. True when the keyboard has been
    // placed; false when the window is left, or when that control is gone or can no longer
    // take the keyboard (a page left, a field disabled), and the caller places it.
    bool OnActivate(HWND window, WPARAM wParam);

private:
    HWND control_ = nullptr;
};

// Whether the keyboard can be put on that window: it exists, is shown and is enabled, and so
// is every window it lies in, up to the top-level one.
bool CanTakeFocus(HWND control);

} // namespace qm::ui

#include "ui/KeyboardFocus.h"

namespace qm::ui {

bool CanTakeFocus(HWND control) {
    if (!control || !IsWindow(control) || !IsWindowVisible(control)) return false;
    for (HWND window = control; window; window = GetAncestor(window, GA_PARENT)) {
        if (!IsWindowEnabled(window)) return false;
        if (!(GetWindowLongA(window, GWL_STYLE) & WS_CHILD)) break;
    }
    return true;
}

bool FocusMemory::OnActivate(HWND window, WPARAM wParam) {
    if (LOWORD(wParam) == WA_INACTIVE) {
        // Still on the control that had it: the window that takes over gets it only after
        // this message.
        HWND focus = GetFocus();
        if (focus && IsChild(window, focus)) control_ = focus;
        return false;
    }
    if (HIWORD(wParam) != 0) return false; // minimised: the keyboard stays where it is
    if (!IsChild(window, control_) || !CanTakeFocus(control_)) return false;
    SetFocus(control_);
    return true;
}

} // namespace qm::ui

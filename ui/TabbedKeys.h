#pragma once
// The keyboard of a window that shows one of several pages below a row of tabs, as a property
// sheet has it: Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+Page Down and Ctrl+Page Up change the page; Tab
// goes round the tabs and the page's controls as one order; Ctrl+A in an edit field selects its
// text; an access key typed on the tabs or the tool bar reaches the page's labels; the
// window's accelerators and a modeless dialog of its own get their keys.

#include <windows.h>

#include <functional>

namespace qm::ui {

struct TabbedWindowKeys {
    HWND frame = nullptr;          // the window
    HWND tabs = nullptr;           // its tab control
    HWND page = nullptr;           // the page shown, or none
    HACCEL accelerators = nullptr; // the window's, or none
    HWND modeless = nullptr;       // a modeless dialog of the window (an About box), or none
    int pageCount = 1;
    int activePage = 0;
    std::function<void(int)> changePage; // the same road as a click on that page's tab
};

// Whether the message was a key of the window, and so handled; false leaves it to the message
// loop (a key of another window, of a dialog of its own, or one nobody takes).
bool RouteTabbedWindowKey(MSG& message, const TabbedWindowKeys& window);

// Whether the window is an edit field (also the edit part of a combo box).
bool IsEditField(HWND window);

} // namespace qm::ui

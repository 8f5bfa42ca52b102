#include "ui/TabbedKeys.h"

namespace qm::ui {
namespace {

bool KeyDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }

bool TabBetweenTabsAndPage(const TabbedWindowKeys& window, bool backwards) {
    // One Tab order for the whole window: the tabs, then the page's controls, then the tabs
    // again.
    if (!window.page) return false;
    HWND focus = GetFocus();
    HWND first = GetNextDlgTabItem(window.page, nullptr, FALSE);
    if (!first) {
        SetFocus(window.tabs);
        return true;
    }
    HWND last = GetNextDlgTabItem(window.page, first, TRUE);
    if (focus == window.tabs || !focus || !IsChild(window.page, focus)) {
        HWND target = backwards ? last : first;
        SetFocus(target);
        if (IsEditField(target)) SendMessageA(target, EM_SETSEL, 0, -1);
        return true;
    }
    // Leaving the page's last control forwards, or its first one backwards: to the tabs.
    HWND edge = backwards ? first : last;
    if (focus == edge || IsChild(edge, focus)) {
        SetFocus(window.tabs);
        return true;
    }
    return false; // within the page: the dialog manager moves on
}

bool TranslatePageKeys(const MSG& message, const TabbedWindowKeys& window) {
    const bool control = KeyDown(VK_CONTROL);
    const bool shift = KeyDown(VK_SHIFT);
    if (KeyDown(VK_MENU)) return false;
    const UINT key = static_cast<UINT>(message.wParam);
    if (control && (key == VK_TAB || key == VK_NEXT || key == VK_PRIOR)) {
        const bool back = key == VK_PRIOR || (key == VK_TAB && shift);
        if (window.changePage)
            window.changePage((window.activePage + (back ? window.pageCount - 1 : 1)) %
                              window.pageCount);
        return true;
    }
    // Ctrl+A inside an edit field selects its text; elsewhere it is the window's own key.
    if (control && !shift && key == 'A' && IsEditField(GetFocus())) {
        SendMessageA(GetFocus(), EM_SETSEL, 0, -1);
        return true;
    }
    if (key == VK_TAB && !control) return TabBetweenTabsAndPage(window, shift);
    return false;
}

} // namespace

bool IsEditField(HWND window) {
    char className[16] = {};
    return window && GetClassNameA(window, className, sizeof className) &&
           lstrcmpiA(className, "Edit") == 0;
}

bool RouteTabbedWindowKey(MSG& message, const TabbedWindowKeys& window) {
    if (!window.frame) return false;
    // Only the keys typed in this window and its pages; a dialog of its own (a message box, a
    // modal dialog) keeps its keys.
    if (message.hwnd != window.frame && !IsChild(window.frame, message.hwnd)) {
        // A modeless dialog of this loop: Tab moves between its controls, Escape closes it.
        if (window.modeless &&
            (message.hwnd == window.modeless || IsChild(window.modeless, message.hwnd)))
            return IsDialogMessageA(window.modeless, &message) != FALSE;
        return false;
    }
    if (message.message == WM_KEYDOWN && TranslatePageKeys(message, window)) return true;
    if (window.accelerators && TranslateAcceleratorA(window.frame, window.accelerators, &message))
        return true;
    if (!window.page) return false;
    if (message.message == WM_SYSCHAR && message.hwnd != window.page &&
        !IsChild(window.page, message.hwnd)) {
        // An access key typed while the tabs or the tool bar have the keyboard: the page's
        // labels answer it; a key of none of them goes on to the menu bar.
        MSG forPage = message;
        forPage.hwnd = window.page;
        return IsDialogMessageA(window.page, &forPage) != FALSE;
    }
    return IsDialogMessageA(window.page, &message);
}

} // namespace qm::ui

#pragma once
// What a page needs from the main window: the modified flags, the save prompt and the window's
// registry accessor. Pages depend on this, never on the main window itself. The dialogs are not
// the host's: every window reaches them through AppDialogs().

#include "ui/Dialogs.h"

#include <windows.h>

namespace qm {
class RegistryAccessor;
}

namespace qm::ui {

// The pages of the main window's page control, in tab order.
enum PageIndex : int {
    kPageButtons = 0,          // "Standard Toolbar Buttons"
    kPageContextMenu = 1,      // "Context Menu"
    kPageBackgrounds = 2,      // "Backgrounds"
    kPageWindowAttributes = 3, // "Window Attributes"
};

class PageHost {
public:
    virtual ~PageHost() = default;

    // Sets Modified and the page's own flag (every edit on a page).
    virtual void MarkModified(int page) = 0;
    // Clears Modified and the page's own flag (a page that has filled its fields).
    virtual void ClearModified(int page) = 0;
    // Clears all five flags.
    virtual void ClearAllModified() = 0;
    virtual bool IsModified() const = 0;             // Modified
    virtual bool IsPageModified(int page) const = 0; // the page's own flag

    // Asks whether to save the page's changes when Modified is set (Yes and No only), saves
    // on Yes, and clears all flags whatever the answer.
    virtual void OfferSave(int page, bool refresh) = 0;

    // The main window's registry accessor.
    virtual RegistryAccessor& Registry() = 0;
    // The same accessor set back in place (RegistryAccessor::Reset) to a fresh one's state:
    // a reference to it held across a dialog or a listing stays valid. Never a new object.
    virtual RegistryAccessor& ResetRegistry() = 0;

    virtual HWND MainWindow() const = 0;

    // The page needs this many pixels more than its template (the button page's strip wraps
    // onto further rows), or none again: the main window grows or shrinks by as much.
    virtual void PageGrew(int /*page*/, int /*extraHeight*/) {}
};

} // namespace qm::ui

#pragma once
// Small helpers for the standard controls the forms are made of.

#include <windows.h>

#include <string>

namespace qm::ui {

std::string GetText(HWND control);
// Sets the text only when it differs, so that assigning a field the text it already holds is
// no change (and raises no change notification).
void SetText(HWND control, const std::string& text);
// The same, and the text as the control holds it afterwards (a control may not take every
// character), read back only when it changed.
std::string ShowText(HWND control, const std::string& text);

bool IsChecked(HWND button);
// Checks or clears a check box or radio button by program: no click notification follows.
// A button already so is left alone, as are the setters below: showing a record most of whose
// state is as before repaints only what changed.
void SetChecked(HWND button, bool checked);

// Enables or disables an edit field. A disabled field is painted in COLOR_INACTIVEBORDER and
// an enabled one in COLOR_WINDOW; the page answers WM_CTLCOLOREDIT and WM_CTLCOLORSTATIC with
// FieldBrush for that.
void EnableField(HWND field, bool enabled);

// Makes an edit field read-only or editable again.
void SetReadOnly(HWND field, bool readOnly);

// For a page's WM_CTLCOLOREDIT / WM_CTLCOLORSTATIC: the background of an edit field by its
// state, or nullptr for any other control (let the dialog paint it). The brushes are the
// system's own and are never released.
HBRUSH FieldBrush(HWND control, HDC dc);

// A list view's cell (row, column) gets the text.
void SetListCell(HWND list, int row, int column, const std::string& text);
// How wide a list view draws the text, in pixels.
int ListTextWidth(HWND list, const std::string& text);

// The hourglass while an object of this type lives, and the arrow again afterwards (also when
// the work stops on an exception).
class HourglassCursor {
public:
    HourglassCursor() : previous_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
    ~HourglassCursor() { SetCursor(LoadCursorA(nullptr, IDC_ARROW)); }
    HourglassCursor(const HourglassCursor&) = delete;
    HourglassCursor& operator=(const HourglassCursor&) = delete;

private:
    HCURSOR previous_;
};

} // namespace qm::ui

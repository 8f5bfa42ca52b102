#pragma once
// What a user sees of a window's layout, read from its real controls: where a control is, and
// whether its text is readable (not empty, not cut off in the control's own font).

#include <windows.h>

#include <string>

namespace qmtest {

std::string ClassOf(HWND window);
// The control's rectangle in the parent's client coordinates.
RECT RectIn(HWND parent, HWND child);
// A control as a failure names it: class, id, text and place on the screen.
std::string Describe(HWND control);
bool IsGroupBox(HWND control);
// The room a control's text needs in its own font, laid out as the control lays it out.
SIZE TextNeeds(HWND control, int width);

// The control's text is not empty and fits it in its own font.
void ExpectReadable(HWND control, const std::string& what);
// Every visible control lies inside the window's client area, no two overlap (a frame may hold
// others; with panelsBehind, labels may lie on panels), and each label's and button's text
// fits its control.
void ExpectTidy(HWND window, const std::string& what, bool panelsBehind = false);
// A label comes before its field, left of it on its line or above it (a frame's label: around
// it), and its access key (when it has one) takes the keyboard to the field: the field is the
// next stop after the label.
void ExpectLabelsField(HWND label, HWND field, const std::string& what);

} // namespace qmtest

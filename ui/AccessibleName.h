#pragma once
// Accessible names for fields that no label precedes.
//
// A screen reader names an edit field by the static text just before it. A field that follows
// something else (a radio button that chooses it, say) would be announced with the wrong words
// or none, so the field answers the accessibility query itself: the system's own object for the
// control, with the given name.

#include <windows.h>

#include <string>

namespace qm::ui {

// Gives `control` the accessible name `name` ('&' marks of an access key are dropped) for as
// long as the control lives.
void SetAccessibleName(HWND control, const std::string& name);

} // namespace qm::ui

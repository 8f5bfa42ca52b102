#pragma once
// Layout helpers the pages share: bold labels, the Enter key in an edit field, and controls
// that keep to the page's right edge.

#include "base/Handles.h"

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

namespace qm::ui {

// A bold font of the dialog font's size that is drawn bold at that size, set on the given
// controls. The caller keeps the font
// alive as long as the controls.
UniqueFont MakeBoldLabels(HWND dialog, std::initializer_list<int> labelIds);

// The bottom edge of the dialog's lowest control that is meant to show (its own style says
// visible, whether or not the dialog is shown now), in the dialog's client pixels; 0 for none.
int LowestControlBottom(HWND dialog);

// Calls onEnter when Enter is typed into a single-line edit field (which a dialog would
// otherwise take for its default button). The key then goes on to the field as usual.
// onEnter runs inside the exception guard; it lives as long as the field.
void CallOnEnter(HWND edit, std::function<void()>* onEnter);

// Keeps controls at their distance from the page's right edge when the page is wider than its
// template (the dialog font's size decides how wide the template comes out, while the page
// always fills the main window): a field grows, a button moves along, a control that stays
// keeps its place across. Apply can also move them all down, below something the page sizes
// itself (the button page's strip).
class RightAnchors {
public:
    enum Kind { Stretch, Move, Stay };
    // Records the controls' places in the page as the template made it.
    void Attach(HWND page, const std::vector<std::pair<int, Kind>>& controls);
    // Places them again for the page's present width, down pixels below their recorded place.
    void Apply(int down = 0) const;
    // Windows has placed the controls anew for a new DPI: the recorded places follow in
    // proportion.
    void Rescale(UINT oldDpi, UINT newDpi);

private:
    struct Anchored {
        HWND control;
        Kind kind;
        RECT original;
    };
    HWND page_ = nullptr;
    int originalWidth_ = 0;
    std::vector<Anchored> anchored_;
};

} // namespace qm::ui

#pragma once
// What the two appearance pages share: bold labels, bitmap files and the tiled picture panel,
// and the Enter key in an edit field.

#include "ui/Handles.h"

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace qm::appearance {

// A bold copy of the dialog's font, set on the given controls. The caller keeps the font
// alive as long as the controls.
ui::UniqueFont MakeBoldLabels(HWND dialog, std::initializer_list<int> labelIds);

// Loads a bitmap file. Throws std::runtime_error with a text for the user when the file
// cannot be read or is not a bitmap.
ui::UniqueBitmap LoadBitmapFile(const std::string& path);

// The same, for the read paths that must not bother the user: an empty handle on any failure.
ui::UniqueBitmap TryLoadBitmapFile(const std::string& path);

// Paints an owner-drawn panel: the bitmap tiled from its top left corner, or the dialog's
// colour when there is none.
void PaintTiled(const DRAWITEMSTRUCT& item, HBITMAP bitmap);

// Calls onEnter when Enter is typed into a single-line edit field (which a dialog would
// otherwise take for its default button). The key then goes on to the field as usual.
// onEnter runs inside the exception guard; it lives as long as the field.
void CallOnEnter(HWND edit, std::function<void()>* onEnter);

// Keeps controls at their distance from the page's right edge when the page is wider than its
// template (the dialog font's size decides how wide the template comes out, while the page
// always fills the main window): a field grows, a button moves along.
class RightAnchors {
public:
    enum Kind { Stretch, Move };
    // Records the controls' places in the page as the template made it.
    void Attach(HWND page, std::initializer_list<std::pair<int, Kind>> controls);
    // Places them again for the page's present width.
    void Apply() const;

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

} // namespace qm::appearance

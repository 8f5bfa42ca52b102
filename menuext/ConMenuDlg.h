#pragma once
// "Select category": the small modal dialog with which both Add commands choose the template
// row that a new toolbar button or context-menu entry is made from. It only offers the choice;
// it reads and writes nothing.

#include "base/Handles.h"
#include "ui/Window.h"

#include <optional>

namespace qm {

class TConMenuDlgForm : public ui::DialogBase {
public:
    TConMenuDlgForm();

    // Shows the dialog centred on the owner and waits for the answer: the chosen row of
    // ButtonTemplates after "Yes" (or Enter), nothing after "No", Escape or the close box.
    std::optional<int> ShowModal(HWND owner);

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // The show handling: the list is refilled from the templates and opens on its first row,
    // whatever was chosen the time before.
    void FormShow();
    void PlaceControls();
    void PaintBevel();

    HWND owner_ = nullptr;
    int chosenRow_ = -1;
    UniqueIcon yesIcon_;
    UniqueIcon noIcon_;
    int iconSize_ = 0; // the size yesIcon_ and noIcon_ were loaded at
};

} // namespace qm

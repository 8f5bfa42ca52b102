#pragma once
// The program's own dialog with rows to choose from (Dialogs::ChooseRows): a list in report
// view with a check box and a picture per row, a text above and a note below it, an optional
// check box, OK and Cancel. Space toggles the row that has the keyboard, Tab goes from the list
// to the check box and the buttons, Enter is OK and Escape Cancel. It is laid out in dialog
// units, so that it grows with the dialog font at every DPI, and can be resized.

#include "ui/Dialogs.h"
#include "base/Handles.h"
#include "ui/Window.h"

#include <vector>

namespace qm::ui {

class TRowChoiceForm : public DialogBase {
public:
    explicit TRowChoiceForm(RowChoice& choice);

    // Shows the dialog centred on the owner until OK or Cancel; after OK the choice holds
    // what the user chose.
    bool ShowModal(HWND owner);

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // The show handling: texts, columns, rows with their check boxes and pictures, size and place.
    void FormShow();
    // The rows' pictures at the window's present DPI.
    void MakePictures();
    // Places the controls for the window's size, in the dialog font's units.
    void LayOut();
    // The columns share the list's width: each gets what its widest text needs while that
    // fits, and the long ones (paths) give way in proportion when it does not.
    void FitColumns();
    // OK: the rows' check boxes and the option go into the choice.
    void TakeChoice();

    RowChoice& choice_;
    HWND owner_ = nullptr;
    UINT dpi_ = 96;
    UniqueImageList pictures_;   // the rows' pictures; the list shares it (LVS_SHAREIMAGELISTS)
    std::vector<int> pictureOf_; // each row's picture in it, I_IMAGENONE for none
};

} // namespace qm::ui

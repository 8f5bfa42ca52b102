#pragma once
// "History" (Tools > History): the changes this program made, newest first, each with its time,
// what it was and the keys it touched, from which any one can be restored. The window only
// lists and chooses; restoring is the main window's, which asks before it overwrites a key that
// something changed since and shows the pages again afterwards.

#include "registry/ChangeHistory.h"
#include "ui/Window.h"

#include <functional>
#include <vector>

namespace qm {

class THistoryForm : public ui::DialogBase {
public:
    // Takes back one change; its questions and messages are owned by the window given.
    using Restore = std::function<void(const ChangeEntry& change, HWND owner)>;

    explicit THistoryForm(Restore restore);

    // Shows the window centred on the owner until the user closes it (Close, Escape or the
    // close box).
    void ShowModal(HWND owner);

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // The show handling: the columns, the rows, the size and place.
    void FormShow();
    // Reads the history again and shows it, with the row at that position selected (the last
    // one when fewer are left).
    void ListHistory(int select);
    // Restore: the selected change, then the history as it is afterwards.
    void RestoreClick();
    // Restore is there for a selected row only; the note says when there is nothing to restore.
    void SelectionChanged();
    // Places the controls for the window's size, in the dialog font's units, so that they
    // follow both a resize and a new DPI.
    void LayOut();
    // The last column takes whatever width the others leave.
    void FitLastColumn();
    int SelectedRow() const;

    Restore restore_;
    HWND owner_ = nullptr;
    UINT dpi_ = 96;                    // the DPI the columns are sized for
    std::vector<ChangeEntry> changes_; // as the rows show them
};

} // namespace qm

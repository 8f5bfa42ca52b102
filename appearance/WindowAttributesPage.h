#pragma once
// The "Window Attributes" page (sheet WindowTitle): the browser's window title, start page,
// search page, favourites import folder and seven yes/no display options, all string values
// of the current user's Main key.

#include "registry/ShownValues.h"
#include "ui/Layout.h"
#include "base/Handles.h"
#include "ui/Page.h"

#include <array>
#include <string>

namespace qm {

class WindowAttributesPage : public ui::Page {
public:
    static constexpr const char* kMainKey = "\\Software\\Microsoft\\Internet Explorer\\Main\\";

    explicit WindowAttributesPage(ui::PageHost& host) : Page(host) {}

    void Create(HWND mainWindow) override;
    void OnShow() override { WindowTitleShow(); }
    void Save() override { SaveWindowAttributes(); }
    std::string SavePrompt() const override { return "Save changes in window attributes?"; }
    void SaveFromPrompt(bool) override { SaveWindowAttributes(); }

    // Fills the fields and boxes from the registry, then clears the page's flags. A value that
    // is not a text stops the load with the registry's error: the fields and boxes after it stay
    // empty, the flags are cleared all the same, and saves are refused until a load succeeds.
    void LoadWindowAttributes();
    // Writes each text and option the user changed since the page showed them, after asking
    // when another program changed one of those values since; untouched values keep their type
    // and bytes. Leaves the flags alone.
    void SaveWindowAttributes();

protected:
    INT_PTR OnPageMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void WindowTitleShow();
    void FieldChange(); // WTitleEditChange, StartPageChange, SearchPageChange, FavoritFolderChange
    void OptionClick(); // the seven check boxes
    void FavoritBrowseClick(); // the "Browse" beside FavoritFolder

    // Sets the flags again after a refused save when a field or box holds an edit, so that the
    // edit is offered for saving again rather than dropped at the next page change.
    void KeepEditsMarked();
    bool TextEdited(size_t index) const;
    bool OptionEdited(size_t index) const;

    // The values as the page showed them, what the fields and boxes showed, and the value that
    // stopped the last load ("" when it succeeded).
    ShownValues shown_;
    std::array<std::string, 4> shownTexts_;
    std::array<bool, 7> shownChecks_{};
    std::string damaged_;

    UniqueFont boldLabels_;
    ui::RightAnchors anchors_;
};

} // namespace qm

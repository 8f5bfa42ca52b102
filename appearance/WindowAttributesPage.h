#pragma once
// The "Window Attributes" page (sheet WindowTitle): the browser's window title, start page,
// search page, favourites import folder and seven yes/no display options, all string values
// of the current user's Main key.

#include "ui/Layout.h"
#include "ui/Handles.h"
#include "ui/Page.h"

#include <string>

namespace qm {

class WindowAttributesPage : public ui::Page {
public:
    static constexpr const char* kMainKey = "\\Software\\Microsoft\\Internet Explorer\\Main\\";
    static constexpr const char* kFolderCaption = "Favorites Import Folder";

    explicit WindowAttributesPage(ui::PageHost& host) : Page(host) {}

    void Create(HWND mainWindow) override;
    void OnShow() override { WindowTitleShow(); }
    void Save() override { SaveWindowAttributes(); }
    std::string SavePrompt() const override { return "Save changes in window attributes?"; }
    void SaveFromPrompt(bool) override { SaveWindowAttributes(); }

    // Fills the fields and boxes from the registry, then clears the page's flags.
    void LoadWindowAttributes();
    // Writes the four texts and the seven options; leaves the flags alone.
    void SaveWindowAttributes();

protected:
    INT_PTR OnPageMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void WindowTitleShow();
    void FieldChange();       // WTitleEditChange, StartPageChange, SearchPageChange, FavoritFolderChange
    void OptionClick();       // the seven check boxes
    void FavoritBrowseClick(); // the "Browse" beside FavoritFolder

    ui::UniqueFont boldLabels_;
    ui::RightAnchors anchors_;
};

} // namespace qm

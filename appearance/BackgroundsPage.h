#pragma once
// The "Backgrounds" page (sheet TBBackground): the bitmaps that the browser and Windows
// Explorer tile behind their toolbars, as two paths in the current user's Toolbar key, each
// with a wide preview panel.

#include "appearance/PageTools.h"
#include "registry/ShownValues.h"
#include "ui/Layout.h"
#include "ui/Dialogs.h"
#include "base/Handles.h"
#include "ui/Page.h"

#include <array>
#include <functional>
#include <string>

namespace qm {

class BackgroundsPage : public ui::Page {
public:
    static constexpr const char* kToolbarKey =
        "\\Software\\Microsoft\\Internet Explorer\\Toolbar\\";
    static constexpr const char* kBrowserValue = "BackBitmapIE5";
    static constexpr const char* kExplorerValue = "BackBitmapShell";

    explicit BackgroundsPage(ui::PageHost& host);

    void Create(HWND mainWindow) override;
    void OnShow() override { TBBackgroundShow(); }
    void Save() override;
    std::string SavePrompt() const override { return "Save changes in backgrounds?"; }
    void SaveFromPrompt(bool refresh) override;

    // Fills the fields and panels from the registry, then clears the page's flags. A value that
    // is not a text stops the load with the registry's error: the fields after it stay empty,
    // the flags are cleared all the same, and saves are refused until a load succeeds.
    void LoadBackgrounds();
    // Writes (or, for an empty path, deletes) each value whose path differs from the one shown,
    // after asking when another program changed that value since; untouched values keep their
    // type and bytes. Then reloads both panels from the fields. Leaves the flags alone.
    void SaveBackgrounds(const std::string& browserPath, const std::string& explorerPath);

    // The pictures the upper (browser) and lower (Explorer) panels show; null when empty.
    HBITMAP BrowserPicture() const { return panels_[0].picture.get(); }
    HBITMAP ExplorerPicture() const { return panels_[1].picture.get(); }

protected:
    INT_PTR OnPageMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    struct Panel {
        int panelId;
        int editId;
        int browseId;
        const char* value; // its registry value
        UniqueBitmap picture;
        std::function<void()> onEnter;
        std::string shownText; // the field's text as the last load or save left it
    };

    void FormCreate();
    // Keeps the fixed-size panels in the middle of the page's width.
    void CentrePanels();
    void TBBackgroundShow();
    void FieldChange();               // TBImageEditChange, WEBackgroundChange
    void KeyPressEnter(Panel& panel); // TBImageEditKeyPress, WEBackgroundKeyPress with Enter
    void BrowseClick(Panel& panel);   // the "Browse" buttons
    // Loads the panel's picture from a path; empties it on any failure, silently.
    void ReloadPanel(Panel& panel, const std::string& path);
    std::string FieldText(const Panel& panel) const;
    // Sets the flags again after a refused save when a field holds an edit, so that the edit
    // is offered for saving again rather than dropped at the next page change.
    void KeepEditsMarked();

    // The values as the page showed them, and the value that stopped the last load ("" when
    // it succeeded).
    ShownValues shown_;
    std::string damaged_;

    std::array<Panel, 2> panels_;
    ui::FileDialog openPictureDialog1_;
    UniqueFont boldLabels_;
    ui::RightAnchors anchors_;
};

} // namespace qm

#pragma once
// The main window (form Form1): a fixed-size window with the command tool bar, the menu bar
// and the page control of four pages. It owns the commands Refresh, Add, Save and Delete
// (which act on the page showing), their enabling, the five modified flags and the save
// prompt, and is the PageHost of its pages.

#include "app/About.h"
#include "app/Logo.h"
#include "menuext/ConMenuDlg.h"
#include "registry/RegistryAccessor.h"
#include "registry/ChangeHistory.h"
#include "base/Handles.h"
#include "ui/KeyboardFocus.h"
#include "ui/ModifiedFlags.h"
#include "ui/Page.h"
#include "ui/PageHost.h"
#include "ui/Window.h"

#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace qm {

namespace transfer {
class ToolBarTransfer;
}

class TForm1 : public ui::WindowBase, public ui::PageHost {
public:
    static constexpr int kPageCount = ui::ModifiedFlags::kPageCount;

    // Creates the window with its tool bar, menus, page control and pages, hidden; Show()
    // puts it on the screen. When endsApplication is set, the window's end ends the message
    // loop (the program's window); a test's window leaves the loop alone.
    explicit TForm1(bool endsApplication = false);
    ~TForm1() override;

    // The window's show handling: the active page (page 0 at start) is shown and loaded, the
    // splash (if any) is closed, and the caption is "Quillmere version " and the version. A failure of
    // the load is shown in the standard error box after that; the window stays with what the
    // page could load.
    void Show(int showCommand, TLogoForm* splash = nullptr);

    // For the message loop: the accelerators (Ctrl+R/A/S/D, F1), then the keyboard navigation
    // of the page showing. True when the message has been handled.
    bool TranslateKeyboard(MSG& message);

    int ActivePage() const { return activePage_; }
    ui::Page& PageAt(int index) { return *pages_.at(index); }
    HWND ToolBar() const { return toolBar1_; }
    HWND PageControl() const { return pageControl1_; }
    // The DPI the window is laid out for.
    UINT Dpi() const { return dpi_; }
    // Whether a command (IDM_REFRESH ...) is available on the page showing.
    bool CommandEnabled(int command) const;
    // The About box, made with the window and shown again by every "About".
    TAboutForm& AboutForm() { return *aboutForm_; }

    // PageHost
    void MarkModified(int page) override;
    void ClearModified(int page) override;
    void ClearAllModified() override;
    bool IsModified() const override { return flags_.IsModified(); }
    bool IsPageModified(int page) const override { return flags_.IsPageModified(page); }
    void OfferSave(int page, bool refresh) override;
    RegistryAccessor& Registry() override;
    RegistryAccessor& ResetRegistry() override;
    HWND MainWindow() const override { return hwnd(); }
    void PageGrew(int page, int extraHeight) override;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // The one place where the four pages are made, in tab order.
    void CreatePages();
    void CreateToolBar();
    void CreatePageControl();
    // The tool bar's normal and highlighted pictures at the window's DPI.
    void LoadToolPictures();
    void AttachMenuImages();
    void LayoutControls();
    // The window's outer size with a one-row button strip, at its DPI.
    SIZE OneRowWindowSize() const;
    // The client height that holds the tool bar, the tabs and the tallest page.
    int ClientHeightForPages() const;
    void DpiChanged(UINT dpi, const RECT& suggested);

    // The window's activation: the keyboard goes back to the control that had it before a box,
    // a dialog or another window took over.
    void Activated(WPARAM wParam, LPARAM lParam);
    // Puts the keyboard on the page's first control.
    void FocusPage();

    // Keys of the page control: Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+PgDn and Ctrl+PgUp change pages;
    // Ctrl+A in an edit field selects its text; Tab goes from the tabs into the page and out.
    void ChangePageByKeyboard(int index);

    // Makes the page active, puts the focus on its first field and runs its show handling:
    // command states, then (with load) its load.
    void ShowPage(int index, bool load = true);
    // The View menu's page change (see Main.cpp).
    void ViewPage(int index);
    // The save question for the first page in tab order whose own flag is set, if any.
    void OfferSaveOfFirstEditedPage();
    // Enables Refresh, Add and Delete for the page showing (Save always), in the tool bar and
    // the Edit menu together.
    void SetCommandStates();
    void EnableCommand(int command, bool enabled);
    void OnCommand(int command);

    // Handlers, by their design names.
    void ToolButton1Click(); // Refresh
    void ToolButton2Click(); // Add
    void ToolButton3Click(); // Save
    void ToolButton4Click(); // Delete
    // Edit > Undo: takes back the newest change in the history.
    void Undo1Click();
    // Shows the newest change in the Edit menu's Undo item, which is disabled without one.
    void UpdateUndoItem(HMENU menu);
    // Tools > History: the window that lists the history and restores any change of it.
    void History1Click();
    void ImportToolBarsInfo1Click();
    void ExportToolBarsInfo1Click();
    void Content1Click();
    void About2Click();
    void PageControl1Changing();
    void PageControl1Change();
    void FormClose();
    LRESULT OnNotify(NMHDR& header);

public:
    // Takes back one change of the history: edits of the page shown are offered for saving
    // first, keys that changed since are asked about, and the pages show the result. The
    // questions and messages belong to owner (the main window when none is given).
    void UndoChange(const ChangeEntry& change, HWND owner = nullptr);

private:
    // The save question for the edits of the page shown, if it holds any, owned by owner.
    void OfferSaveOfShownPage(HWND owner);
    // The "Select category" dialog before Add on the button and context-menu pages: the
    // chosen template row, or nothing.
    std::optional<int> ChooseCategory();
    // Rebuilds the button page's strip with no button selected (after an import).
    void RebuildButtonStrip();

    bool endsApplication_;
    ui::ModifiedFlags flags_;
    std::unique_ptr<RegistryAccessor> registry_ = std::make_unique<RegistryAccessor>();
    std::array<std::unique_ptr<ui::Page>, kPageCount> pages_;
    // Made with the window and reused for every Add.
    TConMenuDlgForm conMenuDlgForm_;
    std::unique_ptr<TAboutForm> aboutForm_;
    int activePage_ = ui::kPageButtons;
    ui::FocusMemory focus_;
    // The Tools menu's export and import, with the dialogs SaveDialog1 and OpenDialog2.
    std::unique_ptr<transfer::ToolBarTransfer> transfer_;

    HWND toolBar1_ = nullptr;
    HWND pageControl1_ = nullptr;
    HACCEL accelerators_ = nullptr; // a resource of the module: never destroyed
    UniqueImageList toolImages_;
    UniqueImageList toolHotImages_;
    UniqueImageList tabImages_;
    std::vector<UniqueBitmap> menuImages_;
    UniqueFont font_;
    UINT dpi_ = 96; // the DPI the window is laid out for
    // The window's height with a one-row button strip; the strip's further rows add to it.
    int oneRowWindowHeight_ = 0;
    // The button strip's height as the button page last reported it; 0 before.
    std::array<int, kPageCount> grown_{}; // what each page needs beyond its template
};

} // namespace qm

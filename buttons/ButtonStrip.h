#pragma once
// The strip across the top of the button page (ToolBar2): one icon button per toolbar button
// record of both registry roots, in a frame that shows a few rows and scrolls through the
// others. It lists the records, refreshes their hints and icons in place, and leads the
// keyboard between its buttons; which record a button shows is the page's business.

#include "buttons/ButtonPlace.h"
#include "base/Handles.h"
#include "ui/PageHost.h"

#include <windows.h>
#include <commctrl.h>

#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace qm {

// At 96 DPI; a strip's one row is as many pixels as this at the window's DPI (OneRowStripHeight).
inline constexpr int kOneRowStripHeight = 24;
// A row of the strip: its buttons' height at the DPI, and the strip's one-pixel frame.
inline constexpr int kStripButtonHeight = kOneRowStripHeight - 2;
inline int OneRowStripHeight(UINT dpi) {
    return MulDiv(kStripButtonHeight, static_cast<int>(dpi), 96) + 2;
}

class RegistryAccessor;

class ButtonStrip {
public:
    // What the strip asks of the page it lies on.
    struct Page {
        std::function<void(int)> showButton;   // show the record of the button at that position
        std::function<std::string()> shownKey; // the key name of the record shown, or ""
        std::function<bool()> onlyOwn;         // "Show only Quillmere created buttons"
        std::function<void()> changed;         // the buttons changed: lay the page out again
    };

    ButtonStrip(ui::PageHost& host, Page page) : host_(host), page_(std::move(page)) {}
    ButtonStrip(const ButtonStrip&) = delete;
    ButtonStrip& operator=(const ButtonStrip&) = delete;

    // Makes the frame and the strip in it on the page's window, first in its tab order.
    void Create(HWND pageWindow, UINT dpi);
    // The icons at the small-icon size of the new DPI; the buttons keep their images' places.
    void SetDpi(UINT dpi);

    // --- listing ---

    // Rebuilds the strip from the registry, in the order WalkButtonsInListedOrder gives (the
    // current user's records, then the machine's): walked from that order's end, each record is
    // put before the buttons already there. A failure part-way keeps what was found before it
    // and is returned.
    std::exception_ptr List();
    // The one disabled blank button of a strip that lists no record.
    void AddPlaceholder();
    // Re-reads the hints and icons without re-creating any button (this may run inside a strip
    // button's own click). False when the registry no longer holds the records the strip shows,
    // or failed (the failure is returned in failure): the strip then needs a full List.
    bool Refresh(std::exception_ptr& failure);

    // --- what it shows ---

    int Count() const { return static_cast<int>(buttons_.size()); }
    // True when it holds only the placeholder (or nothing).
    bool Empty() const { return buttons_.empty() || buttons_.front().command == 0; }
    const std::string& Key(int position) const { return buttons_.at(position).keyName; }
    const std::string& Hint(int position) const { return buttons_.at(position).hint; }
    // Where the record of that button lives, as the listing found it.
    ButtonPlace Place(int position) const { return buttons_.at(position).place; }
    // What the button's tooltip shows: the record's text, and below it where the record lives;
    // "" for the placeholder.
    std::string Tip(int position) const;
    int Command(int position) const { return buttons_.at(position).command; }
    // The position of the first button with exactly that key name or command, or -1.
    int Find(const std::string& keyName) const;
    int FindCommand(int command) const;
    // The key names of the records the last listing found under the current user's root.
    const std::vector<std::string>& CurrentUserButtons() const { return currentUserButtons_; }

    HWND ToolBar() const { return toolBar_; }
    HWND View() const { return view_; }
    int IconSize() const { return iconSize_; }
    int Scroll() const { return scroll_; }
    HIMAGELIST Icons() const { return icons_.get(); }
    HIMAGELIST HotIcons() const { return hotIcons_.get(); }
    int RowHeight() const;
    // The frame's height, its border included.
    int Height() const;

    // --- layout, scrolling and keys ---

    // Places the frame and lays the buttons out for its width, showing at most rowsShown rows
    // (and a scroll bar when there are more); returns the frame's height.
    int LayOut(int left, int top, int width, int rowsShown);
    void ScrollBy(UINT message, WPARAM wParam); // WM_VSCROLL and WM_MOUSEWHEEL of the frame
    bool KeyDown(UINT key);
    void Focused();
    // Scrolls so that the button at that position is in view.
    void Reveal(int position);
    // Answers the strip's tooltip asking for a button's hint (Tip); false for any other
    // notification.
    bool HintAsked(NMHDR& header);

private:
    struct Button {
        std::string keyName; // compared exactly; "" for the placeholder
        std::string hint;    // the record's "ButtonText"
        ButtonPlace place = ButtonPlace::ThisUser;
        int command = 0;         // 0 for the placeholder, which has no click action
        int image = I_IMAGENONE; // its picture in Icons and HotIcons
    };
    struct Listed {
        std::string keyName;
        std::string hint;
        ButtonPlace place;
    };
    struct IconBatches;

    std::exception_ptr WalkListed(std::vector<Listed>& found);
    // Whether any button changed: was added, removed or given another record.
    bool Replace(const std::vector<Listed>& records);
    int NextCommand();
    void SetButtonText(int position);
    void SetPictureSize();
    void SetHintWidth();
    int ContentHeight() const;
    int LayOutButtons(int width);
    void SetScroll(int offset);
    int Beside(int from, UINT key) const;
    void Finish();

    ui::PageHost& host_;
    Page page_;
    HWND view_ = nullptr;
    HWND toolBar_ = nullptr;
    UINT dpi_ = 96;
    int iconSize_ = 16;
    int scroll_ = 0;
    int nextCommand_ = 0;
    UniqueImageList icons_;
    UniqueImageList hotIcons_;
    std::vector<Button> buttons_;
    std::vector<std::string> currentUserButtons_;
    std::string tip_; // the tooltip's text while it shows it
    std::wstring wideHint_;
};

} // namespace qm

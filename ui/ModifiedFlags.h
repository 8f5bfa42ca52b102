#pragma once
// The five modified flags of the main window and the rule of its save question: Modified, set
// by every edit and cleared by every page that fills its fields, and each page's own flag,
// which tells which page holds the edits. The main window and the tests' stand-in for it both
// keep their flags here, so that a page tested alone meets the same rule as in the window.

#include <windows.h>

#include <array>
#include <optional>

namespace qm::ui {

class Page;

class ModifiedFlags {
public:
    static constexpr int kPageCount = 4;

    // An edit on the page: Modified and the page's own flag.
    void Mark(int page);
    // A page that has filled its fields: Modified and the page's own flag are cleared.
    void Clear(int page);
    void ClearAll();
    bool IsModified() const { return modified_; }
    bool IsPageModified(int page) const { return pages_.at(page); }

    // The first page in tab order whose own flag is set. Loading another page (the View menu
    // asks nothing) clears Modified alone, so a page's own flag is what tells of its edits.
    std::optional<int> FirstEditedPage() const;
    // The pages whose own flags are set, but for one page.
    std::array<bool, kPageCount> EditedPagesBut(int page) const;

    // The save question for the page: asked (Yes and No) only while Modified is set; Yes saves
    // through the page. Whatever the answer, and also when the save fails, Modified and the
    // page's own flag end cleared; another page's edits keep their flag, to be asked about
    // when that page is left or the window closes.
    void OfferSave(int index, Page& page, HWND owner, bool refresh);

private:
    bool modified_ = false;
    std::array<bool, kPageCount> pages_{};
};

} // namespace qm::ui

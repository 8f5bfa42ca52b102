#include "ui/ModifiedFlags.h"

#include "ui/Dialogs.h"
#include "ui/Page.h"

namespace qm::ui {

void ModifiedFlags::Mark(int page) {
    pages_.at(page) = true;
    modified_ = true;
}

void ModifiedFlags::Clear(int page) {
    pages_.at(page) = false;
    modified_ = false;
}

void ModifiedFlags::ClearAll() {
    modified_ = false;
    pages_.fill(false);
}

std::optional<int> ModifiedFlags::FirstEditedPage() const {
    for (int page = 0; page < kPageCount; ++page)
        if (pages_[page]) return page;
    return std::nullopt;
}

std::array<bool, ModifiedFlags::kPageCount> ModifiedFlags::EditedPagesBut(int page) const {
    std::array<bool, kPageCount> edited = pages_;
    edited.at(page) = false;
    return edited;
}

void ModifiedFlags::OfferSave(int index, Page& page, HWND owner, bool refresh) {
    struct ClearAtEnd {
        ModifiedFlags& flags;
        int page;
        ~ClearAtEnd() { flags.Clear(page); }
    } clearAtEnd{*this, index};
    if (!modified_) return;
    if (AppDialogs().AskYesNo(owner, page.SavePrompt())) page.SaveFromPrompt(refresh);
}

} // namespace qm::ui

#pragma once
// A PageHost for testing one page on its own, without the main window: the main window's own
// flags and save question (ModifiedFlags), a real registry accessor and the scripted dialogs.

#include "registry/RegistryAccessor.h"
#include "ui/ModifiedFlags.h"
#include "ui/Page.h"
#include "ui/PageHost.h"

#include <memory>

namespace qmtest {

class TestPageHost : public qm::ui::PageHost {
public:
    explicit TestPageHost(HWND window = nullptr) : window_(window) {}

    // The page whose SavePrompt/SaveFromPrompt answer OfferSave.
    void SetPage(qm::ui::Page* page) { page_ = page; }
    void SetWindow(HWND window) { window_ = window; }

    void MarkModified(int page) override { flags_.Mark(page); }
    void ClearModified(int page) override { flags_.Clear(page); }
    void ClearAllModified() override { flags_.ClearAll(); }
    bool IsModified() const override { return flags_.IsModified(); }
    bool IsPageModified(int page) const override { return flags_.IsPageModified(page); }

    void OfferSave(int page, bool refresh) override {
        ++offers;
        if (page_)
            flags_.OfferSave(page, *page_, window_, refresh);
        else
            flags_.Clear(page);
    }

    qm::RegistryAccessor& Registry() override { return *registry_; }
    qm::RegistryAccessor& ResetRegistry() override {
        registry_->Reset();
        return *registry_;
    }
    HWND MainWindow() const override { return window_; }

    int offers = 0;

private:
    HWND window_;
    qm::ui::Page* page_ = nullptr;
    qm::ui::ModifiedFlags flags_;
    std::unique_ptr<qm::RegistryAccessor> registry_ = std::make_unique<qm::RegistryAccessor>();
};

} // namespace qmtest

#pragma once
// A PageHost for testing one page on its own, without the main window: real flags, a real
// registry accessor, the scripted dialogs, and a save prompt that follows the main window's
// rule (ask when Modified is set, save on Yes through the page, clear all flags).

#include "registry/RegistryAccessor.h"
#include "ui/Dialogs.h"
#include "ui/Page.h"
#include "ui/PageHost.h"

#include <array>
#include <memory>

namespace qmtest {

class TestPageHost : public qm::ui::PageHost {
public:
    explicit TestPageHost(HWND window = nullptr) : window_(window) {}

    // The page whose SavePrompt/SaveFromPrompt answer OfferSave.
    void SetPage(qm::ui::Page* page) { page_ = page; }
    void SetWindow(HWND window) { window_ = window; }

    void MarkModified(int page) override { modified_ = true, pages_.at(page) = true; }
    void ClearModified(int page) override { modified_ = false, pages_.at(page) = false; }
    void ClearAllModified() override { modified_ = false, pages_.fill(false); }
    bool IsModified() const override { return modified_; }
    bool IsPageModified(int page) const override { return pages_.at(page); }

    void OfferSave(int, bool refresh) override {
        ++offers;
        if (modified_ && page_ && qm::ui::AppDialogs().AskYesNo(window_, page_->SavePrompt()))
            page_->SaveFromPrompt(refresh);
        ClearAllModified();
    }

    qm::RegistryAccessor& Registry() override { return *registry_; }
    qm::RegistryAccessor& NewRegistry() override {
        registry_->SetRoot(HKEY_CURRENT_USER); // closes the open key, as the main window does
        return *registry_;
    }
    qm::ui::Dialogs& UiDialogs() override { return qm::ui::AppDialogs(); }
    HWND MainWindow() const override { return window_; }

    int offers = 0;

private:
    HWND window_;
    qm::ui::Page* page_ = nullptr;
    bool modified_ = false;
    std::array<bool, 4> pages_{};
    std::unique_ptr<qm::RegistryAccessor> registry_ = std::make_unique<qm::RegistryAccessor>();
};

} // namespace qmtest

#include "ui/ModifiedFlags.h"
#include "ui/Page.h"
#include "ui/PageHost.h"

#include "support/ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using qm::ui::ModifiedFlags;

// A page that only answers the save question; it has no window.
class QuestionPage : public qm::ui::Page {
public:
    explicit QuestionPage(qm::ui::PageHost& host) : Page(host) {}
    void Create(HWND) override {}
    void OnShow() override {}
    void Save() override {}
    std::string SavePrompt() const override { return "Save the changes?"; }
    void SaveFromPrompt(bool refresh) override {
        ++saves;
        refreshed = refresh;
        if (failing) throw std::runtime_error("Failed to set data for 'Icon'");
    }
    int saves = 0;
    bool refreshed = false;
    bool failing = false;

protected:
    INT_PTR OnPageMessage(UINT, WPARAM, LPARAM) override { return FALSE; }
};

class ModifiedFlagsTest : public ::testing::Test {
protected:
    // Hosts the page only for its constructor: the flags under test are their own.
    class NoHost : public qm::ui::PageHost {
        void MarkModified(int) override {}
        void ClearModified(int) override {}
        void ClearAllModified() override {}
        bool IsModified() const override { return false; }
        bool IsPageModified(int) const override { return false; }
        void OfferSave(int, bool) override {}
        qm::RegistryAccessor& Registry() override { throw std::logic_error("no registry"); }
        qm::RegistryAccessor& ResetRegistry() override { throw std::logic_error("no registry"); }
        HWND MainWindow() const override { return nullptr; }
    } host_;
    QuestionPage page_{host_};
    qmtest::ScriptedDialogs dialogs_;
    ModifiedFlags flags_;
};

TEST_F(ModifiedFlagsTest, APageThatFillsItsFieldsClearsModifiedAndOnlyItsOwnFlag) {
    flags_.Mark(qm::ui::kPageContextMenu);
    flags_.Mark(qm::ui::kPageBackgrounds);
    flags_.Clear(qm::ui::kPageBackgrounds);
    EXPECT_FALSE(flags_.IsModified());
    EXPECT_FALSE(flags_.IsPageModified(qm::ui::kPageBackgrounds));
    EXPECT_TRUE(flags_.IsPageModified(qm::ui::kPageContextMenu));
    EXPECT_EQ(flags_.FirstEditedPage(), qm::ui::kPageContextMenu);

    flags_.Mark(qm::ui::kPageWindowAttributes);
    auto others = flags_.EditedPagesBut(qm::ui::kPageContextMenu);
    EXPECT_FALSE(others[qm::ui::kPageContextMenu]);
    EXPECT_TRUE(others[qm::ui::kPageWindowAttributes]);
    EXPECT_FALSE(others[qm::ui::kPageButtons]);
    flags_.ClearAll();
    EXPECT_EQ(flags_.FirstEditedPage(), std::nullopt);
}

TEST_F(ModifiedFlagsTest, TheSaveQuestionComesOnlyWithModifiedAndClearsOnlyItsOwnPage) {
    // Without Modified (another page's load cleared it) no question, but the flags still go.
    flags_.Mark(qm::ui::kPageButtons);
    flags_.Clear(qm::ui::kPageContextMenu);
    flags_.OfferSave(qm::ui::kPageButtons, page_, nullptr, true);
    EXPECT_TRUE(dialogs_.Shown().empty());
    EXPECT_EQ(page_.saves, 0);
    EXPECT_FALSE(flags_.IsPageModified(qm::ui::kPageButtons));

    // No: nothing saved.
    flags_.Mark(qm::ui::kPageButtons);
    dialogs_.AnswerQuestion(false, "Save the changes?");
    flags_.OfferSave(qm::ui::kPageButtons, page_, nullptr, true);
    EXPECT_EQ(page_.saves, 0);
    EXPECT_FALSE(flags_.IsModified());

    // Yes: saved through the page, with the refresh asked for.
    flags_.Mark(qm::ui::kPageButtons);
    dialogs_.AnswerQuestion(true, "Save the changes?");
    flags_.OfferSave(qm::ui::kPageButtons, page_, nullptr, true);
    EXPECT_EQ(page_.saves, 1);
    EXPECT_TRUE(page_.refreshed);
    EXPECT_FALSE(flags_.IsModified());

    // A save that fails still leaves its page's flag cleared, and its failure goes on to the
    // caller; the edits of another page keep their flag whatever the answer about this one.
    page_.failing = true;
    flags_.Mark(qm::ui::kPageBackgrounds);
    flags_.Mark(qm::ui::kPageButtons);
    dialogs_.AnswerQuestion(true);
    EXPECT_THROW(flags_.OfferSave(qm::ui::kPageButtons, page_, nullptr, false), std::runtime_error);
    EXPECT_FALSE(flags_.IsModified());
    EXPECT_FALSE(flags_.IsPageModified(qm::ui::kPageButtons));
    EXPECT_EQ(flags_.FirstEditedPage(), qm::ui::kPageBackgrounds);
    page_.failing = false;
    flags_.Mark(qm::ui::kPageButtons);
    dialogs_.AnswerQuestion(false, "Save the changes?");
    flags_.OfferSave(qm::ui::kPageButtons, page_, nullptr, false);
    EXPECT_EQ(flags_.FirstEditedPage(), qm::ui::kPageBackgrounds);
}

} // namespace

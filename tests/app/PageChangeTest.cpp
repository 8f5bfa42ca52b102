// Changing pages never loses an edit and never leaves the keyboard in a hidden page: the View
// menu keeps what a page holds, the next tab click asks about it, and the focus follows the
// page shown. The registry is checked with the plain registry functions.
#include "support/MainWindowTest.h"

namespace {

using qm::ui::kPageBackgrounds;
using qm::ui::kPageButtons;
using qm::ui::kPageContextMenu;
using qm::ui::kPageWindowAttributes;

constexpr char kMain[] = "Software\\Microsoft\\Internet Explorer\\Main";

void PutTitle(const std::string& title) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kMain, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "Window Title", 0, REG_SZ, reinterpret_cast<const BYTE*>(title.c_str()),
                   static_cast<DWORD>(title.size() + 1));
    RegCloseKey(key);
}

std::string StoredTitle() {
    char data[256] = {};
    DWORD size = sizeof data - 1;
    if (RegGetValueA(HKEY_CURRENT_USER, kMain, "Window Title", RRF_RT_REG_SZ, nullptr, data,
                     &size) != ERROR_SUCCESS)
        return "(absent)";
    return data;
}

class PageChangeTest : public qmtest::MainWindowTest {
protected:
    void SetUp() override {
        PutTitle("Stored title");
        MainWindowTest::SetUp();
    }
    bool FocusIn(int page) const {
        HWND focus = GetFocus();
        return focus && IsChild(form->PageAt(page).hwnd(), focus) && IsWindowVisible(focus);
    }
};

TEST_F(PageChangeTest, TheViewMenuKeepsEditsAndTheNextTabClickAsksAboutThem) {
    MenuCommand(IDM_VIEWWINDOWTITLE);
    ASSERT_EQ(Text(kPageWindowAttributes, IDC_WTITLEEDIT), "Stored title");
    Type(kPageWindowAttributes, IDC_WTITLEEDIT, "Typed title");

    // Choosing the page shown does nothing: no reload over the edit.
    MenuCommand(IDM_VIEWWINDOWTITLE);
    EXPECT_EQ(Text(kPageWindowAttributes, IDC_WTITLEEDIT), "Typed title");
    EXPECT_TRUE(form->IsPageModified(kPageWindowAttributes));

    // Away and back through the View menu: the edit is still there, and still marked, also
    // after page 0 has been refreshed meanwhile.
    MenuCommand(IDM_VIEWSTDBTN);
    MenuCommand(IDM_REFRESH);
    MenuCommand(IDM_VIEWWINDOWTITLE);
    EXPECT_EQ(Text(kPageWindowAttributes, IDC_WTITLEEDIT), "Typed title");
    EXPECT_TRUE(form->IsPageModified(kPageWindowAttributes));
    EXPECT_EQ(StoredTitle(), "Stored title");

    // Left through the View menu, then a tab click elsewhere: the question is about that edit.
    MenuCommand(IDM_VIEWSTDBTN);
    dialogs.AnswerQuestion(true, "Save changes in window attributes?");
    ClickTab(kPageContextMenu);
    EXPECT_EQ(form->ActivePage(), kPageContextMenu);
    EXPECT_EQ(StoredTitle(), "Typed title");
    EXPECT_TRUE(NoFlagSet());
}

TEST_F(PageChangeTest, AnAnswerAboutOnePageLeavesAnotherPagesEditsAndTheyAreShownAgain) {
    MenuCommand(IDM_VIEWWINDOWTITLE);
    Type(kPageWindowAttributes, IDC_WTITLEEDIT, "Typed title");
    MenuCommand(IDM_VIEWTBBACKGROUND);
    Type(kPageBackgrounds, IDC_TBIMAGEEDIT, "C:\\typed.bmp");

    // The tab click asks about the first edited page; No drops those edits alone.
    dialogs.AnswerQuestion(false, "Save changes in backgrounds?");
    ClickTab(kPageWindowAttributes);
    EXPECT_EQ(form->ActivePage(), kPageWindowAttributes);
    EXPECT_EQ(Text(kPageWindowAttributes, IDC_WTITLEEDIT), "Typed title");
    EXPECT_TRUE(form->IsPageModified(kPageWindowAttributes));
    EXPECT_FALSE(form->IsPageModified(kPageBackgrounds));
    EXPECT_EQ(StoredTitle(), "Stored title");

    // Still there to be saved.
    MenuCommand(IDM_SAVE);
    EXPECT_EQ(StoredTitle(), "Typed title");
    EXPECT_EQ(dialogs.ShownOf(qmtest::Shown::Question).size(), 1u);
}

TEST_F(PageChangeTest, TheFocusFollowsThePageShownOnEveryChange) {
    EXPECT_TRUE(FocusIn(kPageButtons)); // at start
    MenuCommand(IDM_VIEWWINDOWTITLE);
    EXPECT_TRUE(FocusIn(kPageWindowAttributes));
    EXPECT_EQ(GetFocus(), Control(kPageWindowAttributes, IDC_WTITLEEDIT));
    ClickTab(kPageBackgrounds);
    EXPECT_TRUE(FocusIn(kPageBackgrounds));
    MenuCommand(IDM_VIEWSTDBTN);
    EXPECT_TRUE(FocusIn(kPageButtons));

    // A key typed now edits the page that can be seen, not the one left behind.
    SendMessageA(GetFocus(), WM_CHAR, 'x', 1);
    Pump();
    EXPECT_EQ(Text(kPageWindowAttributes, IDC_WTITLEEDIT), "Stored title");
    EXPECT_FALSE(form->IsPageModified(kPageWindowAttributes));
}

} // namespace

// Page 0 inside the real main window: the save question before another record is shown, the
// Save command's refresh of the strip, and the window's growth with the strip.

#include "ButtonPageFixture.h"

namespace {

using qmtest::PutRecord;
using qmtest::ReadRecord;

class ButtonPageInWindowTest : public qmtest::ButtonPageInMainWindowTest {
protected:
    int WindowHeight() const {
        RECT window;
        GetWindowRect(form->hwnd(), &window);
        return window.bottom - window.top;
    }
};

TEST_F(ButtonPageInWindowTest, ClickingAnotherButtonAfterAnEditAsksAboutTheShownRecordFirst) {
    const std::string first = qm::ButtonKeyName(1), second = qm::ButtonKeyName(2);
    PutRecord(HKEY_LOCAL_MACHINE, first, {{"ButtonText", "First"}, {"Exec", "a"}});
    PutRecord(HKEY_LOCAL_MACHINE, second, {{"ButtonText", "Second"}, {"Exec", "b"}});
    Open();
    ASSERT_EQ(page->StripButtonCount(), 2);
    const int firstAt = page->StripKey(0) == first ? 0 : 1;
    ClickStrip(firstAt);
    ASSERT_EQ(page->ShownKey(), first);

    // Yes: the shown record is saved, its hint refreshed in place, then the clicked one shown.
    Type(IDC_BUTTONTEXT, "First, edited");
    ASSERT_TRUE(form->IsPageModified(qm::ui::kPageButtons));
    dialogs.AnswerQuestion(true, "Save changes in button \"First, edited\"?");
    ClickStrip(1 - firstAt);
    EXPECT_EQ(ReadRecord(HKEY_LOCAL_MACHINE, first)->at("ButtonText"), "First, edited");
    EXPECT_EQ(page->StripHint(firstAt), "First, edited");
    EXPECT_EQ(page->StripKey(firstAt), first);
    EXPECT_EQ(page->ShownKey(), second);
    EXPECT_EQ(Text(IDC_BUTTONTEXT), "Second");
    EXPECT_FALSE(form->IsModified());

    // No: nothing is written, and the clicked record is shown all the same.
    Type(IDC_BUTTONTEXT, "Second, edited");
    dialogs.AnswerQuestion(false, "Save changes in button \"Second, edited\"?");
    ClickStrip(firstAt);
    EXPECT_EQ(ReadRecord(HKEY_LOCAL_MACHINE, second)->at("ButtonText"), "Second");
    EXPECT_EQ(page->ShownKey(), first);
    EXPECT_FALSE(form->IsModified());

    // Without an edit nothing is asked.
    ClickStrip(1 - firstAt);
    EXPECT_EQ(dialogs.ShownOf(qmtest::Shown::Question).size(), 2u);
}

TEST_F(ButtonPageInWindowTest, TheSaveCommandWritesTheShownRecordAndRefreshesItsHint) {
    const std::string key = qm::ButtonKeyName(3);
    PutRecord(HKEY_LOCAL_MACHINE, key, {{"ButtonText", "Before"}, {"Script", "s.htm"}});
    Open();
    ASSERT_EQ(page->ShownKey(), key);
    Type(IDC_BUTTONTEXT, "After");
    Command(IDM_SAVE);
    EXPECT_EQ(ReadRecord(HKEY_LOCAL_MACHINE, key)->at("ButtonText"), "After");
    EXPECT_EQ(page->StripHint(0), "After");
    EXPECT_FALSE(form->IsModified());
    EXPECT_TRUE(dialogs.Shown().empty());
}

TEST_F(ButtonPageInWindowTest, AddMakesAButtonFromTheRowChosenInSelectCategoryAndNoAddsNothing) {
    Open();
    ASSERT_EQ(page->ShownKey(), "");
    EXPECT_EQ(AddFromCategory(1), 0);
    const std::string key = qm::ButtonKeyName(1);
    EXPECT_EQ(ReadRecord(HKEY_LOCAL_MACHINE, key)->at("ButtonText"), "&Highlight Selection");
    EXPECT_EQ(page->ShownKey(), key);

    EXPECT_EQ(AddFromCategory(-1), 0); // opens on its first row again; No adds nothing
    EXPECT_FALSE(ReadRecord(HKEY_LOCAL_MACHINE, qm::ButtonKeyName(2)));
    EXPECT_EQ(page->StripButtonCount(), 1);
}

TEST_F(ButtonPageInWindowTest, EnterInTheIconFieldPreviewsThroughTheWindowsKeyboardHandling) {
    PutRecord(HKEY_LOCAL_MACHINE, qm::ButtonKeyName(1),
              {{"ButtonText", "b"}, {"Icon", "C:\\windows\\system32\\shell32.dll,4"}});
    Open();
    HICON before = page->Image1Icon();
    ASSERT_NE(before, nullptr);
    HWND edit = page->Item(IDC_ICONEDIT);
    SetFocus(edit);
    MSG enter{edit, WM_KEYDOWN, VK_RETURN, 0x001C0001, 0, {}};
    if (!form->TranslateKeyboard(enter)) {
        TranslateMessage(&enter);
        DispatchMessageA(&enter);
    }
    qm::ui::ProcessPendingMessages();
    EXPECT_NE(page->Image1Icon(), before);
    EXPECT_TRUE(dialogs.Shown().empty());
}

TEST_F(ButtonPageInWindowTest, TheWindowGrowsWithTheStripsRowsAndShrinksBack) {
    Open();
    const int oneRow = WindowHeight();
    for (int n = 1; n <= 70; ++n)
        PutRecord(HKEY_LOCAL_MACHINE, qm::ButtonKeyName(n), {{"ButtonText", "b"}});
    Command(IDM_REFRESH);
    const int strip = page->StripHeight();
    ASSERT_GT(strip, qm::kOneRowStripHeight);
    EXPECT_EQ(WindowHeight(), oneRow + strip - qm::kOneRowStripHeight);
    // The page still holds every field: the filter box at the bottom is inside the page.
    RECT pageArea, filter;
    GetWindowRect(page->hwnd(), &pageArea);
    GetWindowRect(page->Item(IDC_ONLYQUILLMERE), &filter);
    EXPECT_LE(filter.bottom, pageArea.bottom);

    ASSERT_TRUE(qmtest::RemoveKey(HKEY_LOCAL_MACHINE, qm::kExtensionsKey));
    Command(IDM_REFRESH);
    EXPECT_EQ(WindowHeight(), oneRow);
}

} // namespace

// The main window driven as a user drives it: tabs, tool bar, menus, keys and the close box.
// Pages 2 and 3 stand in for "a page with edits"; their own behaviour is tested in
// tests/appearance.
#include "support/MainWindowTest.h"
#include "Version.h"

#include "appearance/WindowAttributesPage.h"

#include <cctype>
#include <set>
#include <vector>

namespace {

using qm::ui::kPageBackgrounds;
using qm::ui::kPageButtons;
using qm::ui::kPageContextMenu;
using qm::ui::kPageWindowAttributes;
using qmtest::MainWindowTest;
using qmtest::ReadUserString;
using qmtest::Shown;

constexpr const char* kMainKey = "\\Software\\Microsoft\\Internet Explorer\\Main\\";
constexpr const char* kToolbarKey = "\\Software\\Microsoft\\Internet Explorer\\Toolbar\\";

std::string Caption(HWND window) { return qm::ui::GetText(window); }

bool ToolButtonEnabled(HWND toolBar, int command) {
    return SendMessageA(toolBar, TB_ISBUTTONENABLED, command, 0) != 0;
}
bool MenuItemEnabled(HWND window, int command) {
    return (GetMenuState(GetMenu(window), command, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0;
}

class ShellTest : public MainWindowTest {
protected:
    void SetUp() override {
        qmtest::CreateUserKey(kMainKey);
        qmtest::CreateUserKey(kToolbarKey);
        MainWindowTest::SetUp();
    }
    // An unsaved edit on the window-attributes page, reached through the View menu.
    void EditWindowTitle(const std::string& title) {
        MenuCommand(IDM_VIEWWINDOWTITLE);
        Type(kPageWindowAttributes, IDC_WTITLEEDIT, title);
        ASSERT_TRUE(form->IsModified());
        ASSERT_TRUE(form->IsPageModified(kPageWindowAttributes));
    }
};

TEST(MainWindowStartTest, StartsHiddenUnderTheOneVersionAndShowsPage0) {
    qmtest::RegistrySandbox sandbox;
    qmtest::ScriptedDialogs dialogs;
    qm::TForm1 form;
    EXPECT_FALSE(IsWindowVisible(form.hwnd()));
    // Boxes shown while the program starts stand under the same title as the window later.
    EXPECT_EQ(Caption(form.hwnd()), "Quillmere version " QM_VERSION_TEXT);
    form.Show(SW_SHOWNOACTIVATE);
    EXPECT_EQ(Caption(form.hwnd()), "Quillmere version " QM_VERSION_TEXT);
    EXPECT_EQ(form.ActivePage(), kPageButtons);
    EXPECT_TRUE(IsWindowVisible(form.PageAt(kPageButtons).hwnd()));
    EXPECT_FALSE(IsWindowVisible(form.PageAt(kPageBackgrounds).hwnd()));
    RECT client;
    GetClientRect(form.hwnd(), &client);
    EXPECT_GE(client.right, 522); // at least: the window is also at least 530 wide; its
                                  // height is the pages' (tests/screen/ScalingTest.cpp)
    EXPECT_EQ(GetWindowLongPtrA(form.hwnd(), GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
}

TEST_F(ShellTest, ListCommandsAreOfferedOnPages0And1OnlyInToolBarAndMenuAlike) {
    const struct {
        int viewCommand;
        bool listCommands;
    } pages[] = {{IDM_VIEWSTDBTN, true},
                 {IDM_VIEWCONTEXTMENU, true},
                 {IDM_VIEWTBBACKGROUND, false},
                 {IDM_VIEWWINDOWTITLE, false},
                 {IDM_VIEWSTDBTN, true}};
    for (const auto& page : pages) {
        MenuCommand(page.viewCommand);
        for (int command : {IDM_REFRESH, IDM_ADD, IDM_DELETE}) {
            EXPECT_EQ(ToolButtonEnabled(form->ToolBar(), command), page.listCommands)
                << "command " << command << " after view " << page.viewCommand;
            EXPECT_EQ(MenuItemEnabled(form->hwnd(), command), page.listCommands)
                << "command " << command << " after view " << page.viewCommand;
        }
        EXPECT_TRUE(ToolButtonEnabled(form->ToolBar(), IDM_SAVE));
        EXPECT_TRUE(MenuItemEnabled(form->hwnd(), IDM_SAVE));
    }
}

TEST_F(ShellTest, ViewMenuSwitchesPagesWithoutAskingAndKeepsTheFlags) {
    EditWindowTitle("Edited");
    MenuCommand(IDM_VIEWTBBACKGROUND); // any question would fail the test
    EXPECT_EQ(form->ActivePage(), kPageBackgrounds);
    EXPECT_EQ(TabCtrl_GetCurSel(form->PageControl()), kPageBackgrounds);
    EXPECT_TRUE(IsWindowVisible(form->PageAt(kPageBackgrounds).hwnd()));
    EXPECT_FALSE(IsWindowVisible(form->PageAt(kPageWindowAttributes).hwnd()));
    EXPECT_TRUE(form->IsPageModified(kPageWindowAttributes));
    EXPECT_EQ(Text(kPageWindowAttributes, IDC_WTITLEEDIT), "Edited");
}

// What becomes of the edits when the user leaves them: by a tab, by closing the window, by the
// Save button or Ctrl+S; each question is answered as the row says, and what the pages stored is
// read back with plain registry calls.
enum class Leave { Tab, Close, SaveButton, CtrlS, PlainS };
struct Leaving {
    const char* name;
    const char* background; // typed on the backgrounds page first, or nullptr
    const char* title;      // then typed on the window attributes page (reached by View)
    int view;               // then a View menu command, or 0
    std::vector<std::pair<bool, std::string>> answers; // the save questions, in order
    Leave leave;
    int tab;                      // Leave::Tab: the tab clicked
    const char* titleStored;      // Window Title afterwards, nullptr: none
    const char* backgroundStored; // BackBitmapIE5 afterwards, nullptr: none
    bool keyGone = false;         // the save cannot open its key: its error box is shown
};
Leaving Row(const char* name, const char* background, const char* title, int view,
            std::vector<std::pair<bool, std::string>> answers, Leave leave, int tab,
            const char* titleStored, const char* backgroundStored, bool keyGone = false) {
    return {name,        background,       title,  view, std::move(answers), leave, tab,
            titleStored, backgroundStored, keyGone};
}
const std::pair<bool, std::string> kYes{true, "Save changes in window attributes?"},
    kNo{false, "Save changes in window attributes?"};
const Leaving kLeavings[] = {
    Row("TabAfterAnEditAnsweredNoWritesNothing", nullptr, "Not to be kept", 0, {kNo}, Leave::Tab,
        kPageBackgrounds, nullptr, nullptr),
    Row("TabAfterAnEditAnsweredYesSavesThatPage", nullptr, "Kept", 0, {kYes}, Leave::Tab,
        kPageContextMenu, "Kept", nullptr),
    Row("TabWithoutEditsAsksNothing", nullptr, nullptr, IDM_VIEWWINDOWTITLE, {}, Leave::Tab,
        kPageBackgrounds, nullptr, nullptr),
    Row("CloseAsksAboutEveryEditedPageInTabOrder", "C:\\pictures\\bar.bmp", "Not saved", 0,
        {{true, "Save changes in backgrounds?"}, kNo}, Leave::Close, 0, nullptr,
        "C:\\pictures\\bar.bmp"),
    Row("CloseWithoutEditsAsksNothing", nullptr, nullptr, 0, {}, Leave::Close, 0, nullptr, nullptr),
    // Loading the backgrounds page clears Modified; the edit left behind is still offered.
    Row("CloseOffersEditsLeftThroughTheViewMenu", nullptr, "Left behind", IDM_VIEWTBBACKGROUND,
        {kYes}, Leave::Close, 0, "Left behind", nullptr),
    Row("CloseStillClosesWhenTheSaveItOffersFails", nullptr, "Unsavable", 0, {kYes}, Leave::Close,
        0, nullptr, nullptr, true),
    // Absent values stay absent (the browser keeps its own defaults for them).
    Row("SaveWithNothingChangedWritesNothing", nullptr, nullptr, IDM_VIEWWINDOWTITLE, {},
        Leave::SaveButton, 0, nullptr, nullptr),
    Row("SaveWritesOnlyThePageShowingAndClearsEveryFlag", "C:\\a.bmp", "Saved", 0, {},
        Leave::SaveButton, 0, "Saved", nullptr),
    Row("CtrlSSavesAsTheSaveButtonDoes", nullptr, "By keyboard", 0, {}, Leave::CtrlS, 0,
        "By keyboard", nullptr),
    Row("SWithoutCtrlIsNoCommand", nullptr, "Typed only", 0, {}, Leave::PlainS, 0, nullptr,
        nullptr),
};

void PrintTo(const Leaving& row, std::ostream* out) { *out << row.name; }

class LeavingTest : public ShellTest, public ::testing::WithParamInterface<Leaving> {};

TEST_P(LeavingTest, KeepsExactlyTheEditsTheUserSaved) {
    const Leaving& row = GetParam();
    if (row.background) {
        MenuCommand(IDM_VIEWTBBACKGROUND);
        Type(kPageBackgrounds, IDC_TBIMAGEEDIT, row.background);
    }
    if (row.title) EditWindowTitle(row.title);
    if (row.view) MenuCommand(row.view);
    if (row.keyGone) qmtest::RemoveKey(HKEY_CURRENT_USER, kMainKey);
    for (const auto& [yes, question] : row.answers) dialogs.AnswerQuestion(yes, question);
    if (row.keyGone) dialogs.ExpectError("Error while trying to write registry data");
    switch (row.leave) {
    case Leave::Tab: ClickTab(row.tab); break;
    case Leave::Close:
        SendMessageA(form->hwnd(), WM_CLOSE, 0, 0); // never refused
        Pump();
        break;
    case Leave::SaveButton: ClickToolButton(IDM_SAVE); break;
    case Leave::CtrlS: EXPECT_TRUE(PressKey('S', true)); break;
    case Leave::PlainS: PressKey('S', false); break;
    }
    EXPECT_EQ(dialogs.ShownOf(Shown::Question).size(), row.answers.size());
    EXPECT_EQ(dialogs.Shown().size(), row.answers.size() + (row.keyGone ? 1 : 0));
    if (row.leave == Leave::Close) {
        EXPECT_FALSE(IsWindow(form->hwnd()));
    } else {
        if (row.leave == Leave::Tab) {
            EXPECT_EQ(form->ActivePage(), row.tab);
            EXPECT_EQ(ToolButtonEnabled(form->ToolBar(), IDM_REFRESH),
                      row.tab == kPageButtons || row.tab == kPageContextMenu);
        }
        const bool kept = row.leave == Leave::PlainS; // the edit is still offered
        EXPECT_EQ(form->IsModified(), kept);
        EXPECT_EQ(NoFlagSet(), !kept);
    }
    auto stored = [](const char* text) {
        return text ? std::optional<std::string>(text) : std::nullopt;
    };
    EXPECT_EQ(ReadUserString(kMainKey, "Window Title"), stored(row.titleStored));
    EXPECT_EQ(ReadUserString(kToolbarKey, "BackBitmapIE5"), stored(row.backgroundStored));
    EXPECT_FALSE(ReadUserString(kMainKey, "Start Page")); // nothing else of the page
    EXPECT_FALSE(ReadUserString(kMainKey, "FullScreen"));
}

INSTANTIATE_TEST_SUITE_P(Ways, LeavingTest, ::testing::ValuesIn(kLeavings),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ShellTest, F1AndTheContentItemOpenTheHelpBesideTheProgram) {
    dialogs.ExpectHelp();
    EXPECT_TRUE(PressKey(VK_F1, false));
    dialogs.ExpectHelp();
    MenuCommand(IDM_CONTENT);
    auto help = dialogs.ShownOf(Shown::Help);
    ASSERT_EQ(help.size(), 2u);
    for (const auto& call : help) {
        // The window opens on the button page: the help opens at its topic.
        EXPECT_EQ(call.text, qm::ui::ProgramFolder() + "qmhelp.chm::/buttons.htm");
        EXPECT_EQ(call.owner, form->hwnd());
    }
}

TEST_F(ShellTest, ListCommandKeysDoNothingWhereThePageHasNoList) {
    MenuCommand(IDM_VIEWWINDOWTITLE);
    // Ctrl+A would otherwise open the modal "Select category" dialog and wait for ever.
    for (UINT key : {'R', 'A', 'D'}) PressKey(key, true);
    for (int command : {IDM_REFRESH, IDM_ADD, IDM_DELETE}) MenuCommand(command);
    EXPECT_TRUE(dialogs.Shown().empty());
    EXPECT_EQ(form->ActivePage(), kPageWindowAttributes);
}

TEST_F(ShellTest, ToolButtonsShowTheirCommandsAsHints) {
    const std::pair<int, const char*> hints[] = {
        {IDM_REFRESH, "Refresh"}, {IDM_ADD, "Add"}, {IDM_SAVE, "Save"}, {IDM_DELETE, "Delete"}};
    for (const auto& [command, hint] : hints) {
        NMTTDISPINFOA info{};
        info.hdr = {form->ToolBar(), static_cast<UINT_PTR>(command),
                    static_cast<UINT>(TTN_GETDISPINFOA)};
        SendMessageA(form->hwnd(), WM_NOTIFY, command, reinterpret_cast<LPARAM>(&info));
        EXPECT_STREQ(info.szText, hint);
    }
}

// The words of a menu item as drawn (the shortcut after the tab aside) and its access key, upper
// case (0 when it has none).
struct MenuWords {
    std::string words;
    char key = 0;
};
MenuWords WordsOf(const std::string& text) {
    MenuWords shown;
    const std::string label = text.substr(0, text.find('\t'));
    for (size_t i = 0; i < label.size(); ++i) {
        if (label[i] == '&' && i + 1 < label.size() && label[i + 1] != '&') {
            if (!shown.key) shown.key = static_cast<char>(toupper(label[i + 1]));
            continue;
        }
        if (label[i] == '&') ++i;
        shown.words += label[i];
    }
    return shown;
}

TEST_F(ShellTest, EveryMenuItemHasItsOwnAccessKeyAndKeepsItsWords) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> menus{
        {"Tools", {"Import ToolBar Info", "Export ToolBar Info", "History..."}},
        {"Edit", {"Undo", "Refresh", "Add", "Save", "Delete"}},
        {"View", {"Standart toolbar buttons", "Context Menu", "Backgrounds", "Window Attributes"}},
        {"Help", {"Content", "About"}},
    };
    HMENU bar = GetMenu(form->hwnd());
    ASSERT_EQ(GetMenuItemCount(bar), static_cast<int>(menus.size()));
    std::set<char> barKeys;
    for (int m = 0; m < GetMenuItemCount(bar); ++m) {
        char text[128] = {};
        GetMenuStringA(bar, m, text, sizeof text, MF_BYPOSITION);
        const MenuWords title = WordsOf(text);
        EXPECT_EQ(title.words, menus[m].first);
        EXPECT_TRUE(barKeys.insert(title.key).second) << text;
        HMENU popup = GetSubMenu(bar, m);
        std::set<char> keys;
        size_t shown = 0; // items, separators aside
        for (int i = 0; i < GetMenuItemCount(popup); ++i) {
            if (GetMenuState(popup, i, MF_BYPOSITION) & MF_SEPARATOR) continue;
            GetMenuStringA(popup, i, text, sizeof text, MF_BYPOSITION);
            const MenuWords item = WordsOf(text);
            ASSERT_LT(shown, menus[m].second.size()) << text;
            EXPECT_EQ(item.words, menus[m].second[shown++]) << title.words << " menu";
            EXPECT_NE(item.key, 0) << title.words << " menu: \"" << text << "\" has no access key";
            EXPECT_TRUE(item.key == 0 || keys.insert(item.key).second)
                << title.words << " menu: the key of \"" << text << "\" is taken";
        }
        EXPECT_EQ(shown, menus[m].second.size()) << title.words << " menu";
    }
}

TEST_F(ShellTest, TheWindowGrowsWithTheButtonStripWithoutDrifting) {
    RECT window;
    GetWindowRect(form->hwnd(), &window);
    const int oneRow = window.bottom - window.top;
    auto height = [&] {
        GetWindowRect(form->hwnd(), &window);
        return window.bottom - window.top;
    };
    // The strip wraps onto a second row: the page needs 24 pixels more.
    auto grow = [&](int extra) { form->PageGrew(kPageButtons, extra); };
    grow(24);
    EXPECT_EQ(height(), oneRow + 24);
    grow(24); // the same strip again: no change
    EXPECT_EQ(height(), oneRow + 24);
    grow(48);
    EXPECT_EQ(height(), oneRow + 48);
    // A rebuild empties the strip and fills it again.
    for (int extra : {-24, 0, 24, 48}) grow(extra);
    EXPECT_EQ(height(), oneRow + 48);
    grow(0);
    EXPECT_EQ(height(), oneRow);
    grow(-24); // never below the window's size with one row
    EXPECT_EQ(height(), oneRow);
    // The page control and the page showing follow the window.
    grow(24);
    RECT client, tabs, page;
    GetClientRect(form->hwnd(), &client);
    GetWindowRect(form->PageControl(), &tabs);
    GetWindowRect(form->PageAt(kPageButtons).hwnd(), &page);
    MapWindowPoints(nullptr, form->hwnd(), reinterpret_cast<POINT*>(&tabs), 2);
    MapWindowPoints(nullptr, form->hwnd(), reinterpret_cast<POINT*>(&page), 2);
    EXPECT_EQ(tabs.bottom, client.bottom);
    EXPECT_GT(page.bottom, client.bottom - 10);
    EXPECT_LE(page.bottom, client.bottom);
}

TEST_F(ShellTest, AResetRegistryIsTheSameAccessorSetBackSoAHeldReferenceStaysValid) {
    qm::RegistryAccessor& held = form->Registry();
    held.SetRoot(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(held.OpenKey("\\Software", true));
    qm::RegistryAccessor& fresh = form->ResetRegistry();
    EXPECT_EQ(&fresh, &held);
    EXPECT_FALSE(held.HasOpenKey());
    EXPECT_EQ(held.Root(), HKEY_CURRENT_USER);
}

} // namespace

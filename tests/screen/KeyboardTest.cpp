// The main window worked from the keyboard alone: keys are posted where the focus is and run
// through the program's message loop filter, as a user's keys would.
#include "ScreenTest.h"

#include "support/Layout.h"
#include "ui/Controls.h"

#include <oleacc.h>

#include <cctype>
#include <map>
#include <set>

namespace {

using qm::ui::kPageBackgrounds;
using qm::ui::kPageButtons;
using qm::ui::kPageContextMenu;
using qm::ui::kPageWindowAttributes;
using qmtest::ClassOf;
using screentest::KeyboardTest;

constexpr const char* kMainKey = "Software\\Microsoft\\Internet Explorer\\Main";
constexpr const char* kToolbarKey = "Software\\Microsoft\\Internet Explorer\\Toolbar";

// The letter after a single "&" ("&&" is a plain "&"), upper case; 0 when there is none.
char AccessKey(const std::string& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        return static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + 1])));
    }
    return 0;
}

std::string WithoutAccessMark(const std::string& text) {
    std::string plain;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size())
            ++i;
        else if (text[i] == '&')
            continue;
        plain += text[i];
    }
    return plain;
}

// The name the accessibility interface reports for a control, as a screen reader asks for it.
std::string AccessibleName(HWND control) {
    // The program's own thread runs in a single-threaded apartment, as a screen reader finds it.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    struct ComScope {
        HRESULT com;
        ~ComScope() {
            if (SUCCEEDED(com)) CoUninitialize();
        }
    } scope{com};
    IAccessible* object = nullptr;
    const HRESULT found = AccessibleObjectFromWindow(control, OBJID_CLIENT, __uuidof(IAccessible),
                                                     reinterpret_cast<void**>(&object));
    if (FAILED(found)) {
        char text[64];
        wsprintfA(text, "(no accessible object: %08lx)", static_cast<unsigned long>(found));
        return text;
    }
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    std::string text;
    if (object->get_accName(self, &name) == S_OK && name) {
        const int wide = static_cast<int>(SysStringLen(name));
        const int length = WideCharToMultiByte(CP_ACP, 0, name, wide, nullptr, 0, nullptr, nullptr);
        text.resize(static_cast<size_t>(length));
        if (length > 0)
            WideCharToMultiByte(CP_ACP, 0, name, wide, text.data(), length, nullptr, nullptr);
    }
    SysFreeString(name);
    object->Release();
    return text;
}

class KeyboardPagesTest : public KeyboardTest {
protected:
    void SetUp() override {
        // Pages 2 and 3 read these keys; the first button is there to be shown.
        for (const char* path : {kMainKey, kToolbarKey}) {
            HKEY key = nullptr;
            RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr);
            RegCloseKey(key);
        }
        screentest::PutButton(qm::ButtonKeyName(1), "First");
        screentest::PutButton(qm::ButtonKeyName(2), "Second");
        screentest::PutButton(qm::ButtonKeyName(3), "Third");
        KeyboardTest::SetUp();
    }
    HWND PageWindow(int page) { return form->PageAt(page).hwnd(); }
};

TEST_F(KeyboardPagesTest, TabRunsFromTheTabsThroughThePageAndBackToTheTabs) {
    SetFocus(form->PageControl());
    Press(VK_TAB);
    EXPECT_EQ(Focus(), ButtonPage().ToolBar2()) << "the strip is the page's first stop";
    Press(VK_TAB);
    EXPECT_EQ(Focus(), Item(kPageButtons, IDC_BUTTONTEXT));
    Press(VK_TAB, kShift);
    EXPECT_EQ(Focus(), ButtonPage().ToolBar2());
    Press(VK_TAB, kShift);
    EXPECT_EQ(Focus(), form->PageControl()) << "backwards out of the page: the tabs";
    Press(VK_TAB, kShift);
    EXPECT_EQ(Focus(), Item(kPageButtons, IDC_ONLYQUILLMERE)) << "and into its last control";
    Press(VK_TAB);
    EXPECT_EQ(Focus(), form->PageControl()) << "forwards out of the page: the tabs";

    // After a click on a tab, Tab reaches that page's controls, and all of them lead back.
    ClickTab(kPageWindowAttributes);
    ASSERT_EQ(form->ActivePage(), kPageWindowAttributes);
    SetFocus(form->PageControl());
    Press(VK_TAB);
    EXPECT_EQ(Focus(), Item(kPageWindowAttributes, IDC_WTITLEEDIT));
    std::set<HWND> visited;
    for (int i = 0; i < 40 && Focus() != form->PageControl(); ++i) {
        ASSERT_TRUE(IsChild(PageWindow(kPageWindowAttributes), Focus()));
        visited.insert(Focus());
        Press(VK_TAB);
    }
    EXPECT_EQ(Focus(), form->PageControl());
    EXPECT_TRUE(visited.count(Item(kPageWindowAttributes, IDC_FULLSCREEN)));
    EXPECT_TRUE(visited.count(Item(kPageWindowAttributes, IDC_FAVORITFOLDERBROWSE)));
}

TEST_F(KeyboardPagesTest, CtrlTabAndCtrlPageKeysChangePagesWithTheTabsSaveQuestion) {
    const std::string shown = ButtonPage().ShownKey();
    ASSERT_FALSE(shown.empty());
    const auto before = screentest::StoredButtonText(shown);
    ASSERT_TRUE(before.has_value());
    Type(kPageButtons, IDC_BUTTONTEXT, "Edited");
    SetFocus(Item(kPageButtons, IDC_BUTTONTEXT));
    dialogs.AnswerQuestion(false, "Save changes in button \"Edited\"?");
    Press(VK_TAB, kCtrl);
    EXPECT_EQ(form->ActivePage(), kPageContextMenu);
    EXPECT_EQ(dialogs.ShownOf(qmtest::Shown::Question).size(), 1u);
    EXPECT_TRUE(NoFlagSet());
    EXPECT_EQ(screentest::StoredButtonText(shown), before) << "No writes nothing";
    ASSERT_NE(Focus(), nullptr);
    EXPECT_TRUE(IsWindowVisible(Focus())) << "the keyboard is not left in a hidden page";

    Press(VK_TAB, kCtrl | kShift);
    EXPECT_EQ(form->ActivePage(), kPageButtons);
    Press(VK_NEXT, kCtrl);
    EXPECT_EQ(form->ActivePage(), kPageContextMenu);
    Press(VK_PRIOR, kCtrl);
    EXPECT_EQ(form->ActivePage(), kPageButtons);
    Press(VK_PRIOR, kCtrl);
    EXPECT_EQ(form->ActivePage(), kPageWindowAttributes) << "round from the first to the last";
    Press(VK_NEXT, kCtrl);
    EXPECT_EQ(form->ActivePage(), kPageButtons);

    // An edit saved with Yes on the way out, as a tab click would.
    Type(kPageButtons, IDC_BUTTONTEXT, "Renamed");
    SetFocus(Item(kPageButtons, IDC_BUTTONTEXT));
    dialogs.AnswerQuestion(true, "Save changes in button \"Renamed\"?");
    Press(VK_NEXT, kCtrl);
    EXPECT_EQ(form->ActivePage(), kPageContextMenu);
    EXPECT_EQ(screentest::StoredButtonText(ButtonPage().ShownKey()), "Renamed");
    EXPECT_EQ(dialogs.PendingAnswers(), 0u);
}

TEST_F(KeyboardPagesTest, TheTwoChoicesAreOneGroupThatTheArrowsMoveIn) {
    HWND exec = Item(kPageButtons, IDC_EXEC);
    HWND script = Item(kPageButtons, IDC_SCRIPT);
    ASSERT_TRUE(qm::ui::IsChecked(exec));
    SetFocus(exec);
    Press(VK_DOWN);
    EXPECT_EQ(Focus(), script);
    EXPECT_TRUE(qm::ui::IsChecked(script));
    EXPECT_FALSE(qm::ui::IsChecked(exec));
    EXPECT_TRUE(IsWindowEnabled(Item(kPageButtons, IDC_SCRIPTEDIT)));
    EXPECT_TRUE(form->IsPageModified(kPageButtons));
    Press(VK_DOWN); // round to the first choice: the group holds the two choices only
    EXPECT_EQ(Focus(), exec);
    EXPECT_TRUE(qm::ui::IsChecked(exec));
    Press(VK_UP);
    EXPECT_EQ(Focus(), script);
    Press(VK_UP);
    EXPECT_EQ(Focus(), exec);
    EXPECT_TRUE(qm::ui::IsChecked(exec));
    // Tab leaves the group for the fields, not for the other choice.
    Press(VK_TAB);
    EXPECT_EQ(Focus(), Item(kPageButtons, IDC_EXECEDIT));
}

TEST_F(KeyboardPagesTest, AccessKeysAreUniquePerPageAndLeadToTheirFields) {
    // Every label, check box and button carries one access key, none twice on a page and none
    // of the menu bar's (Tools, Edit, View, Help).
    const std::set<char> menuKeys{'T', 'E', 'V', 'H'};
    for (int page = 0; page < qm::TForm1::kPageCount; ++page) {
        std::map<char, std::string> used;
        for (HWND child = GetWindow(PageWindow(page), GW_CHILD); child;
             child = GetWindow(child, GW_HWNDNEXT)) {
            const std::string text = qm::ui::GetText(child);
            const std::string kind = ClassOf(child);
            const LONG style = GetWindowLongA(child, GWL_STYLE);
            const bool label = kind == "Static" && (style & SS_TYPEMASK) <= SS_RIGHT &&
                               !(style & SS_SUNKEN) && !text.empty();
            if (!label && kind != "Button") continue;
            // The descriptions under the fields are sunken notes, not labels; Decimal and Hex
            // label displays that take no keyboard, as does the text under the key that says
            // where the button lives; the options' frame has no text.
            const int id = GetDlgCtrlID(child);
            if (id == IDC_DECIMALLABEL || id == IDC_HEXLABEL || id == IDC_BUTTONPLACE ||
                id == IDC_STATICTEXT9 || id == IDC_STATICTEXT10 || id == IDC_STATICTEXT8 ||
                text.empty())
                continue;
            const char key = AccessKey(text);
            EXPECT_NE(key, 0) << "page " << page << ": \"" << text << "\" has no access key";
            if (!key) continue;
            EXPECT_EQ(menuKeys.count(key), 0u) << "page " << page << ": \"" << text << "\"";
            EXPECT_TRUE(used.emplace(key, text).second)
                << "page " << page << ": \"" << text << "\" and \"" << used[key] << "\"";
        }
    }

    // Alt and a label's key put the keyboard into the label's field.
    const struct {
        char key;
        int page, field;
        const char* what;
    } jumps[] = {
        {'U', kPageButtons, IDC_BUTTONTEXT, "Alt+U reaches the button's text"},
        {'C', kPageButtons, IDC_ICONEDIT, "Alt+C reaches the icon field"},
        {'K', kPageButtons, IDC_STATICTEXT1, "Alt+K reaches the key field"},
        {'R', kPageWindowAttributes, IDC_SEARCHPAGE, "Alt+R reaches the search page"},
        {'F', kPageWindowAttributes, IDC_FAVORITFOLDER, "Alt+F reaches the favourites folder"},
    };
    SetFocus(form->PageControl());
    for (const auto& jump : jumps) {
        if (form->ActivePage() != jump.page) { // shown by its View command, keyboard inside
            const int views[] = {IDM_VIEWSTDBTN, IDM_VIEWCONTEXTMENU, IDM_VIEWTBBACKGROUND,
                                 IDM_VIEWWINDOWTITLE};
            MenuCommand(views[jump.page]);
            SetFocus(GetNextDlgTabItem(PageWindow(jump.page), nullptr, FALSE));
        }
        Press(jump.key, kAlt);
        EXPECT_EQ(Focus(), Item(jump.page, jump.field)) << jump.what;
    }
}

TEST_F(KeyboardPagesTest, EveryFieldFollowsItsLabelSoThatItIsAnnouncedByIt) {
    // A screen reader names an edit field or list by the label just before it; the Exec and
    // Script fields follow their two choices.
    for (int page = 0; page < qm::TForm1::kPageCount; ++page) {
        for (HWND child = GetWindow(PageWindow(page), GW_CHILD); child;
             child = GetWindow(child, GW_HWNDNEXT)) {
            const std::string kind = ClassOf(child);
            if (kind != "Edit" && kind != "ListBox" && kind != "ComboBox") continue;
            const int id = GetDlgCtrlID(child);
            if (id == IDC_EXECEDIT || id == IDC_SCRIPTEDIT) continue;
            HWND before = GetWindow(child, GW_HWNDPREV);
            ASSERT_NE(before, nullptr) << "page " << page << " field " << id;
            EXPECT_EQ(ClassOf(before), "Static") << "page " << page << " field " << id;
            EXPECT_FALSE(qm::ui::GetText(before).empty())
                << "page " << page << " field " << id << " follows an empty static";
            if (kind == "Edit") {
                // Wine reads a label's "&&" out as it stands, Windows as one "&".
                std::string name = AccessibleName(child);
                for (size_t at; (at = name.find("&&")) != std::string::npos;) name.erase(at, 1);
                EXPECT_EQ(name, WithoutAccessMark(qm::ui::GetText(before)))
                    << "page " << page << " field " << id;
            }
        }
    }
    // The two fields that follow their choices, not a label, are announced by the choice's
    // words all the same, whether or not they can be edited at the moment.
    EXPECT_EQ(AccessibleName(Item(kPageButtons, IDC_EXECEDIT)), "Exec");
    EXPECT_EQ(AccessibleName(Item(kPageButtons, IDC_SCRIPTEDIT)), "Script");
}

TEST_F(KeyboardPagesTest, TheStripIsReachedByTabAndItsButtonsByArrowsEnterAndSpace) {
    qm::ButtonsPage& page = ButtonPage();
    ASSERT_EQ(page.StripButtonCount(), 3);
    const std::string shown = page.ShownKey();
    SetFocus(form->PageControl());
    Press(VK_TAB);
    ASSERT_EQ(Focus(), page.ToolBar2());
    // The keyboard arrives at the button of the record shown.
    const int start = static_cast<int>(SendMessageA(page.ToolBar2(), TB_GETHOTITEM, 0, 0));
    ASSERT_GE(start, 0);
    EXPECT_EQ(page.StripKey(start), shown);

    Press(VK_HOME);
    EXPECT_EQ(SendMessageA(page.ToolBar2(), TB_GETHOTITEM, 0, 0), 0);
    Press(VK_RIGHT);
    EXPECT_EQ(SendMessageA(page.ToolBar2(), TB_GETHOTITEM, 0, 0), 1);
    Press(VK_RETURN);
    EXPECT_EQ(page.ShownKey(), page.StripKey(1));
    EXPECT_EQ(qm::ui::GetText(Item(kPageButtons, IDC_BUTTONTEXT)),
              screentest::StoredButtonText(page.StripKey(1)).value_or("?"));
    EXPECT_EQ(Focus(), page.ToolBar2()) << "Enter stays in the strip";

    // Space shows the next one; an edit on the record shown is offered first.
    Type(kPageButtons, IDC_BUTTONTEXT, "Typed");
    SetFocus(page.ToolBar2());
    Press(VK_END);
    EXPECT_EQ(SendMessageA(page.ToolBar2(), TB_GETHOTITEM, 0, 0), 2);
    dialogs.AnswerQuestion(false, "Save changes in button \"Typed\"?");
    Press(VK_SPACE);
    EXPECT_EQ(page.ShownKey(), page.StripKey(2));
    EXPECT_EQ(dialogs.PendingAnswers(), 0u);
    EXPECT_EQ(form->ActivePage(), kPageButtons);
}

// Answers every "Select category" that comes up with No, counting them.
int categoriesOpened = 0;
void CALLBACK AnswerCategoryNo(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = FindWindowA("#32770", "Select category");
    if (!dialog || !IsWindowVisible(dialog)) return;
    ++categoriesOpened;
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
}

TEST_F(KeyboardPagesTest, CtrlASelectsInAFieldAndAddsElsewhereAndCtrlNAddsEverywhere) {
    categoriesOpened = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, &AnswerCategoryNo);
    HWND field = Item(kPageButtons, IDC_BUTTONTEXT);
    SetFocus(field);
    SendMessageA(field, EM_SETSEL, 2, 2);
    Press('A', kCtrl);
    DWORD from = 0, to = 0;
    SendMessageA(field, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(from, 0u);
    EXPECT_EQ(to, static_cast<DWORD>(qm::ui::GetText(field).size()));
    EXPECT_EQ(categoriesOpened, 0) << "Ctrl+A in a field is no Add";

    // Elsewhere Ctrl+A is the Add command, and Ctrl+N is Add everywhere: each opens "Select
    // category" (answered No here, so nothing is added).
    SetFocus(ButtonPage().ToolBar2());
    Press('A', kCtrl);
    EXPECT_EQ(categoriesOpened, 1);
    SetFocus(field);
    Press('N', kCtrl);
    EXPECT_EQ(categoriesOpened, 2);
    KillTimer(nullptr, timer);
    EXPECT_EQ(ButtonPage().StripButtonCount(), 3);
}

TEST_F(KeyboardPagesTest, TheAboutBoxKeepsItsKeysFromTheMainWindowAndClosesWithEscape) {
    MenuCommand(IDM_ABOUT2);
    ASSERT_TRUE(form->AboutForm().IsShowing());
    SetFocus(form->AboutForm().hwnd());
    Press(VK_TAB, kCtrl); // not a page change: the key is the box's
    EXPECT_EQ(form->ActivePage(), kPageButtons);
    EXPECT_TRUE(form->AboutForm().IsShowing());
    Press(VK_ESCAPE);
    EXPECT_FALSE(form->AboutForm().IsShowing());
}

TEST_F(KeyboardPagesTest, StripButtonsAreNamedByTheirHintsAlsoAfterASave) {
    // The buttons carry their records' texts (not drawn): the names a screen reader reads.
    qm::ButtonsPage& page = ButtonPage();
    auto name = [&](int position) {
        char text[256] = {};
        SendMessageA(page.ToolBar2(), TB_GETBUTTONTEXTA, page.StripCommand(position),
                     reinterpret_cast<LPARAM>(text));
        return std::string(text);
    };
    for (int i = 0; i < page.StripButtonCount(); ++i) EXPECT_EQ(name(i), page.StripHint(i));
    std::set<std::string> names{name(0), name(1), name(2)};
    EXPECT_EQ(names, (std::set<std::string>{"First", "Second", "Third"}));

    const int shown = 0;
    page.ShowButton(shown);
    Type(kPageButtons, IDC_BUTTONTEXT, "Now called this");
    MenuCommand(IDM_SAVE);
    EXPECT_EQ(screentest::StoredButtonText(page.StripKey(shown)), "Now called this");
    EXPECT_EQ(name(shown), "Now called this");
    // The text is not drawn: the buttons stay icon-sized.
    RECT item{};
    SendMessageA(page.ToolBar2(), TB_GETITEMRECT, shown, reinterpret_cast<LPARAM>(&item));
    EXPECT_LT(item.right - item.left, 2 * page.StripIconSize() + 8);
}

} // namespace

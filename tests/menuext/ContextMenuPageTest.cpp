#include "menuext/ContextMenuPage.h"

#include "MenuTestSupport.h"
#include "buttons/ButtonRecord.h"
#include "resource.h"
#include "support/Layout.h"
#include "support/ProgramTest.h"
#include "support/RawRegistry.h"
#include "support/TestPageHost.h"
#include "ui/Controls.h"
#include "ui/Window.h"

#include <cstdio>
#include <iterator>
#include <vector>

namespace {

using namespace menutest;
using qm::ui::GetText;
using qm::ui::IsChecked;

constexpr int kBoxes[] = {IDC_CONTEXTDEFAULT, IDC_CONTEXTIMAGES,        IDC_CONTEXTCONTROLS,
                          IDC_CONTEXTTABLES,  IDC_CONTEXTTEXTSELECTION, IDC_CONTEXTANCHOR};

class ContextMenuPageTest : public qmtest::ProgramTest {
protected:
    ContextMenuPageTest() {
        window = CreateWindowExA(0, "Static", "main", WS_POPUP, 0, 0, 522, 440, nullptr, nullptr,
                                 nullptr, nullptr);
        host.SetWindow(window);
        host.SetPage(&page);
        page.Create(window);
    }
    ~ContextMenuPageTest() override { DestroyWindow(window); }

    HWND Control(int id) const { return page.Item(id); }
    std::string Text(int id) const { return GetText(Control(id)); }
    // What the user types: the field's text replaced, with its change notification.
    void Type(int id, const std::string& text) {
        SendMessageA(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        qm::ui::ProcessPendingMessages();
    }
    // A user's click on a check box: it toggles, then tells the page.
    void Click(int id) {
        HWND box = Control(id);
        qm::ui::SetChecked(box, !IsChecked(box));
        SendMessageA(page.hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(box));
        qm::ui::ProcessPendingMessages();
    }
    void SelectLine(int line) {
        HWND list = Control(IDC_POPUPMENULIST);
        SendMessageA(list, LB_SETCURSEL, line, 0);
        SendMessageA(page.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_POPUPMENULIST, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
        qm::ui::ProcessPendingMessages();
    }
    void PressDeleteInList() {
        SendMessageA(Control(IDC_POPUPMENULIST), WM_KEYDOWN, VK_DELETE, 1);
        qm::ui::ProcessPendingMessages();
    }
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        HWND list = Control(IDC_POPUPMENULIST);
        LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            std::string line(static_cast<size_t>(SendMessageA(list, LB_GETTEXTLEN, i, 0)), '\0');
            SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()));
            lines.push_back(line);
        }
        return lines;
    }
    int Selected() const {
        return static_cast<int>(SendMessageA(Control(IDC_POPUPMENULIST), LB_GETCURSEL, 0, 0));
    }
    std::vector<bool> Boxes() const {
        std::vector<bool> boxes;
        for (int id : kBoxes) boxes.push_back(IsChecked(Control(id)));
        return boxes;
    }
    bool Modified() const {
        return host.IsModified() && host.IsPageModified(qm::ui::kPageContextMenu);
    }

    HWND window = nullptr;
    qmtest::TestPageHost host;
    qm::ContextMenuPage page{host};
};

TEST_F(ContextMenuPageTest, ShowsTheStoredMaskAndSavesItBackUntouched) {
    struct Case {
        uint32_t stored;
        const char* decimal;
        const char* hex;
        std::vector<bool> boxes;
    };
    const Case cases[] = {
        {0, "0", "00000000", {false, false, false, false, false, false}},
        {0x41, "65", "00000041", {true, false, false, false, false, false}},
        {0xFFFFFFFF, "-1", "FFFFFFFF", {true, true, true, true, true, true}},
        {0x12, "18", "00000012", {false, true, false, false, true, false}},
    };
    for (const Case& c : cases) {
        SeedEntry("Entry", Seed().Script("page.htm").Contexts(c.stored));
        page.ListMenus();
        EXPECT_EQ(Text(IDC_CONTEXTDECIMALEDIT), c.decimal);
        EXPECT_EQ(Text(IDC_CONTEXTHEXEDIT), c.hex);
        EXPECT_EQ(Boxes(), c.boxes) << c.stored;
        EXPECT_FALSE(Modified()) << "filling the fields is no edit";
        page.SaveMenu();
        EXPECT_EQ(StoredDword("Entry", "Contexts"), c.stored);
    }
    EXPECT_TRUE(dialogs.Shown().empty());
}

TEST_F(ContextMenuPageTest, AClickRecomputesTheMaskFromTheBoxesDroppingHigherBits) {
    SeedEntry("Entry", Seed().Contexts(0x41));
    page.ListMenus();
    Click(IDC_CONTEXTIMAGES);
    EXPECT_EQ(Text(IDC_CONTEXTDECIMALEDIT), "3");
    EXPECT_EQ(Text(IDC_CONTEXTHEXEDIT), "00000003");
    EXPECT_TRUE(Modified());
    for (int id : kBoxes)
        if (!IsChecked(Control(id))) Click(id);
    EXPECT_EQ(Text(IDC_CONTEXTDECIMALEDIT), "63");
    EXPECT_EQ(Text(IDC_CONTEXTHEXEDIT), "0000003F");
    for (int id : kBoxes) Click(id);
    EXPECT_EQ(Text(IDC_CONTEXTDECIMALEDIT), "");
    EXPECT_EQ(Text(IDC_CONTEXTHEXEDIT), "");
    page.SaveMenu();
    EXPECT_EQ(StoredDword("Entry", "Contexts"), 0x41u) << "no box checked writes no Contexts";
}

TEST_F(ContextMenuPageTest, AnEntryWithoutContextsEmptiesTheDisplaysAndKeepsTheBoxes) {
    SeedEntry("A", Seed().Script("a.htm").Contexts(0x5).Flags(1));
    SeedEntry("B", Seed().Script("b.htm"));
    page.ListMenus();
    ASSERT_EQ(Lines(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(Text(IDC_FLAGEDIT), "1");
    SelectLine(1);
    EXPECT_EQ(Text(IDC_MENUEDIT), "B");
    EXPECT_EQ(Text(IDC_DEFAULTEDIT), "b.htm");
    EXPECT_EQ(Text(IDC_CONTEXTDECIMALEDIT), "");
    EXPECT_EQ(Text(IDC_CONTEXTHEXEDIT), "");
    EXPECT_EQ(Text(IDC_FLAGEDIT), "");
    EXPECT_EQ(Boxes(), (std::vector<bool>{true, false, true, false, false, false}));
    EXPECT_EQ(page.CurrentMenu(), "B");
}

TEST_F(ContextMenuPageTest, FlagsTextsAreParsedAndABadOneRefusesTheWholeSaveNamingTheField) {
    SeedEntry("Entry", Seed().Script("old.htm").Contexts(1).Flags(0xFFFFFFFF));
    page.ListMenus();
    EXPECT_EQ(Text(IDC_FLAGEDIT), "-1");
    Type(IDC_DEFAULTEDIT, "new.htm");
    Click(IDC_CONTEXTIMAGES);
    Type(IDC_FLAGEDIT, "abc");
    dialogs.ExpectError("The context menu \"Entry\" was not saved: its Flags field holds \"abc\", "
                        "which is not a whole number. Type a number such as 1 or $10, or leave "
                        "the field empty.");
    page.SaveMenu();
    // Nothing is written, the keyboard is in the field to mend, and the edits are still unsaved.
    EXPECT_EQ(Stored("Entry", "")->bytes, std::string("old.htm") + '\0');
    EXPECT_EQ(StoredDword("Entry", "Contexts"), 1u);
    EXPECT_EQ(StoredDword("Entry", "Flags"), 0xFFFFFFFFu);
    EXPECT_EQ(GetFocus(), GetDlgItem(page.hwnd(), IDC_FLAGEDIT));
    EXPECT_TRUE(host.IsPageModified(qm::ui::kPageContextMenu));

    Type(IDC_FLAGEDIT, "$10");
    page.SaveMenu();
    EXPECT_EQ(Stored("Entry", "")->bytes, std::string("new.htm") + '\0');
    EXPECT_EQ(StoredDword("Entry", "Contexts"), 3u);
    EXPECT_EQ(StoredDword("Entry", "Flags"), 16u);
    EXPECT_EQ(Text(IDC_FLAGEDIT), "$10") << "a save does not read the entry back";
}

TEST_F(ContextMenuPageTest, AValueOfTheWrongTypeShowsOnlyTheNameAndRefusesSavesUntilRepaired) {
    SeedEntry("A", Seed().Script("a.htm").Contexts(4).Flags(2));
    SeedEntry("B", Seed().Script("b.htm").Flags(7));
    SeedRaw("B", "Contexts", REG_BINARY, Dword(3));
    page.ListMenus();
    dialogs.ExpectApplicationError("Invalid data type for 'Contexts'");
    SelectLine(1); // through the page's own handler, whose guard shows the failure
    EXPECT_EQ(dialogs.ShownOf(qmtest::Shown::ApplicationError).size(), 1u);
    // Nothing of A is left in the fields, and nothing counts as an edit.
    EXPECT_EQ(Text(IDC_MENUEDIT), "B");
    for (int field : {IDC_DEFAULTEDIT, IDC_CONTEXTDECIMALEDIT, IDC_CONTEXTHEXEDIT, IDC_FLAGEDIT})
        EXPECT_EQ(Text(field), "") << field;
    EXPECT_EQ(Boxes(), std::vector<bool>(6, false));
    EXPECT_FALSE(Modified());

    // Saving, from the command or from the question when another entry is chosen, writes
    // nothing into B and keeps the typed text as an edit.
    const std::string before = DumpMenuExt();
    const std::string refusal = "The context menu \"B\" cannot be saved: its value \"Contexts\" "
                                "has the wrong type. Correct or delete it, then show the entry "
                                "again.";
    Type(IDC_FLAGEDIT, "1");
    dialogs.ExpectError(refusal);
    page.SaveMenu();
    EXPECT_EQ(DumpMenuExt(), before);
    EXPECT_TRUE(Modified());
    dialogs.AnswerQuestion(true, "Save changes in menu \"B\"?");
    dialogs.ExpectError(refusal);
    SelectLine(0);
    EXPECT_EQ(DumpMenuExt(), before);
    EXPECT_EQ(Text(IDC_FLAGEDIT), "2") << "A is shown whole";

    // Repaired: B shows and saves.
    SeedRaw("B", "Contexts", REG_DWORD, Dword(3));
    SelectLine(1);
    Type(IDC_FLAGEDIT, "1");
    page.SaveMenu();
    EXPECT_EQ(StoredDword("B", "Flags"), 1u);
}

TEST_F(ContextMenuPageTest,
       UntouchedValuesKeepTypeAndBytesAndAnEditedExpandableScriptStaysExpandable) {
    SeedEntry("E", Seed().Contexts(0x41).Flags(1));
    const std::string script = std::string("%ProgramFiles%\\q\\a.htm") + '\0';
    SeedRaw("E", "", REG_EXPAND_SZ, script);
    page.ListMenus();
    page.SaveMenu(); // nothing edited
    EXPECT_EQ(Stored("E", "")->type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(Stored("E", "")->bytes, script);
    Type(IDC_FLAGEDIT, "0");
    page.SaveMenu();
    EXPECT_EQ(StoredDword("E", "Flags"), 0u);
    EXPECT_EQ(Stored("E", "")->type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(StoredDword("E", "Contexts"), 0x41u);
    Type(IDC_DEFAULTEDIT, "%ProgramFiles%\\q\\b.htm");
    page.SaveMenu();
    EXPECT_EQ(Stored("E", "")->type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(Stored("E", "")->bytes, std::string("%ProgramFiles%\\q\\b.htm") + '\0');
    EXPECT_TRUE(dialogs.Shown().empty());
}

TEST_F(ContextMenuPageTest, AScriptTooLongToEditIsShownInPartReadOnlyAndKeptOnSave) {
    const std::string script = std::string(50000, 's') + '\0';
    SeedEntry("Long", Seed().Contexts(1));
    SeedRaw("Long", "", REG_SZ, script);
    dialogs.ExpectError("The default value of the context menu \"Long\" is too long to edit. It "
                        "is shown in part and kept as stored when the entry is saved.");
    page.ListMenus();
    EXPECT_EQ(Text(IDC_DEFAULTEDIT).size(), 32u * 1024);
    EXPECT_TRUE(GetWindowLongA(Control(IDC_DEFAULTEDIT), GWL_STYLE) & ES_READONLY);
    EXPECT_FALSE(Modified());
    Type(IDC_FLAGEDIT, "1");
    page.SaveMenu();
    EXPECT_EQ(qmtest::StoredValueOf(HKEY_CURRENT_USER, qm::MenuKeyPath("Long"), ""),
              (qmtest::StoredValue{REG_SZ, script}));
    EXPECT_EQ(StoredDword("Long", "Flags"), 1u);
}

TEST_F(ContextMenuPageTest, SavingOverAValueAnotherProgramChangedSinceItWasShownAsksFirst) {
    SeedEntry("Mine", Seed().Script("shown.htm").Contexts(1));
    page.ListMenus();
    SeedRaw("Mine", "", REG_SZ, std::string("theirs.htm") + '\0');
    SeedRaw("Mine", "Flags", REG_DWORD, Dword(1));
    Type(IDC_DEFAULTEDIT, "mine.htm");
    const std::string question = "The context menu \"Mine\" was changed in the registry since it "
                                 "was shown (\"(Default)\"). Overwrite it?";
    dialogs.AnswerQuestion(false, question);
    page.SaveMenu();
    EXPECT_EQ(Stored("Mine", "")->bytes, std::string("theirs.htm") + '\0');
    EXPECT_TRUE(Modified()) << "No keeps the edit";
    // A rename asks the same and moves nothing on No.
    Type(IDC_MENUEDIT, "Renamed");
    dialogs.AnswerQuestion(false, question);
    page.SaveMenu();
    EXPECT_TRUE(EntryExists("Mine"));
    EXPECT_FALSE(EntryExists("Renamed"));
    dialogs.AnswerQuestion(true, question);
    page.SaveMenu();
    EXPECT_EQ(Stored("Renamed", "")->bytes, std::string("mine.htm") + '\0');
    EXPECT_EQ(StoredDword("Renamed", "Flags"), 1u) << "the value not edited keeps their save";
    Type(IDC_DEFAULTEDIT, "again.htm");
    page.SaveMenu(); // its own save is no change by another program
    EXPECT_EQ(dialogs.ShownOf(qmtest::Shown::Question).size(), 3u);
}

TEST_F(ContextMenuPageTest, AddsFromTemplatesUnderNumberedNamesReusingFreedOnes) {
    page.ListMenus();
    page.AddMenu(0);
    page.AddMenu(0);
    page.AddMenu(0);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"QZO Menu", "QZO Menu01", "QZO Menu02"}));
    EXPECT_EQ(Selected(), 2);
    EXPECT_EQ(page.CurrentMenu(), "QZO Menu02");
    EXPECT_EQ(Text(IDC_MENUEDIT), "QZO Menu02");

    SelectLine(1);
    dialogs.AnswerQuestion(
        true, "Ok to delete the context menu?\n\"QZO Menu01\", a context menu entry of this user");
    page.DeleteMenu();
    EXPECT_FALSE(EntryExists("QZO Menu01"));
    page.AddMenu(0);
    EXPECT_EQ(page.CurrentMenu(), "QZO Menu01");
    EXPECT_TRUE(EntryExists("QZO Menu01"));

    // Named as the template chosen, it runs a page that ships in the program's folder.
    page.AddMenu(1);
    const std::string name = qm::ButtonTemplates[1][qm::kTemplateName];
    const std::string folder = qm::ui::ProgramFolder(), stored = Stored(name, "")->bytes;
    ASSERT_TRUE(stored.ends_with('\0'));
    const std::string script = stored.substr(0, stored.size() - 1);
    EXPECT_TRUE(script.starts_with(folder)) << script;
    const std::string shipped = std::string(QM_DIST_DIR) + "\\" + script.substr(folder.size());
    EXPECT_NE(GetFileAttributesA(shipped.c_str()), INVALID_FILE_ATTRIBUTES) << script;
    EXPECT_EQ(Stored(name, "")->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(StoredDword(name, "Contexts"), 63u);
    EXPECT_EQ(Stored(name, "IsQuillmere")->bytes, std::string("YES") + '\0');
    EXPECT_FALSE(Stored(name, "Flags"));
    EXPECT_EQ(Text(IDC_CONTEXTDECIMALEDIT), "63");
    EXPECT_EQ(Text(IDC_CONTEXTHEXEDIT), "0000003F");
    EXPECT_FALSE(Modified());
}

TEST_F(ContextMenuPageTest, ARenamedEntryIsSavedUnderItsNewNameFromThenOn) {
    SeedEntry("Foo", Seed().Script("f.htm").Contexts(1));
    SeedEntry("Zed", Seed().Script("z.htm"));
    page.ListMenus();
    Type(IDC_MENUEDIT, "Bar");
    page.SaveMenu();
    EXPECT_FALSE(EntryExists("Foo"));
    EXPECT_EQ(StoredDword("Bar", "Contexts"), 1u);
    EXPECT_EQ(Lines()[0], "Bar");
    EXPECT_EQ(Selected(), 0);
    Type(IDC_DEFAULTEDIT, "g.htm");
    page.SaveMenu();
    EXPECT_EQ(Stored("Bar", "")->bytes, std::string("g.htm") + '\0');
    EXPECT_TRUE(dialogs.Shown().empty());
}

TEST_F(ContextMenuPageTest, RefusesNamesThatAreTakenOrUnusableAndWritesNothing) {
    struct Case {
        const char* name;
        const char* message;
    };
    const Case cases[] = {
        {"foo", "Registry key 'foo' already exists. Try another name."},
        {"OTHER", "Registry key 'OTHER' already exists. Try another name."},
        {"", "The name of the context menu is empty. Type a name."},
        {"Other\\Inner", "The name 'Other\\Inner' contains a backslash. Try another name."},
        {"Foo\\Inner", "The name 'Foo\\Inner' contains a backslash. Try another name."},
    };
    SeedEntry("Foo", Seed().Script("f.htm"));
    SeedEntry("Other", Seed().Script("o.htm"));
    page.ListMenus();
    const std::string before = DumpMenuExt();
    for (const Case& c : cases) {
        Type(IDC_MENUEDIT, c.name);
        Type(IDC_DEFAULTEDIT, "changed.htm");
        dialogs.ExpectError(c.message);
        page.SaveMenu();
        EXPECT_EQ(DumpMenuExt(), before) << c.name;
        EXPECT_EQ(page.CurrentMenu(), "Foo");
    }
}

TEST_F(ContextMenuPageTest, ASaveWithNoEntryShownRefusesAndTouchesNothing) {
    SeedEntry("Keep", Seed().Script("k.htm"));
    const std::string before = DumpMenuExt();
    // Before the page was ever filled.
    Type(IDC_MENUEDIT, "Typed");
    dialogs.ExpectError("No context menu entry is shown. Use Add to make a new one.");
    page.SaveMenu();
    EXPECT_EQ(DumpMenuExt(), before);

    // After a listing that found none, with the filter on, CurrentMenu still names Keep.
    page.ListMenus();
    ASSERT_EQ(page.CurrentMenu(), "Keep");
    Click(IDC_SHOWONLYQUILLMEREMENU);
    EXPECT_TRUE(Lines().empty());
    Type(IDC_MENUEDIT, "Typed");
    Type(IDC_DEFAULTEDIT, "t.htm");
    dialogs.ExpectError("No context menu entry is shown. Use Add to make a new one.");
    page.SaveMenu();
    EXPECT_EQ(DumpMenuExt(), before);
}

TEST_F(ContextMenuPageTest, TheFilterShowsOnlyTheProgramsOwnEntries) {
    SeedEntry("Theirs", Seed().Script("t.htm"));
    SeedEntry("Mine", Seed().Script("m.htm").Marked());
    page.OnShow();
    EXPECT_EQ(Lines().size(), 2u);
    Click(IDC_SHOWONLYQUILLMEREMENU);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Mine"}));
    EXPECT_EQ(Text(IDC_MENUEDIT), "Mine");
    Click(IDC_SHOWONLYQUILLMEREMENU);
    EXPECT_EQ(Lines().size(), 2u);
}

TEST_F(ContextMenuPageTest, SelectingAnotherEntryAfterAnEditAsksOnceAndYesSavesTheOneShownBefore) {
    SeedEntry("A", Seed().Script("a.htm"));
    SeedEntry("B", Seed().Script("b.htm"));
    page.ListMenus();
    Type(IDC_DEFAULTEDIT, "edited.htm");
    EXPECT_TRUE(Modified());
    dialogs.AnswerQuestion(true, "Save changes in menu \"A\"?");
    SelectLine(1);
    EXPECT_EQ(Stored("A", "")->bytes, std::string("edited.htm") + '\0');
    EXPECT_EQ(Stored("B", "")->bytes, std::string("b.htm") + '\0');
    EXPECT_EQ(Text(IDC_DEFAULTEDIT), "b.htm");
    EXPECT_FALSE(Modified());
    EXPECT_EQ(dialogs.ShownOf(qmtest::Shown::Question).size(), 1u);

    Type(IDC_DEFAULTEDIT, "dropped.htm");
    dialogs.AnswerQuestion(false, "Save changes in menu \"B\"?");
    SelectLine(0);
    EXPECT_EQ(Stored("B", "")->bytes, std::string("b.htm") + '\0');
    EXPECT_EQ(Text(IDC_DEFAULTEDIT), "edited.htm");
}

TEST_F(ContextMenuPageTest, ARenameSavedFromThePromptRenamesItsLineAndKeepsTheNewSelection) {
    SeedEntry("A", Seed().Script("a.htm"));
    SeedEntry("B", Seed().Script("b.htm"));
    SeedEntry("C", Seed().Script("c.htm"));
    page.ListMenus();
    Type(IDC_MENUEDIT, "Z");
    dialogs.AnswerQuestion(true, "Save changes in menu \"Z\"?");
    SelectLine(2);
    EXPECT_TRUE(EntryExists("Z"));
    EXPECT_FALSE(EntryExists("A"));
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Z", "B", "C"}));
    EXPECT_EQ(Selected(), 2);
    EXPECT_EQ(Text(IDC_MENUEDIT), "C");
    EXPECT_EQ(page.CurrentMenu(), "C");
}

TEST_F(ContextMenuPageTest, TheDeleteKeyAsksFirstAndDeletesOnlyASelectedEntry) {
    page.ListMenus();
    PressDeleteInList(); // an empty list: nothing is asked
    EXPECT_TRUE(dialogs.Shown().empty());

    SeedEntry("A", Seed().Script("a.htm"));
    SeedEntry("B", Seed().Script("b.htm"));
    page.ListMenus();
    const std::string before = DumpMenuExt();
    dialogs.AnswerQuestion(
        false, "Ok to delete the context menu?\n\"A\", a context menu entry of this user");
    PressDeleteInList();
    EXPECT_EQ(DumpMenuExt(), before);

    SendMessageA(Control(IDC_POPUPMENULIST), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    const size_t asked = dialogs.ShownOf(qmtest::Shown::Question).size();
    page.DeleteMenu();
    EXPECT_EQ(DumpMenuExt(), before) << "no line selected: nothing to delete";
    EXPECT_EQ(dialogs.ShownOf(qmtest::Shown::Question).size(), asked)
        << "nor anything to ask about";

    SelectLine(1);
    Type(IDC_DEFAULTEDIT, "unsaved.htm");
    dialogs.AnswerQuestion(
        true, "Ok to delete the context menu?\n\"B\", a context menu entry of this user");
    PressDeleteInList();
    EXPECT_FALSE(EntryExists("B"));
    EXPECT_EQ(Lines(), (std::vector<std::string>{"A"}));
    EXPECT_EQ(Text(IDC_DEFAULTEDIT), "a.htm");
    EXPECT_FALSE(Modified());
}

TEST_F(ContextMenuPageTest, PromptsWithTheNameFieldAndSavesThroughTheHostsPrompt) {
    SeedEntry("A", Seed().Script("a.htm"));
    page.ListMenus();
    Type(IDC_MENUEDIT, "Renamed");
    EXPECT_EQ(page.SavePrompt(), "Save changes in menu \"Renamed\"?");
    dialogs.AnswerQuestion(true, "Save changes in menu \"Renamed\"?");
    host.OfferSave(qm::ui::kPageContextMenu, true);
    EXPECT_TRUE(EntryExists("Renamed"));
    EXPECT_FALSE(EntryExists("A"));
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Renamed"}));
}

TEST_F(ContextMenuPageTest, ShowsTheDesignedTextsAndReadOnlyDisplays) {
    ShowWindow(window, SW_SHOWNOACTIVATE);
    ShowWindow(page.hwnd(), SW_SHOWNOACTIVATE);
    qm::ui::ProcessPendingMessages();
    qmtest::ExpectTidy(page.hwnd(), "the context-menu page");
    const struct {
        const char* what;
        int label, field;
    } labels[] = {
        {"Context Menu names the list", IDC_CONTEXTMENU_TITLE, IDC_POPUPMENULIST},
        {"Menu names the name field", IDC_MENULABEL, IDC_MENUEDIT},
        {"Default names the script field", IDC_DEFAULTLABEL, IDC_DEFAULTEDIT},
        {"Contexts leads to the context boxes", IDC_CONTEXTSLABEL, IDC_CONTEXTDEFAULT},
        {"Decimal names its display", IDC_DECIMALLABEL, IDC_CONTEXTDECIMALEDIT},
        {"Hex names its display", IDC_HEXLABEL, IDC_CONTEXTHEXEDIT},
        {"the frame of the boxes leads to its first", IDC_CHECKREQIRED, IDC_CONTEXTDEFAULT},
        {"Flags names its field", IDC_FLAGSLABEL, IDC_FLAGEDIT},
    };
    for (const auto& row : labels) {
        qmtest::ExpectReadable(Control(row.label), row.what);
        qmtest::ExpectLabelsField(Control(row.label), Control(row.field), row.what);
    }
    // Each context box is readable and names the bit it sets.
    for (size_t bit = 0; bit < std::size(kBoxes); ++bit) {
        char value[16];
        snprintf(value, sizeof value, "(0x%X)", 1u << bit);
        qmtest::ExpectReadable(Control(kBoxes[bit]), value);
        EXPECT_NE(Text(kBoxes[bit]).find(value), std::string::npos) << Text(kBoxes[bit]);
    }
    qmtest::ExpectReadable(Control(IDC_SHOWONLYQUILLMEREMENU), "the filter box");

    EXPECT_FALSE(IsWindowEnabled(Control(IDC_CONTEXTDECIMALEDIT)));
    EXPECT_FALSE(IsWindowEnabled(Control(IDC_CONTEXTHEXEDIT)));
    EXPECT_FALSE(GetWindowLongA(Control(IDC_POPUPMENULIST), GWL_STYLE) & LBS_SORT);
    // The list is left of the fields, and the filter box wraps under it, ending with the note
    // of the right side, so that the page is no taller than the button page.
    RECT list, filter, note, label;
    GetWindowRect(Control(IDC_POPUPMENULIST), &list);
    GetWindowRect(Control(IDC_SHOWONLYQUILLMEREMENU), &filter);
    GetWindowRect(Control(IDC_STATICTEXT3), &note);
    GetWindowRect(Control(IDC_MENULABEL), &label);
    EXPECT_LE(list.right, label.left);
    EXPECT_GE(filter.top, list.bottom);
    EXPECT_LE(filter.right, list.right);
    EXPECT_EQ(filter.bottom, note.bottom);
}

} // namespace

namespace {

// Every action that replaces the fields or the list asks about the edits first; Yes saves them
// into the entry shown, No drops them.
TEST_F(ContextMenuPageTest, RefreshTheFilterBoxAndAddAskBeforeDroppingEdits) {
    enum Action { kRefresh, kFilter, kAdd };
    struct Case {
        const char* what;
        Action act;
    };
    const Case cases[] = {{"Refresh", kRefresh}, {"the filter box", kFilter}, {"Add", kAdd}};
    size_t asked = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SeedEntry("Entry", Seed().Script("old.htm").Marked());
        if (IsChecked(Control(IDC_SHOWONLYQUILLMEREMENU))) Click(IDC_SHOWONLYQUILLMEREMENU);
        page.ListMenus();
        Type(IDC_DEFAULTEDIT, "typed.htm");
        dialogs.AnswerQuestion(true, "Save changes in menu \"Entry\"?");
        switch (c.act) {
        case kRefresh: page.Refresh(); break;
        case kFilter: Click(IDC_SHOWONLYQUILLMEREMENU); break;
        case kAdd: page.Add(0); break;
        }
        EXPECT_EQ(dialogs.ShownOf(qmtest::Shown::Question).size(), ++asked);
        EXPECT_EQ(Stored("Entry", "")->bytes, std::string("typed.htm") + '\0');
    }
}

} // namespace

// Editing a button record on page 0: the field handlers and flags, saving, deleting, adding
// from the templates, and the icon previews with their Browse, View and Enter.

#include "ButtonPageFixture.h"

#include "buttons/IconLoader.h"

namespace {

using qmtest::PutRecord;
using qmtest::ReadKey;
using qmtest::ReadRecord;
using qmtest::Shown;
using qmtest::Values;

const std::string kForeign = "{0A000000-0000-0000-0000-00000000000A}";
const std::string kShell32 = "C:\\windows\\system32\\shell32.dll";

class ButtonEditingTest : public qmtest::ButtonPageTest {
protected:
    // One machine record, shown.
    void ShowRecord(const Values& values) {
        PutRecord(HKEY_LOCAL_MACHINE, kForeign, values);
        page->ListButtons(-1);
        ASSERT_EQ(page->ShownKey(), kForeign);
    }
    std::optional<Values> OwnRecord() const {
        return ReadKey(HKEY_CURRENT_USER, qm::kOwnRecordKey);
    }
};

TEST_F(ButtonEditingTest, EveryEditSetsTheFlagsAndTheChoicesEnableTheirFields) {
    ShowRecord({{"ButtonText", "t"}, {"Exec", "e"}});
    for (int id : {IDC_BUTTONTEXT, IDC_EXECEDIT, IDC_SCRIPTEDIT, IDC_ICONEDIT, IDC_HOTICONEDIT,
                   IDC_MENUTEXTEDIT, IDC_STATUSBARTEXTEDIT}) {
        host.ClearAllModified();
        Type(id, "typed");
        EXPECT_TRUE(host.IsModified()) << id;
        EXPECT_TRUE(host.IsPageModified(qm::ui::kPageButtons)) << id;
    }
    host.ClearAllModified();
    Click(IDC_DEFAULTVISIBLE);
    EXPECT_TRUE(host.IsPageModified(qm::ui::kPageButtons));

    host.ClearAllModified();
    Click(IDC_SCRIPT);
    EXPECT_TRUE(host.IsModified());
    EXPECT_TRUE(Checked(IDC_SCRIPT));
    EXPECT_FALSE(Checked(IDC_EXEC));
    EXPECT_TRUE(Enabled(IDC_SCRIPTEDIT));
    EXPECT_FALSE(Enabled(IDC_EXECEDIT));
    EXPECT_EQ(Text(IDC_EXECEDIT), "typed"); // texts are kept
    Click(IDC_EXEC);
    EXPECT_TRUE(Enabled(IDC_EXECEDIT));
    EXPECT_FALSE(Enabled(IDC_SCRIPTEDIT));

    host.ClearAllModified();
    Click(IDC_SHOWINTOOLS);
    EXPECT_TRUE(host.IsModified());
    EXPECT_TRUE(Enabled(IDC_MENUTEXTEDIT));
    EXPECT_TRUE(Enabled(IDC_STATUSBARTEXTEDIT));
    Click(IDC_SHOWINTOOLS);
    EXPECT_FALSE(Enabled(IDC_MENUTEXTEDIT));
    EXPECT_EQ(Text(IDC_MENUTEXTEDIT), "typed");

    // The fields are painted by their state.
    HDC dc = GetDC(page->hwnd());
    EXPECT_EQ(SendMessageA(page->hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                           reinterpret_cast<LPARAM>(Field(IDC_MENUTEXTEDIT))),
              reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_INACTIVEBORDER)));
    EXPECT_EQ(SendMessageA(page->hwnd(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                           reinterpret_cast<LPARAM>(Field(IDC_BUTTONTEXT))),
              reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW)));
    ReleaseDC(page->hwnd(), dc);
}

TEST_F(ButtonEditingTest, SavingWritesTheFieldsAndDeletesWhatTheyNoLongerHold) {
    struct Case {
        const char* what;
        int choice;       // the radio button clicked before saving
        std::string icon; // typed into IconEdit
        bool visible;
        bool inTools;
        Values expected; // every value of the record afterwards
    };
    const Values before = {{"CLSID", qmtest::kOtherClsid}, {"IsQuillmere", "YES"},
                           {"ButtonText", "old"},          {"Exec", "old.exe"},
                           {"Script", "old.htm"},          {"Icon", "old.ico"},
                           {"HotIcon", "hot.ico"},         {"MenuText", "m"},
                           {"MenuStatusBar", "s"}};
    const Case cases[] = {
        {"exec chosen deletes Script, empty icon deletes Icon",
         IDC_EXEC,
         "",
         true,
         true,
         {{"CLSID", qmtest::kOtherClsid},
          {"IsQuillmere", "YES"},
          {"ButtonText", "new"},
          {"Exec", "old.exe"},
          {"HotIcon", "hot.ico"},
          {"Default Visible", "YES"},
          {"MenuText", "m"},
          {"MenuStatusBar", "s"}}},
        // "Default Visible" was absent and its box left clear: it stays absent. The record
        // holding both actions shows as a Script record: clicking Script changes no choice,
        // so Exec stays as stored.
        {"script kept keeps Exec, tools cleared deletes both menu values",
         IDC_SCRIPT,
         "C:\\i.ico",
         false,
         false,
         {{"CLSID", qmtest::kOtherClsid},
          {"IsQuillmere", "YES"},
          {"ButtonText", "new"},
          {"Exec", "old.exe"},
          {"Script", "old.htm"},
          {"Icon", "C:\\i.ico"},
          {"HotIcon", "hot.ico"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        qmtest::RemoveKey(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(kForeign));
        ShowRecord(before);
        Type(IDC_BUTTONTEXT, "new");
        Click(c.choice);
        Type(IDC_ICONEDIT, c.icon);
        if (Checked(IDC_DEFAULTVISIBLE) != c.visible) Click(IDC_DEFAULTVISIBLE);
        if (Checked(IDC_SHOWINTOOLS) != c.inTools) Click(IDC_SHOWINTOOLS);
        page->Save();
        EXPECT_EQ(*ReadRecord(HKEY_LOCAL_MACHINE, kForeign), c.expected);
        EXPECT_EQ(dialogs.Shown().size(), 0u);
        // The menu texts stay in their disabled fields until another record is shown.
        if (!c.inTools) {
            EXPECT_EQ(Text(IDC_MENUTEXTEDIT), "m");
        }
        EXPECT_EQ(HintOf(0), "new\r\nAll users (32-bit browser only)");
    }
}

TEST_F(ButtonEditingTest, EmptiedFieldsAreStoredAsEmptyStringsWithTheirTerminatingZero) {
    // The browser and other readers take a REG_SZ without its zero for damaged data.
    ShowRecord({{"ButtonText", "t"}, {"Exec", "e"}, {"MenuText", "m"}, {"MenuStatusBar", "s"}});
    for (int id : {IDC_BUTTONTEXT, IDC_EXECEDIT, IDC_MENUTEXTEDIT, IDC_STATUSBARTEXTEDIT})
        Type(id, "");
    page->Save();
    const std::string path = qm::ButtonKeyPath(kForeign);
    for (const char* value : {"ButtonText", "Exec", "MenuText", "MenuStatusBar"})
        qmtest::ExpectStoredText(HKEY_LOCAL_MACHINE, path, value, "");
}

// A record shown and saved with no edit is left as it is: the save finds nothing to write and
// keeps no change in the history, whichever action the record has.
TEST_F(ButtonEditingTest, SavingAShownRecordWithNoEditWritesNothing) {
    const Values records[] = {{{"ButtonText", "exec"}, {"Exec", "e.exe"}},
                              {{"ButtonText", "script"}, {"Script", "s.htm"}},
                              {{"ButtonText", "both"}, {"Exec", "e.exe"}, {"Script", "s.htm"}},
                              {{"ButtonText", "neither"}, {"MenuText", "m"}}};
    for (const Values& record : records) {
        SCOPED_TRACE(record.at("ButtonText"));
        ShowRecord(record);
        page->Save();
        EXPECT_EQ(ReadRecord(HKEY_LOCAL_MACHINE, kForeign), record);
        EXPECT_TRUE(qm::ListChanges().empty());
        EXPECT_TRUE(dialogs.ShownOf(Shown::Error).empty());
        qmtest::RemoveKey(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(kForeign).substr(1));
    }
}

TEST_F(ButtonEditingTest, SavingARecordThatIsGoneReportsTheFailureAndCreatesNothing) {
    ShowRecord({{"ButtonText", "t"}});
    Type(IDC_BUTTONTEXT, "edited");
    ASSERT_TRUE(qmtest::RemoveKey(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(kForeign)));
    dialogs.ExpectError("Error while trying to write registry data");
    page->SaveButton(kForeign);
    EXPECT_FALSE(ReadRecord(HKEY_LOCAL_MACHINE, kForeign));
    EXPECT_FALSE(host.Registry().HasOpenKey());
}

TEST_F(ButtonEditingTest, WithNoRecordShownSaveDeleteAndTheSaveQuestionTouchNothing) {
    // The Extensions keys exist, with records that are never listed.
    PutRecord(HKEY_LOCAL_MACHINE, qm::kReservedButtonKey, {{"ButtonText", "reserved"}});
    PutRecord(HKEY_CURRENT_USER, kForeign, {{"ButtonText", "no CLSID"}});
    page->ListButtons(-1);
    ASSERT_EQ(page->ShownKey(), "");
    Type(IDC_BUTTONTEXT, "typed");
    Type(IDC_ICONEDIT, "typed.ico");

    // Save and the question's Yes say what to do, once each, and the typed text stays.
    dialogs.AnswerQuestion(true, "Save changes in button \"typed\"?");
    dialogs.ExpectError("No toolbar button is shown. Use Add to make a new one.");
    host.OfferSave(qm::ui::kPageButtons, true);
    dialogs.ExpectError("No toolbar button is shown. Use Add to make a new one.");
    page->Save();
    qm::ui::ProcessPendingMessages();
    page->Delete(); // no question either: there is nothing to delete
    EXPECT_EQ(Text(IDC_BUTTONTEXT), "typed");
    EXPECT_EQ(Text(IDC_ICONEDIT), "typed.ico");
    EXPECT_EQ(dialogs.ShownOf(Shown::Error).size(), 2u);

    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        std::optional<Values> extensions = ReadKey(root, qm::kExtensionsKey);
        ASSERT_TRUE(extensions) << "the Extensions key itself was deleted";
        EXPECT_TRUE(extensions->empty());
    }
    EXPECT_TRUE(ReadRecord(HKEY_LOCAL_MACHINE, qm::kReservedButtonKey));
    EXPECT_TRUE(ReadRecord(HKEY_CURRENT_USER, kForeign));
}

// Each template the user can choose makes a working button: named as chosen, running a page
// and showing an icon that ships in the program's folder, visible, in the Tools menu when the
// template has a menu text, and marked as the program's own in its record of buttons.
TEST_F(ButtonEditingTest, AddingFromATemplateWritesExactlyItsValuesAndTheOwnRecord) {
    PutRecord(HKEY_LOCAL_MACHINE, kForeign, {{"ButtonText", "there before"}});
    page->ListButtons(-1);
    // Unsaved edits of the record shown are offered for saving before the template replaces
    // them; No drops them.
    Type(IDC_BUTTONTEXT, "unsaved");
    dialogs.AnswerQuestion(false, "Save changes in button \"unsaved\"?");

    // A path in the program's folder to a file that ships with the program.
    const std::string folder = qm::ui::ProgramFolder();
    auto ships = [&](const std::string& path) {
        const std::string shipped = std::string(QM_DIST_DIR) + "\\" + path.substr(folder.size());
        return path.starts_with(folder) &&
               GetFileAttributesA(shipped.c_str()) != INVALID_FILE_ATTRIBUTES;
    };
    for (int n = 1; n <= static_cast<int>(qm::ButtonTemplates.size()); ++n) {
        const char* name = qm::ButtonTemplates[n - 1][qm::kTemplateName];
        SCOPED_TRACE(name);
        page->AddButton(n - 1);
        const std::string key = qm::ButtonKeyName(n);
        const Values made = *ReadRecord(HKEY_LOCAL_MACHINE, key);
        const bool inTools = made.count("MenuText") != 0;
        Values expectedNames = {{"CLSID", ""},      {"ButtonText", ""}, {"Script", ""},
                                {"Icon", ""},       {"HotIcon", ""},    {"Default Visible", ""},
                                {"IsQuillmere", ""}};
        if (inTools) expectedNames.insert({{"MenuText", ""}, {"MenuStatusBar", ""}});
        Values names = made;
        for (auto& [value, text] : names) text.clear();
        EXPECT_EQ(names, expectedNames) << "the record holds exactly a template button's values";
        EXPECT_EQ(made.at("CLSID"), "{1FBA04EE-3024-11d2-8F1F-0000F87ABD16}")
            << "the browser takes it for a toolbar button";
        EXPECT_EQ(made.at("ButtonText"), name) << "named as chosen in Select category";
        EXPECT_TRUE(ships(made.at("Script")))
            << "runs a page of the program: " << made.at("Script");
        EXPECT_TRUE(ships(made.at("Icon"))) << made.at("Icon");
        EXPECT_EQ(made.at("HotIcon"), made.at("Icon"));
        EXPECT_EQ(made.at("Default Visible"), "YES");
        EXPECT_EQ(made.at("IsQuillmere"), "YES");
        EXPECT_FALSE(inTools && made.at("MenuText").empty()) << "a Tools menu entry with no text";
        EXPECT_FALSE(ReadRecord(HKEY_CURRENT_USER, key));
        EXPECT_EQ(OwnRecord()->at(qm::OwnRecordValueName(n)), key);
        // The strip is rebuilt and shows the new record, which is its last button.
        EXPECT_EQ(page->ShownKey(), key);
        EXPECT_EQ(Text(IDC_BUTTONTEXT), name);
        EXPECT_TRUE(Checked(IDC_SCRIPT));
        EXPECT_FALSE(Enabled(IDC_EXECEDIT));
        EXPECT_EQ(Checked(IDC_SHOWINTOOLS), inTools);
        EXPECT_NE(page->Image1Icon(), nullptr);
        EXPECT_EQ(page->StripButtonCount(), 1 + n);
        EXPECT_FALSE(host.IsModified());
    }
    EXPECT_EQ(ReadRecord(HKEY_LOCAL_MACHINE, kForeign)->at("ButtonText"), "there before");
    EXPECT_EQ(dialogs.Shown().size(), 1u);
}

TEST_F(ButtonEditingTest, AddOnAnEmptyStripReplacesThePlaceholder) {
    page->ListButtons(-1);
    ASSERT_EQ(page->ShownKey(), "");
    page->AddButton(2);
    EXPECT_EQ(StripKeys(), std::vector<std::string>{qm::ButtonKeyName(1)});
    EXPECT_EQ(StripItems(), 1);
    EXPECT_EQ(page->ShownKey(), qm::ButtonKeyName(1));
    EXPECT_EQ(Text(IDC_MENUTEXTEDIT), "&Zoom in");
}

TEST_F(ButtonEditingTest, CountersAreReusedAfterADeleteAndTheOwnRecordFollows) {
    page->ListButtons(-1);
    page->AddButton(0);
    page->AddButton(0);
    EXPECT_TRUE(ReadRecord(HKEY_LOCAL_MACHINE, qm::ButtonKeyName(1)));
    EXPECT_TRUE(ReadRecord(HKEY_LOCAL_MACHINE, qm::ButtonKeyName(2)));
    EXPECT_EQ(OwnRecord()->size(), 2u);

    int first = page->StripKey(0) == qm::ButtonKeyName(1) ? 0 : 1;
    ClickStrip(first);
    ASSERT_EQ(page->ShownKey(), qm::ButtonKeyName(1));
    dialogs.AnswerQuestion(
        true,
        "Ok to delete the button?\n\"QZO Menu\", a toolbar button of all users of this computer");
    page->Delete();
    EXPECT_FALSE(ReadRecord(HKEY_LOCAL_MACHINE, qm::ButtonKeyName(1)));
    EXPECT_EQ(*OwnRecord(), (Values{{"StdBtn02", qm::ButtonKeyName(2)}}));
    EXPECT_EQ(StripKeys(), std::vector<std::string>{qm::ButtonKeyName(2)});
    EXPECT_EQ(page->ShownKey(), qm::ButtonKeyName(2));

    page->AddButton(1);
    EXPECT_TRUE(ReadRecord(HKEY_LOCAL_MACHINE, qm::ButtonKeyName(1)));
    EXPECT_EQ(OwnRecord()->at("StdBtn01"), qm::ButtonKeyName(1));
}

TEST_F(ButtonEditingTest, DeletingAsksAndActsOnTheRootTheRecordWasListedUnder) {
    const std::string both = qm::ButtonKeyName(7);
    PutRecord(HKEY_LOCAL_MACHINE, both, {{"ButtonText", "machine"}});
    PutRecord(HKEY_CURRENT_USER, both, {{"CLSID", qmtest::kOtherClsid}, {"ButtonText", "user"}});
    // An own-record entry with the same digits that belongs to another key stays.
    qmtest::PutText(HKEY_CURRENT_USER, qm::kOwnRecordKey, "StdBtn07", "{some other key}");

    page->ListButtons(-1);
    ClickStrip(0); // the current user's copy comes first
    ASSERT_EQ(Text(IDC_BUTTONTEXT), "user");

    dialogs.AnswerQuestion(
        false, "Ok to delete the button?\n\"user\", a toolbar button of this user only");
    page->Delete();
    EXPECT_TRUE(ReadRecord(HKEY_CURRENT_USER, both));
    EXPECT_EQ(page->StripButtonCount(), 2);

    dialogs.AnswerQuestion(
        true, "Ok to delete the button?\n\"user\", a toolbar button of this user only");
    page->Delete();
    EXPECT_FALSE(ReadRecord(HKEY_CURRENT_USER, both));
    EXPECT_EQ(ReadRecord(HKEY_LOCAL_MACHINE, both)->at("ButtonText"), "machine");
    EXPECT_EQ(OwnRecord()->at("StdBtn07"), "{some other key}");
    EXPECT_EQ(StripKeys(), std::vector<std::string>{both});
    EXPECT_TRUE(page->CurrentUserButtons().empty());

    // A record that another program deleted meanwhile cannot be deleted again.
    ASSERT_TRUE(qmtest::RemoveKey(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(both)));
    dialogs.AnswerQuestion(
        true,
        "Ok to delete the button?\n\"machine\", a toolbar button of all users of this computer");
    dialogs.ExpectError("Error while trying to delete registry data");
    page->Delete();
    EXPECT_EQ(page->StripButtonCount(), 1); // not rebuilt
}

TEST_F(ButtonEditingTest, AddRefusesCleanlyWhenAllNinetyNineNamesAreTaken) {
    for (int n = 1; n <= 99; ++n)
        qmtest::PutKey(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(qm::ButtonKeyName(n)));
    page->ListButtons(-1);
    const std::string shown = page->ShownKey();
    dialogs.ExpectError(
        "No free toolbar button key is left: Quillmere can make at most 99 buttons");
    page->AddButton(0);
    EXPECT_EQ(page->StripButtonCount(), 99);
    EXPECT_EQ(page->ShownKey(), shown);
    EXPECT_FALSE(OwnRecord());
}

TEST_F(ButtonEditingTest, PreviewsFollowViewEnterAndBrowseAndOpenDialogKeepsTheIconFilter) {
    ShowRecord({{"ButtonText", "t"}, {"Exec", "e"}, {"Icon", kShell32 + ",4"}});
    ASSERT_NE(page->Image1Icon(), nullptr);

    // View: a new icon for the field's text, the old one released.
    const long icons = qm::UniqueIcon::LiveCount();
    HICON before = page->Image1Icon();
    Type(IDC_ICONEDIT, kShell32 + ",5");
    Click(IDC_ICONVIEW);
    EXPECT_NE(page->Image1Icon(), before);
    EXPECT_EQ(qm::UniqueIcon::LiveCount(), icons);

    // Enter in HotIconEdit previews too, and the key goes on to the field.
    HICON hotBefore = page->Image2Icon();
    Type(IDC_HOTICONEDIT, kShell32);
    SetFocus(Field(IDC_HOTICONEDIT));
    MSG enter{Field(IDC_HOTICONEDIT), WM_KEYDOWN, VK_RETURN, 0x001C0001, 0, {}};
    LRESULT code =
        SendMessageA(enter.hwnd, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter));
    EXPECT_TRUE(code & DLGC_WANTALLKEYS);
    SendMessageA(enter.hwnd, WM_CHAR, '\r', 0x001C0001);
    EXPECT_NE(page->Image2Icon(), hotBefore);
    EXPECT_EQ(Text(IDC_HOTICONEDIT), kShell32);
    // Another key changes no preview.
    hotBefore = page->Image2Icon();
    SendMessageA(enter.hwnd, WM_CHAR, 'x', 0);
    EXPECT_EQ(page->Image2Icon(), hotBefore);

    // Exec's Browse offers all files before any icon Browse, and the icon filter after.
    dialogs.AnswerFileDialog(std::nullopt);
    Click(IDC_EXECBROWSE);
    EXPECT_EQ(dialogs.ShownOf(Shown::FileDialog).back().file.filter, "All files|*.*");
    EXPECT_EQ(Text(IDC_EXECEDIT), "e");

    const std::string icoPath = qm::ui::ProgramFolder() + "Images\\Icons\\zoom.ico";
    host.ClearAllModified();
    dialogs.AnswerFileDialog(icoPath);
    Click(IDC_ICONBROWSE);
    const char* iconFilter = "Icons (*.ico)|*.ICO|Exe and Dll files (*.exe,*.dll)|*.EXE;*.DLL";
    EXPECT_EQ(dialogs.ShownOf(Shown::FileDialog).back().file.filter, iconFilter);
    EXPECT_EQ(Text(IDC_ICONEDIT), icoPath);
    EXPECT_TRUE(host.IsModified());

    // The same path again is no edit, but the preview is loaded again.
    host.ClearAllModified();
    before = page->Image1Icon();
    dialogs.AnswerFileDialog(icoPath);
    Click(IDC_ICONBROWSE);
    EXPECT_FALSE(host.IsModified());
    EXPECT_NE(page->Image1Icon(), before);

    // Cancel changes nothing.
    before = page->Image1Icon();
    dialogs.AnswerFileDialog(std::nullopt);
    Click(IDC_ICONBROWSE);
    EXPECT_EQ(page->Image1Icon(), before);
    EXPECT_EQ(Text(IDC_ICONEDIT), icoPath);

    dialogs.AnswerFileDialog("C:\\windows\\notepad.exe");
    Click(IDC_SCRIPTBROWSE);
    EXPECT_EQ(dialogs.ShownOf(Shown::FileDialog).back().file.filter, iconFilter);
    EXPECT_EQ(Text(IDC_SCRIPTEDIT), "C:\\windows\\notepad.exe");
}

TEST_F(ButtonEditingTest, APreviewDrawsItsIconUnscaledFromTheTopLeftOfItsFrame) {
    ShowRecord(
        {{"ButtonText", "t"}, {"Icon", qm::ui::ProgramFolder() + "Images\\Icons\\qmbar.ico"}});
    // A square frame that holds a full-size icon inside a 4-pixel margin.
    RECT frame;
    GetWindowRect(Field(IDC_IMAGE1), &frame);
    const int side = frame.right - frame.left;
    EXPECT_EQ(frame.bottom - frame.top, side) << "the preview's frame is square";
    EXPECT_GE(side, GetSystemMetrics(SM_CXICON) + 8) << "the frame cuts the icon";

    // Paint the preview into a bitmap and compare with the icon drawn at (4, 4).
    auto paint = [&](HICON icon, bool throughPage) {
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, side, side);
        HGDIOBJ old = SelectObject(dc, bitmap);
        RECT all{0, 0, side, side};
        FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
        if (throughPage) {
            DRAWITEMSTRUCT item{};
            item.CtlType = ODT_STATIC;
            item.CtlID = IDC_IMAGE1;
            item.hwndItem = Field(IDC_IMAGE1);
            item.hDC = dc;
            item.rcItem = all;
            SendMessageA(page->hwnd(), WM_DRAWITEM, IDC_IMAGE1, reinterpret_cast<LPARAM>(&item));
        } else {
            DrawIconEx(dc, 4, 4, icon, 0, 0, 0, nullptr, DI_NORMAL);
        }
        std::vector<COLORREF> pixels;
        for (int y = 4; y < side - 4; ++y)
            for (int x = 4; x < side - 4; ++x) pixels.push_back(GetPixel(dc, x, y));
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
        return pixels;
    };
    EXPECT_EQ(paint(nullptr, true), paint(page->Image1Icon(), false));
}

} // namespace

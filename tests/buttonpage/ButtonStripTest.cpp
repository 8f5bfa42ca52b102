// The strip of page 0: which records it lists, in which order, with which hints and images,
// the placeholder, the selection after a rebuild, the refresh in place and the strip's growth.

#include "ButtonPageFixture.h"

#include "buttons/IconLoader.h"
#include "support/GdiObjects.h"

#include <algorithm>

namespace {

using qmtest::PutRecord;
using qmtest::ReadRecord;
using qmtest::Values;

const std::string kMachineA = "{0A000000-0000-0000-0000-00000000000A}";
const std::string kMachineB = "{0B000000-0000-0000-0000-00000000000B}";
const std::string kUserC = "{0C000000-0000-0000-0000-00000000000C}";
const std::string kUserNoClsid = "{0D000000-0000-0000-0000-00000000000D}";
const std::string kBoth = "{0E000000-0000-0000-0000-00000000000E}";

class ButtonStripTest : public qmtest::ButtonPageTest {
protected:
    // Two machine records, one of them ours; a current user's record with and one without
    // "CLSID"; the same key name under both roots; the browser's reserved key under both.
    void SeedBothRoots() {
        PutRecord(HKEY_LOCAL_MACHINE, kMachineA, {{"ButtonText", "Machine A"}});
        PutRecord(HKEY_LOCAL_MACHINE, kMachineB,
                  {{"ButtonText", "Machine B"}, {"IsQuillmere", "YES"}});
        PutRecord(HKEY_LOCAL_MACHINE, kBoth, {{"ButtonText", "Both, machine copy"}});
        PutRecord(HKEY_LOCAL_MACHINE, qm::kReservedButtonKey, {{"ButtonText", "reserved"}});
        PutRecord(HKEY_CURRENT_USER, kUserC,
                  {{"CLSID", qmtest::kOtherClsid}, {"ButtonText", "User C"}, {"IsQuillmere", "x"}});
        PutRecord(HKEY_CURRENT_USER, kUserNoClsid, {{"ButtonText", "No CLSID"}});
        PutRecord(HKEY_CURRENT_USER, kBoth,
                  {{"CLSID", qmtest::kOtherClsid}, {"ButtonText", "Both, user copy"}});
        PutRecord(HKEY_CURRENT_USER, qm::kReservedButtonKey,
                  {{"CLSID", qmtest::kOtherClsid}, {"ButtonText", "reserved"}});
    }

    // What the strip should show: the current user's listed records in the registry's order,
    // then the machine's.
    static std::vector<std::string> Listed(HKEY root, const std::vector<std::string>& excluded) {
        std::vector<std::string> names = qmtest::KeyNames(root, qm::kExtensionsKey);
        std::erase_if(names, [&](const std::string& name) {
            return std::find(excluded.begin(), excluded.end(), name) != excluded.end();
        });
        return names;
    }
};

TEST_F(ButtonStripTest, ListsTheCurrentUsersRecordsFirstThenTheMachinesInRegistryOrder) {
    SeedBothRoots();
    page->ListButtons(-1);

    std::vector<std::string> expected =
        Listed(HKEY_CURRENT_USER, {kUserNoClsid, qm::kReservedButtonKey});
    std::vector<std::string> machine = Listed(HKEY_LOCAL_MACHINE, {qm::kReservedButtonKey});
    expected.insert(expected.end(), machine.begin(), machine.end());
    ASSERT_EQ(StripKeys(), expected);
    ASSERT_EQ(StripItems(), 5);

    // The current user's names, in the order they were walked (last to first).
    std::vector<std::string> walked =
        Listed(HKEY_CURRENT_USER, {kUserNoClsid, qm::kReservedButtonKey});
    std::reverse(walked.begin(), walked.end());
    EXPECT_EQ(page->CurrentUserButtons(), walked);

    // Button p carries the image appended for it: the walks append in reverse strip order.
    EXPECT_EQ(ImageList_GetImageCount(page->Icons()), 5);
    EXPECT_EQ(ImageList_GetImageCount(page->HotIcons()), 5);
    for (int p = 0; p < 5; ++p) {
        EXPECT_EQ(StripItem(p).iBitmap, 4 - p) << p;
        EXPECT_TRUE(StripItem(p).fsState & TBSTATE_ENABLED) << p;
        EXPECT_EQ(StripItem(p).idCommand, page->StripCommand(p)) << p;
    }
    // Hints are the records' texts, each from the root the button was listed under, and where
    // that record lives (the machine's were seeded in the 32-bit view).
    for (int p = 0; p < 5; ++p) {
        HKEY root = p < 2 ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        EXPECT_EQ(HintOf(p), ReadRecord(root, StripKeys()[p])->at("ButtonText") + "\r\n" +
                                 (p < 2 ? "This user" : "All users (32-bit browser only)"))
            << p;
    }
    // The last button, the machine's last record, is shown; the listing leaves no flag set.
    EXPECT_EQ(page->ShownKey(), machine.back());
    EXPECT_FALSE(host.IsModified());
    EXPECT_FALSE(host.IsPageModified(qm::ui::kPageButtons));
}

TEST_F(ButtonStripTest, ARecordWithTheLongestKeyNameIsListedUnderEitherRoot) {
    // 255 characters, the most a key name may have: with the Extensions path in front the full
    // path is longer than the platform takes.
    const std::string machine = "{" + std::string(253, 'a') + "}";
    const std::string user = "{" + std::string(253, 'b') + "}";
    qmtest::PutBelowExtensions(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, machine,
                               {{"ButtonText", "Long machine"}});
    qmtest::PutBelowExtensions(HKEY_CURRENT_USER, 0, user,
                               {{"CLSID", qmtest::kOtherClsid}, {"ButtonText", "Long user"}});
    ASSERT_EQ(qmtest::KeyNames(HKEY_LOCAL_MACHINE, qm::kExtensionsKey),
              std::vector<std::string>{machine});
    page->ListButtons(-1);
    EXPECT_EQ(StripKeys(), (std::vector<std::string>{user, machine}));
    EXPECT_EQ(page->CurrentUserButtons(), std::vector<std::string>{user});
}

TEST_F(ButtonStripTest, AKeyNameUnderBothRootsIsListedTwiceAndAlwaysMeansTheCurrentUsersCopy) {
    SeedBothRoots();
    page->ListButtons(-1);
    std::vector<std::string> keys = StripKeys();
    ASSERT_EQ(std::count(keys.begin(), keys.end(), kBoth), 2);

    for (size_t p = 0; p < keys.size(); ++p) {
        if (keys[p] != kBoth) continue;
        ClickStrip(static_cast<int>(p));
        EXPECT_EQ(page->ShownKey(), kBoth);
        EXPECT_EQ(Text(IDC_BUTTONTEXT), "Both, user copy") << p;
    }
    // Letter case does not matter for the root of a record.
    EXPECT_EQ(
        qm::RootForButton("{0e000000-0000-0000-0000-00000000000e}", page->CurrentUserButtons()),
        HKEY_CURRENT_USER);

    Type(IDC_BUTTONTEXT, "Both, edited");
    page->Save();
    EXPECT_EQ(ReadRecord(HKEY_CURRENT_USER, kBoth)->at("ButtonText"), "Both, edited");
    EXPECT_EQ(ReadRecord(HKEY_LOCAL_MACHINE, kBoth)->at("ButtonText"), "Both, machine copy");
}

TEST_F(ButtonStripTest, TheFilterShowsOnlyTheProgramsOwnRecordsAndRelistsOnEveryClick) {
    SeedBothRoots();
    page->ListButtons(-1);
    ASSERT_EQ(page->StripButtonCount(), 5);

    Click(IDC_ONLYQUILLMERE);
    EXPECT_EQ(StripKeys(), (std::vector<std::string>{kUserC, kMachineB}));
    EXPECT_EQ(page->CurrentUserButtons(), std::vector<std::string>{kUserC});
    EXPECT_EQ(page->ShownKey(), kMachineB);
    EXPECT_EQ(ImageList_GetImageCount(page->Icons()), 2);

    Click(IDC_ONLYQUILLMERE);
    EXPECT_EQ(page->StripButtonCount(), 5);
}

TEST_F(ButtonStripTest, WithNoRecordTheStripHoldsOneDisabledBlankButtonAndTheFieldsAreEmpty) {
    // Something shown before, then every record disappears.
    PutRecord(HKEY_LOCAL_MACHINE, kMachineA,
              {{"ButtonText", "A"},
               {"Script", "s.htm"},
               {"Icon", "C:\\x.ico"},
               {"MenuText", "m"},
               {"Default Visible", "yes"}});
    page->ListButtons(-1);
    ASSERT_EQ(page->ShownKey(), kMachineA);
    ASSERT_TRUE(Checked(IDC_SCRIPT));
    ASSERT_TRUE(qmtest::RemoveKey(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(kMachineA)));
    // Only keys that are never listed are left.
    PutRecord(HKEY_LOCAL_MACHINE, qm::kReservedButtonKey, {{"ButtonText", "reserved"}});
    PutRecord(HKEY_CURRENT_USER, kUserNoClsid, {{"ButtonText", "No CLSID"}});

    page->Refresh();
    ASSERT_EQ(StripItems(), 1);
    ASSERT_EQ(page->StripButtonCount(), 1);
    TBBUTTON placeholder = StripItem(0);
    EXPECT_FALSE(placeholder.fsState & TBSTATE_ENABLED);
    EXPECT_EQ(placeholder.iBitmap, I_IMAGENONE);
    EXPECT_EQ(page->StripKey(0), "");
    EXPECT_EQ(HintOf(0), "");
    EXPECT_EQ(ImageList_GetImageCount(page->Icons()), 0);

    for (int id : {IDC_STATICTEXT1, IDC_BUTTONTEXT, IDC_EXECEDIT, IDC_SCRIPTEDIT, IDC_ICONEDIT,
                   IDC_HOTICONEDIT, IDC_MENUTEXTEDIT, IDC_STATUSBARTEXTEDIT})
        EXPECT_EQ(Text(id), "") << id;
    EXPECT_TRUE(Checked(IDC_EXEC));
    EXPECT_FALSE(Checked(IDC_SCRIPT));
    EXPECT_TRUE(Enabled(IDC_EXECEDIT));
    EXPECT_FALSE(Enabled(IDC_SCRIPTEDIT));
    EXPECT_FALSE(Enabled(IDC_MENUTEXTEDIT));
    EXPECT_FALSE(Enabled(IDC_STATUSBARTEXTEDIT));
    EXPECT_FALSE(Checked(IDC_DEFAULTVISIBLE));
    EXPECT_FALSE(Checked(IDC_SHOWINTOOLS));
    EXPECT_EQ(page->Image1Icon(), nullptr);
    EXPECT_EQ(page->Image2Icon(), nullptr);

    // Clicking the placeholder shows nothing; showing the page again does not relist it.
    ClickStrip(0);
    EXPECT_EQ(page->ShownKey(), "");
    page->OnShow();
    EXPECT_EQ(StripItems(), 1);
}

// Each listing gives the buttons already in the strip their new records in place: whatever
// the strip held before (more buttons, fewer, the placeholder), every button afterwards is
// enabled, has its record's hint and image and its own command, and a click shows its record.
TEST_F(ButtonStripTest, ListingAgainWithMoreFewerOrNoRecordsLeavesEveryButtonItsOwnRecord) {
    const std::vector<std::vector<std::string>> listings = {{"A", "B", "C"}, {"A"}, {}, {"B", "C"},
                                                            {"A", "B", "C"}, {"C"}};
    for (const auto& texts : listings) {
        SCOPED_TRACE(::testing::PrintToString(texts));
        for (const std::string& key : {kMachineA, kMachineB, kUserC})
            qmtest::RemoveKey(key == kUserC ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE,
                              qm::ButtonKeyPath(key));
        for (const std::string& text : texts) {
            if (text == "C")
                PutRecord(HKEY_CURRENT_USER, kUserC,
                          {{"CLSID", qmtest::kOtherClsid}, {"ButtonText", text}});
            else
                PutRecord(HKEY_LOCAL_MACHINE, text == "A" ? kMachineA : kMachineB,
                          {{"ButtonText", text}});
        }
        page->ListButtons(-1);
        if (texts.empty()) {
            ASSERT_EQ(StripItems(), 1);
            EXPECT_FALSE(StripItem(0).fsState & TBSTATE_ENABLED);
            continue;
        }
        ASSERT_EQ(StripItems(), static_cast<int>(texts.size()));
        std::vector<std::string> hints;
        std::vector<int> commands;
        for (int i = 0; i < StripItems(); ++i) {
            const TBBUTTON item = StripItem(i);
            EXPECT_TRUE(item.fsState & TBSTATE_ENABLED) << i;
            EXPECT_GE(item.iBitmap, 0) << i;
            EXPECT_LT(item.iBitmap, ImageList_GetImageCount(page->Icons())) << i;
            commands.push_back(item.idCommand);
            const std::string hint = HintOf(i); // its text, then where it lives
            hints.push_back(hint.substr(0, hint.find('\r')));
            ClickStrip(i);
            EXPECT_EQ(page->ShownKey(), page->StripKey(i)) << i;
            EXPECT_EQ(Text(IDC_BUTTONTEXT), hints.back()) << i;
        }
        std::sort(hints.begin(), hints.end());
        EXPECT_EQ(hints, texts);
        std::sort(commands.begin(), commands.end());
        EXPECT_EQ(std::unique(commands.begin(), commands.end()), commands.end());
    }
}

TEST_F(ButtonStripTest, TheFirstShowingListsAnEmptyStripOnceAndTabChangesAlwaysRelist) {
    PutRecord(HKEY_LOCAL_MACHINE, kMachineA, {{"ButtonText", "A"}});
    page->OnShow();
    ASSERT_EQ(StripKeys(), std::vector<std::string>{kMachineA});

    PutRecord(HKEY_LOCAL_MACHINE, kMachineB, {{"ButtonText", "B"}});
    page->OnShow();
    EXPECT_EQ(page->StripButtonCount(), 1);
    page->AfterTabChange();
    EXPECT_EQ(page->StripButtonCount(), 2);
}

TEST_F(ButtonStripTest, ARebuildShowsTheRememberedRecordAgainOrTheLastButtonWhenItIsGone) {
    PutRecord(HKEY_LOCAL_MACHINE, kMachineA, {{"ButtonText", "A"}});
    PutRecord(HKEY_LOCAL_MACHINE, kMachineB, {{"ButtonText", "B"}});
    PutRecord(HKEY_CURRENT_USER, kUserC, {{"CLSID", qmtest::kOtherClsid}, {"ButtonText", "C"}});
    page->ListButtons(-1);
    std::vector<std::string> keys = StripKeys();
    ASSERT_EQ(keys.size(), 3u);

    int first = 0;
    page->ListButtons(first);
    EXPECT_EQ(page->ShownKey(), keys[first]);

    // The remembered record is deleted by another program before the rebuild.
    ASSERT_TRUE(qmtest::RemoveKey(HKEY_CURRENT_USER, qm::ButtonKeyPath(keys[first])));
    page->ListButtons(first);
    EXPECT_EQ(page->StripButtonCount(), 2);
    EXPECT_EQ(page->ShownKey(), StripKeys().back());
}

TEST_F(ButtonStripTest, ShowingARecordFillsEveryFieldByItsRules) {
    struct Case {
        const char* what;
        const Values& values;
        int choice; // the radio button shown chosen, whose field alone takes typing
        std::string execText, scriptText;
        bool visible, inTools;
        std::string menuText, statusText;
    };
    const Values exec = {{"Exec", "http://e/"}, {"Default Visible", "yes"}, {"MenuText", "m"}};
    const Values both = {{"Exec", "run.exe"},
                         {"Script", "page.htm"},
                         {"Default Visible", "YES "},
                         {"MenuStatusBar", "status only"}};
    const Values script = {{"Script", "s.htm"}, {"Default Visible", "No"}};
    const Case cases[] = {
        {"exec record", exec, IDC_EXEC, "http://e/", "", true, true, "m", ""},
        {"both values show as a script record with both texts", both, IDC_SCRIPT, "run.exe",
         "page.htm", false, true, "", "status only"},
        {"script record", script, IDC_SCRIPT, "", "s.htm", false, false, "", ""},
    };
    for (const Case& c : cases) {
        qmtest::RemoveKey(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(kMachineA));
        Values values = c.values;
        values["ButtonText"] = c.what;
        PutRecord(HKEY_LOCAL_MACHINE, kMachineA, values);
        page->ListButtons(-1);
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Text(IDC_STATICTEXT1), kMachineA);
        EXPECT_EQ(Text(IDC_BUTTONTEXT), c.what);
        EXPECT_EQ(Checked(IDC_EXEC), c.choice == IDC_EXEC);
        EXPECT_EQ(Checked(IDC_SCRIPT), c.choice == IDC_SCRIPT);
        EXPECT_EQ(Enabled(IDC_EXECEDIT), c.choice == IDC_EXEC);
        EXPECT_EQ(Enabled(IDC_SCRIPTEDIT), c.choice == IDC_SCRIPT);
        EXPECT_EQ(Text(IDC_EXECEDIT), c.execText);
        EXPECT_EQ(Text(IDC_SCRIPTEDIT), c.scriptText);
        EXPECT_EQ(Checked(IDC_DEFAULTVISIBLE), c.visible);
        EXPECT_EQ(Checked(IDC_SHOWINTOOLS), c.inTools);
        EXPECT_EQ(Enabled(IDC_MENUTEXTEDIT), c.inTools);
        EXPECT_EQ(Enabled(IDC_STATUSBARTEXTEDIT), c.inTools);
        EXPECT_EQ(Text(IDC_MENUTEXTEDIT), c.menuText);
        EXPECT_EQ(Text(IDC_STATUSBARTEXTEDIT), c.statusText);
        EXPECT_FALSE(host.IsModified());
    }
}

TEST_F(ButtonStripTest, ARecordWithNeitherExecNorScriptLeavesTheChoiceAsItWas) {
    PutRecord(HKEY_LOCAL_MACHINE, kMachineA, {{"ButtonText", "neither"}, {"Exec", "x"}});
    PutRecord(HKEY_LOCAL_MACHINE, kMachineB, {{"ButtonText", "neither"}});
    page->ListButtons(-1);
    const std::vector<std::string> keys = StripKeys();
    int neither = keys[0] == kMachineB ? 0 : 1;
    ClickStrip(1 - neither);
    ASSERT_TRUE(Checked(IDC_EXEC));
    Click(IDC_SCRIPT);
    Type(IDC_SCRIPTEDIT, "typed");
    host.ClearAllModified();

    ClickStrip(neither);
    EXPECT_EQ(page->ShownKey(), kMachineB);
    EXPECT_TRUE(Checked(IDC_SCRIPT));
    EXPECT_FALSE(Checked(IDC_EXEC));
    EXPECT_TRUE(Enabled(IDC_SCRIPTEDIT));
    EXPECT_FALSE(Enabled(IDC_EXECEDIT));
    EXPECT_EQ(Text(IDC_SCRIPTEDIT), "");

    // Saving it writes neither value when neither is chosen: the program starts that way.
    qm::ButtonsPage fresh(host);
    fresh.Create(owner);
    host.SetPage(&fresh);
    fresh.ListButtons(-1);
    int freshNeither = fresh.StripKey(0) == kMachineB ? 0 : 1;
    fresh.ShowButton(freshNeither);
    ASSERT_FALSE(qm::ui::IsChecked(fresh.Item(IDC_EXEC)));
    ASSERT_FALSE(qm::ui::IsChecked(fresh.Item(IDC_SCRIPT)));
    fresh.SaveButton(kMachineB);
    Values stored = *ReadRecord(HKEY_LOCAL_MACHINE, kMachineB);
    EXPECT_EQ(stored.count("Exec"), 0u);
    EXPECT_EQ(stored.count("Script"), 0u);
    // Nor "Default Visible", whose box nobody touched.
    EXPECT_EQ(stored.count("Default Visible"), 0u);
    host.SetPage(page);
}

TEST_F(ButtonStripTest, ARefreshUpdatesHintsAndIconsInPlaceWithoutRecreatingButtons) {
    PutRecord(HKEY_LOCAL_MACHINE, kMachineA, {{"ButtonText", "A"}});
    PutRecord(HKEY_LOCAL_MACHINE, kMachineB, {{"ButtonText", "B"}});
    page->ListButtons(-1);
    const std::vector<std::string> keys = StripKeys();
    std::vector<int> commands = {page->StripCommand(0), page->StripCommand(1)};
    std::vector<int> images = {StripItem(0).iBitmap, StripItem(1).iBitmap};

    PutRecord(HKEY_LOCAL_MACHINE, keys[0], {{"ButtonText", "renamed elsewhere"}});
    page->RefreshButtonImages();
    EXPECT_EQ(StripKeys(), keys);
    EXPECT_EQ(page->StripCommand(0), commands[0]);
    EXPECT_EQ(page->StripCommand(1), commands[1]);
    EXPECT_EQ(StripItem(0).iBitmap, images[0]);
    EXPECT_EQ(StripItem(1).iBitmap, images[1]);
    EXPECT_EQ(ImageList_GetImageCount(page->Icons()), 2);
    EXPECT_EQ(HintOf(0), "renamed elsewhere\r\nAll users (32-bit browser only)");

    // A record made by another program meanwhile: the strip cannot be re-created in place;
    // it is rebuilt once the messages are run, keeping the record shown.
    ClickStrip(0);
    const std::string newcomer = "{0F000000-0000-0000-0000-00000000000F}";
    PutRecord(HKEY_LOCAL_MACHINE, newcomer, {{"ButtonText", "new"}});
    page->RefreshButtonImages();
    EXPECT_EQ(page->StripButtonCount(), 2);
    qm::ui::ProcessPendingMessages();
    EXPECT_EQ(page->StripButtonCount(), 3);
    EXPECT_EQ(page->ShownKey(), keys[0]);
    EXPECT_EQ(ImageList_GetImageCount(page->Icons()), 3);
}

TEST_F(ButtonStripTest, AFailureWhileListingKeepsTheButtonsFoundAndStillSelects) {
    PutRecord(HKEY_LOCAL_MACHINE, kMachineA, {{"ButtonText", "A"}});
    // A current user's record whose text has a type no field can hold.
    PutRecord(HKEY_CURRENT_USER, kUserC, {{"CLSID", qmtest::kOtherClsid}});
    qmtest::PutValues(HKEY_CURRENT_USER, qm::ButtonKeyPath(kUserC),
                      {{"ButtonText", qmtest::Dword(7)}});

    try {
        page->ListButtons(-1);
        FAIL() << "the listing hid a value of the wrong type";
    } catch (const qm::RegistryError& error) {
        EXPECT_STREQ(error.what(), "Invalid data type for 'ButtonText'");
    }
    EXPECT_EQ(StripKeys(), std::vector<std::string>{kMachineA});
    EXPECT_EQ(page->ShownKey(), kMachineA);
    EXPECT_FALSE(host.Registry().HasOpenKey());
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW));
}

TEST_F(ButtonStripTest, TheStripWrapsOntoMoreRowsAndTheFieldsMoveBelowIt) {
    for (int i = 0; i < 4; ++i)
        PutRecord(HKEY_LOCAL_MACHINE, qm::ButtonKeyName(i + 1), {{"ButtonText", "b"}});
    page->ListButtons(-1);
    ASSERT_EQ(page->StripHeight(), qm::kOneRowStripHeight);
    RECT field;
    GetWindowRect(Field(IDC_BUTTONTEXT), &field);
    const LONG oneRowTop = field.top;
    // The fields start below the strip (its frame) and reach the page's right edge, whatever
    // the font.
    RECT strip, pageArea, browse;
    GetWindowRect(page->StripView(), &strip);
    GetWindowRect(page->hwnd(), &pageArea);
    GetWindowRect(Field(IDC_EXECBROWSE), &browse);
    EXPECT_GT(field.top, strip.bottom);
    EXPECT_EQ(browse.right, field.right);
    EXPECT_EQ(strip.right, field.right);
    EXPECT_LE(pageArea.right - field.right, 12);

    for (int i = 4; i < 60; ++i)
        PutRecord(HKEY_LOCAL_MACHINE, qm::ButtonKeyName(i + 1), {{"ButtonText", "b"}});
    page->ListButtons(-1);
    const int height = page->StripHeight();
    EXPECT_GT(height, 2 * qm::kOneRowStripHeight - 4);
    GetWindowRect(page->StripView(), &strip);
    EXPECT_EQ(strip.bottom - strip.top, height);
    // Every button lies inside the strip.
    RECT last{};
    SendMessageA(page->ToolBar2(), TB_GETITEMRECT, 59, reinterpret_cast<LPARAM>(&last));
    EXPECT_LE(last.bottom, height);
    GetWindowRect(Field(IDC_BUTTONTEXT), &field);
    EXPECT_EQ(field.top - oneRowTop, height - qm::kOneRowStripHeight);

    for (int i = 4; i < 60; ++i)
        qmtest::RemoveKey(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(qm::ButtonKeyName(i + 1)));
    page->ListButtons(-1);
    EXPECT_EQ(page->StripHeight(), qm::kOneRowStripHeight);
    GetWindowRect(Field(IDC_BUTTONTEXT), &field);
    EXPECT_EQ(field.top, oneRowTop);
}

TEST_F(ButtonStripTest, RepeatedListingShowingAndRefreshingOwnNoMoreHandles) {
    for (int i = 0; i < 6; ++i)
        PutRecord(HKEY_LOCAL_MACHINE, qm::ButtonKeyName(i + 1),
                  {{"ButtonText", "b"},
                   {"Icon", "C:\\windows\\system32\\shell32.dll,4"},
                   {"HotIcon", temp.File("missing.ico")}});
    page->ListButtons(-1);
    page->ShowButton(0);
    page->RefreshButtonImages();
    const long icons = qm::UniqueIcon::LiveCount();
    const long lists = qm::UniqueImageList::LiveCount();
    const long bitmaps = qm::UniqueBitmap::LiveCount();
    EXPECT_EQ(icons, 2); // the two previews
    // The system's own count also sees bitmaps and DCs that no handle owner of ours holds.
    const long gdiObjects = qmtest::GdiObjectCount();

    for (int i = 0; i < 200; ++i) page->ListButtons(-1);
    for (int i = 0; i < 200; ++i) page->ShowButton(i % 6);
    for (int i = 0; i < 200; ++i) page->RefreshButtonImages();
    qmtest::ExpectNoMoreGdiObjects(gdiObjects);
    EXPECT_EQ(qm::UniqueIcon::LiveCount(), icons);
    EXPECT_EQ(qm::UniqueImageList::LiveCount(), lists);
    EXPECT_EQ(qm::UniqueBitmap::LiveCount(), bitmaps);
    EXPECT_EQ(ImageList_GetImageCount(page->Icons()), 6);
    EXPECT_EQ(ImageList_GetImageCount(page->HotIcons()), 6);
}

} // namespace

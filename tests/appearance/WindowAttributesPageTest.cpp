// The "Window Attributes" page in the main window: load, save, options and the folder dialog.
#include "support/MainWindowTest.h"

#include "appearance/WindowAttributesPage.h"
#include "support/RawRegistry.h"

namespace {

using qm::ui::kPageWindowAttributes;
using qmtest::ReadUserString;
using qmtest::Shown;
using qmtest::WriteUserString;

constexpr const char* kMainKey = "\\Software\\Microsoft\\Internet Explorer\\Main\\";

struct Option {
    int box;
    const char* value;
};
constexpr Option kOptions[] = {
    {IDC_SHOWPICTURES, "Display Inline Images"},
    {IDC_PLAYVIDEOS, "Display Inline Videos"},
    {IDC_PLAYANIMATIONS, "Play_Animations"},
    {IDC_PLAYSOUNDS, "Play_Background_Sounds"},
    {IDC_FULLSCREEN, "FullScreen"},
    {IDC_PRINTBACKGROUND, "Print_Background"},
    {IDC_SHOWGOBUTTON, "ShowGoButton"},
};

// An expandable string value as stored: the text and one terminating zero.
qmtest::StoredValue ExpandSz(const std::string& text) { return {REG_EXPAND_SZ, text + '\0'}; }

class WindowAttributesTest : public qmtest::MainWindowTest {
protected:
    void SetUp() override {
        qmtest::CreateUserKey(kMainKey);
        MainWindowTest::SetUp();
    }
    // Shown afresh: choosing the page already shown does nothing, so by way of page 0.
    void ShowPage() {
        MenuCommand(IDM_VIEWSTDBTN);
        MenuCommand(IDM_VIEWWINDOWTITLE);
    }
    void Save() { ClickToolButton(IDM_SAVE); }
    bool Checked(int box) { return qm::ui::IsChecked(Control(kPageWindowAttributes, box)); }
};

TEST_F(WindowAttributesTest, LoadFillsTheFourFieldsUnchangedAndLeavesThePageUnchanged) {
    WriteUserString(kMainKey, "Window Title", " My browser ");
    WriteUserString(kMainKey, "Start Page", "http://example.org/");
    WriteUserString(kMainKey, "Search Page", "http://search.example/");
    WriteUserString(kMainKey, "FavoritesImportFolder", "C:\\Imports");
    ShowPage();
    EXPECT_EQ(Text(kPageWindowAttributes, IDC_WTITLEEDIT), " My browser ");
    EXPECT_EQ(Text(kPageWindowAttributes, IDC_STARTPAGE), "http://example.org/");
    EXPECT_EQ(Text(kPageWindowAttributes, IDC_SEARCHPAGE), "http://search.example/");
    EXPECT_EQ(Text(kPageWindowAttributes, IDC_FAVORITFOLDER), "C:\\Imports");
    EXPECT_TRUE(NoFlagSet());
}

TEST_F(WindowAttributesTest, OptionsAreCheckedOnlyForYesInAnyCaseAndSavedInLowerCaseWhenClicked) {
    const struct {
        std::optional<std::string> stored;
        bool checked;
    } cases[] = {{"Yes", true}, {"yes", true},   {"YES", true},
                 {"no", false}, {"1", false},    {"true", false},
                 {"", false},   {" yes", false}, {std::nullopt, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored.value_or("(absent)"));
        for (const Option& option : kOptions) {
            if (c.stored)
                qmtest::WriteUserString(kMainKey, option.value, *c.stored);
            else
                qmtest::RemoveValue(HKEY_CURRENT_USER, kMainKey, option.value);
        }
        ShowPage();
        for (const Option& option : kOptions)
            EXPECT_EQ(Checked(option.box), c.checked) << option.value;
        // Untouched options stay exactly as stored (an absent one stays absent, so the browser
        // keeps its own default); a clicked one is saved as "yes" or "no".
        Save();
        for (const Option& option : kOptions)
            EXPECT_EQ(ReadUserString(kMainKey, option.value), c.stored) << option.value;
        for (const Option& option : kOptions) {
            Click(kPageWindowAttributes, option.box);
            Save();
            EXPECT_EQ(ReadUserString(kMainKey, option.value), c.checked ? "no" : "yes")
                << option.value;
        }
    }
}

TEST_F(WindowAttributesTest, EmptyFieldsAreSavedByTheirOwnRules) {
    WriteUserString(kMainKey, "Window Title", "Old title");
    WriteUserString(kMainKey, "Start Page", "http://old/");
    WriteUserString(kMainKey, "Search Page", "http://old-search/");
    WriteUserString(kMainKey, "FavoritesImportFolder", "C:\\Old");
    ShowPage();
    for (int field : {IDC_WTITLEEDIT, IDC_STARTPAGE, IDC_SEARCHPAGE, IDC_FAVORITFOLDER})
        Type(kPageWindowAttributes, field, "");
    Save();
    EXPECT_FALSE(ReadUserString(kMainKey, "Window Title"));
    EXPECT_EQ(ReadUserString(kMainKey, "Start Page"), "about:blank");
    EXPECT_EQ(ReadUserString(kMainKey, "Search Page"), "");
    EXPECT_EQ(ReadUserString(kMainKey, "FavoritesImportFolder"), "");
    EXPECT_FALSE(ReadUserString(kMainKey, "ShowGoButton")); // untouched and absent: stays absent
    EXPECT_TRUE(dialogs.Shown().empty());
}

TEST_F(WindowAttributesTest, ANonStringValueStopsTheLoadThereClearsTheFlagsAndRefusesSaves) {
    WriteUserString(kMainKey, "Window Title", "Loaded");
    qmtest::WriteUserInteger(kMainKey, "Search Page", 1);
    WriteUserString(kMainKey, "FavoritesImportFolder", "C:\\Not loaded");
    WriteUserString(kMainKey, "ShowGoButton", "yes");
    dialogs.ExpectApplicationError("Invalid data type for 'Search Page'");
    ShowPage();
    EXPECT_EQ(Text(kPageWindowAttributes, IDC_WTITLEEDIT), "Loaded");
    EXPECT_EQ(Text(kPageWindowAttributes, IDC_FAVORITFOLDER), "");
    EXPECT_FALSE(Checked(IDC_SHOWGOBUTTON));
    EXPECT_TRUE(NoFlagSet()) << "the filling is no edit: leaving must not offer to save it";

    // Save would write empty texts and "no" over values the page never showed: it is refused.
    Type(kPageWindowAttributes, IDC_WTITLEEDIT, "Typed");
    dialogs.ExpectError("The window attributes cannot be saved: the value \"Search Page\" is not "
                        "a text. Correct or delete it, then show the page again.");
    Save();
    EXPECT_EQ(qmtest::StoredValueOf(HKEY_CURRENT_USER, kMainKey, "Window Title"),
              qmtest::Sz("Loaded"));
    EXPECT_EQ(qmtest::StoredValueOf(HKEY_CURRENT_USER, kMainKey, "FavoritesImportFolder"),
              qmtest::Sz("C:\\Not loaded"));
    EXPECT_EQ(qmtest::StoredValueOf(HKEY_CURRENT_USER, kMainKey, "ShowGoButton"),
              qmtest::Sz("yes"));
    EXPECT_TRUE(form->IsPageModified(kPageWindowAttributes)) << "the refused edit is kept";

    // Repaired and shown again (after leaving the page, whose edit is dropped): saves work.
    dialogs.AnswerQuestion(false, "Save changes in window attributes?");
    ClickTab(qm::ui::kPageBackgrounds);
    qmtest::PutText(HKEY_CURRENT_USER, kMainKey, "Search Page", "http://s/");
    ShowPage();
    Type(kPageWindowAttributes, IDC_WTITLEEDIT, "Typed");
    Save();
    EXPECT_EQ(ReadUserString(kMainKey, "Window Title"), "Typed");
}

TEST_F(WindowAttributesTest, WithoutTheMainKeyASaveReportsTheFailureAndWritesNothing) {
    ShowPage();
    qmtest::RemoveKey(HKEY_CURRENT_USER, kMainKey);
    Save(); // nothing edited: nothing to write
    EXPECT_TRUE(dialogs.Shown().empty());
    Type(kPageWindowAttributes, IDC_SEARCHPAGE, "http://s/");
    dialogs.ExpectError("Error while trying to write registry data");
    Save();
    qmtest::ExpectNoKey(HKEY_CURRENT_USER, kMainKey);
}

TEST_F(WindowAttributesTest, UntouchedValuesKeepTypeAndBytesAndEditedExpandableOnesStayExpandable) {
    using qmtest::StoredValue;
    const StoredValue folder = ExpandSz("%USERPROFILE%\\Imports");
    const StoredValue start = ExpandSz("file:///%SystemDrive%/start.htm");
    const StoredValue search{REG_SZ, std::string("http://s/\0old tail\0", 19)};
    const StoredValue sounds = qmtest::Sz("YES");
    qmtest::PutValues(HKEY_CURRENT_USER, kMainKey, {{"FavoritesImportFolder", folder}});
    qmtest::PutValues(HKEY_CURRENT_USER, kMainKey, {{"Start Page", start}});
    qmtest::PutValues(HKEY_CURRENT_USER, kMainKey, {{"Search Page", search}});
    qmtest::PutValues(HKEY_CURRENT_USER, kMainKey, {{"Play_Background_Sounds", sounds}});
    ShowPage();
    Type(kPageWindowAttributes, IDC_WTITLEEDIT, "Title");
    Type(kPageWindowAttributes, IDC_STARTPAGE, "file:///%SystemDrive%/other.htm");
    Save();
    EXPECT_EQ(qmtest::StoredValueOf(HKEY_CURRENT_USER, kMainKey, "FavoritesImportFolder"), folder);
    EXPECT_EQ(qmtest::StoredValueOf(HKEY_CURRENT_USER, kMainKey, "Search Page"), search);
    EXPECT_EQ(qmtest::StoredValueOf(HKEY_CURRENT_USER, kMainKey, "Play_Background_Sounds"), sounds);
    EXPECT_EQ(qmtest::StoredValueOf(HKEY_CURRENT_USER, kMainKey, "Start Page"),
              ExpandSz("file:///%SystemDrive%/other.htm"));
    EXPECT_EQ(qmtest::StoredValueOf(HKEY_CURRENT_USER, kMainKey, "Window Title"),
              qmtest::Sz("Title"));
    // Emptied, an expandable start page becomes the blank page, still expandable.
    Type(kPageWindowAttributes, IDC_STARTPAGE, "");
    Save();
    EXPECT_EQ(qmtest::StoredValueOf(HKEY_CURRENT_USER, kMainKey, "Start Page"),
              ExpandSz("about:blank"));
}

TEST_F(WindowAttributesTest, ATextTooLongToEditIsShownInPartReadOnlyAndKeptOnSave) {
    const std::string title(100000, 't');
    qmtest::PutText(HKEY_CURRENT_USER, kMainKey, "Window Title", title);
    dialogs.ExpectError("The value \"Window Title\" is too long to edit. It is shown in part and "
                        "kept as stored when the page is saved.");
    ShowPage();
    EXPECT_EQ(Text(kPageWindowAttributes, IDC_WTITLEEDIT).size(), 32u * 1024);
    EXPECT_TRUE(GetWindowLongA(Control(kPageWindowAttributes, IDC_WTITLEEDIT), GWL_STYLE) &
                ES_READONLY);
    Type(kPageWindowAttributes, IDC_SEARCHPAGE, "http://s/");
    Save();
    EXPECT_EQ(qmtest::StoredValueOf(HKEY_CURRENT_USER, kMainKey, "Window Title"),
              qmtest::Sz(title));
    EXPECT_EQ(ReadUserString(kMainKey, "Search Page"), "http://s/");
}

TEST_F(WindowAttributesTest, SavingOverValuesAnotherProgramChangedSinceTheyWereShownAsksFirst) {
    WriteUserString(kMainKey, "Start Page", "http://shown/");
    ShowPage();
    WriteUserString(kMainKey, "Start Page", "http://theirs/");
    WriteUserString(kMainKey, "FullScreen", "yes");
    Type(kPageWindowAttributes, IDC_STARTPAGE, "http://mine/");
    Click(kPageWindowAttributes, IDC_FULLSCREEN);
    // FullScreen was changed elsewhere to just what the click saves: nothing to ask about.
    const std::string question = "The window attributes were changed in the registry since they "
                                 "were shown (\"Start Page\"). Overwrite them?";
    dialogs.AnswerQuestion(false, question);
    Save();
    EXPECT_EQ(ReadUserString(kMainKey, "Start Page"), "http://theirs/");
    EXPECT_EQ(ReadUserString(kMainKey, "FullScreen"), "yes");
    EXPECT_TRUE(form->IsPageModified(kPageWindowAttributes));
    dialogs.AnswerQuestion(true, question);
    Save();
    EXPECT_EQ(ReadUserString(kMainKey, "Start Page"), "http://mine/");
    EXPECT_EQ(ReadUserString(kMainKey, "FullScreen"), "yes"); // checked by the click
}

TEST_F(WindowAttributesTest, ClickingABoxTwiceKeepsItsMarkButChangesThePage) {
    ShowPage();
    Click(kPageWindowAttributes, IDC_FULLSCREEN);
    Click(kPageWindowAttributes, IDC_FULLSCREEN);
    EXPECT_FALSE(Checked(IDC_FULLSCREEN));
    EXPECT_TRUE(form->IsModified());
    EXPECT_TRUE(form->IsPageModified(kPageWindowAttributes));
}

TEST_F(WindowAttributesTest, BrowsePutsTheChosenFolderInTheField) {
    ShowPage();
    dialogs.AnswerFolder(temp.Path());
    Click(kPageWindowAttributes, IDC_FAVORITFOLDERBROWSE);
    auto shown = dialogs.ShownOf(Shown::Folder);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Favorites Import Folder");
    EXPECT_EQ(shown[0].owner, form->hwnd());
    EXPECT_EQ(Text(kPageWindowAttributes, IDC_FAVORITFOLDER), temp.Path());
    EXPECT_TRUE(form->IsPageModified(kPageWindowAttributes));

    // The folder the field already shows, or Cancel: no change.
    form->ClearAllModified();
    dialogs.AnswerFolder(temp.Path());
    Click(kPageWindowAttributes, IDC_FAVORITFOLDERBROWSE);
    dialogs.AnswerFolder(std::nullopt);
    Click(kPageWindowAttributes, IDC_FAVORITFOLDERBROWSE);
    EXPECT_TRUE(NoFlagSet());
    EXPECT_EQ(Text(kPageWindowAttributes, IDC_FAVORITFOLDER), temp.Path());
}

} // namespace

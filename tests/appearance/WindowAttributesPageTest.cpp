// The "Window Attributes" page in the main window: load, save, options and the folder dialog.
#include "support/MainWindowTest.h"

#include "appearance/WindowAttributesPage.h"

namespace {

using qmtest::ReadUserString;
using qmtest::Shown;
using qmtest::WriteUserString;
using qm::ui::kPageWindowAttributes;

constexpr const char* kMainKey = "\\Software\\Microsoft\\Internet Explorer\\Main\\";

struct Option {
    int box;
    const char* value;
};
constexpr Option kOptions[] = {
    {IDC_SHOWPICTURES, "Display Inline Images"}, {IDC_PLAYVIDEOS, "Display Inline Videos"},
    {IDC_PLAYANIMATIONS, "Play_Animations"},     {IDC_PLAYSOUNDS, "Play_Background_Sounds"},
    {IDC_FULLSCREEN, "FullScreen"},              {IDC_PRINTBACKGROUND, "Print_Background"},
    {IDC_SHOWGOBUTTON, "ShowGoButton"},
};

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

TEST_F(WindowAttributesTest, OptionsAreCheckedOnlyForYesInAnyCaseAndSavedInLowerCase) {
    const struct {
        std::optional<std::string> stored;
        bool checked;
    } cases[] = {{"Yes", true}, {"yes", true}, {"YES", true},  {"no", false},
                 {"1", false},  {"true", false}, {"", false}, {" yes", false},
                 {std::nullopt, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored.value_or("(absent)"));
        for (const Option& option : kOptions) {
            if (c.stored)
                qmtest::WriteUserString(kMainKey, option.value, *c.stored);
            else
                qmtest::RemoveValue(HKEY_CURRENT_USER, kMainKey, option.value);
        }
        ShowPage();
        for (const Option& option : kOptions) EXPECT_EQ(Checked(option.box), c.checked) << option.value;
        Save();
        for (const Option& option : kOptions)
            EXPECT_EQ(ReadUserString(kMainKey, option.value), c.checked ? "yes" : "no") << option.value;
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
    EXPECT_EQ(ReadUserString(kMainKey, "ShowGoButton"), "no");
    EXPECT_TRUE(dialogs.Shown().empty());
}

TEST_F(WindowAttributesTest, ANonStringValueStopsTheLoadThereAndKeepsTheFlags) {
    WriteUserString(kMainKey, "Window Title", "Loaded");
    qmtest::WriteUserInteger(kMainKey, "Search Page", 1);
    WriteUserString(kMainKey, "FavoritesImportFolder", "C:\\Not loaded");
    dialogs.ExpectApplicationError("Invalid data type for 'Search Page'");
    ShowPage();
    EXPECT_EQ(Text(kPageWindowAttributes, IDC_WTITLEEDIT), "Loaded");
    EXPECT_EQ(Text(kPageWindowAttributes, IDC_FAVORITFOLDER), "");
    EXPECT_TRUE(form->IsModified());
    EXPECT_TRUE(form->IsPageModified(kPageWindowAttributes));
}

TEST_F(WindowAttributesTest, WithoutTheMainKeyASaveReportsTheFailureAndWritesNothing) {
    ShowPage();
    qmtest::RemoveKey(HKEY_CURRENT_USER, kMainKey);
    dialogs.ExpectError("Error while trying to write registry data");
    Save();
    qmtest::ExpectNoKey(HKEY_CURRENT_USER, kMainKey);
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

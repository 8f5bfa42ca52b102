// The "Window Attributes" page in the main window: load, save, options and the folder dialog.
#include "AppearanceFixture.h"

#include "appearance/WindowAttributesPage.h"

namespace {

using appearancetest::ExpandSz;
using appearancetest::kMainKey;
using qm::ui::kPageWindowAttributes;
using qmtest::ReadUserString;
using qmtest::Shown;
using qmtest::WriteUserString;

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

class WindowAttributesTest : public appearancetest::AppearancePageTest {
protected:
    const appearancetest::AppearancePage& P() const override {
        return appearancetest::kWindowAttributes;
    }
    bool Checked(int box) { return qm::ui::IsChecked(Control(kPageWindowAttributes, box)); }
};

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

// Each field shows its value as stored, and an emptied one is saved by its own rule.
TEST_F(WindowAttributesTest, TheFourFieldsLoadUnchangedAndEmptiedAreSavedByTheirOwnRules) {
    const struct {
        const char* value;
        int field;
        const char* stored;
        std::optional<std::string> emptied; // nothing: the value is deleted
    } fields[] = {
        {"Window Title", IDC_WTITLEEDIT, " My browser ", std::nullopt},
        {"Start Page", IDC_STARTPAGE, "http://example.org/", "about:blank"},
        {"Search Page", IDC_SEARCHPAGE, "http://search.example/", ""},
        {"FavoritesImportFolder", IDC_FAVORITFOLDER, "C:\\Imports", ""},
    };
    for (const auto& f : fields) WriteUserString(kMainKey, f.value, f.stored);
    ShowPage();
    for (const auto& f : fields) EXPECT_EQ(Text(kPageWindowAttributes, f.field), f.stored);
    EXPECT_TRUE(NoFlagSet());
    for (const auto& f : fields) Type(kPageWindowAttributes, f.field, "");
    Save();
    for (const auto& f : fields)
        EXPECT_EQ(ReadUserString(kMainKey, f.value), f.emptied) << f.value << ", emptied";
    EXPECT_FALSE(ReadUserString(kMainKey, "ShowGoButton")); // untouched and absent: stays absent
    // Emptied, an expandable start page becomes the blank page, still expandable.
    qmtest::PutValues(HKEY_CURRENT_USER, kMainKey, {{"Start Page", ExpandSz("file:///%D%/s.htm")}});
    ShowPage();
    Type(kPageWindowAttributes, IDC_STARTPAGE, "");
    Save();
    EXPECT_EQ(Stored("Start Page"), ExpandSz("about:blank"));
    EXPECT_TRUE(dialogs.Shown().empty());
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

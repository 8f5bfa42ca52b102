// The current user's settings (context menu, backgrounds, window attributes) where an
// administrator has locked them: they are listed and shown, a save is refused with a message
// that says why and offers no restart, and nothing is written. The registry is checked
// through the plain platform calls.
#include "support/MachineViews.h"
#include "support/MainWindowTest.h"

#include "ui/Rights.h"

namespace {

using qm::ui::kPageBackgrounds;
using qm::ui::kPageContextMenu;
using qm::ui::kPageWindowAttributes;
using qmtest::RawPut;
using qmtest::RawRead;
using qmtest::RawStrings;
using qmtest::RefuseChanges;
using qmtest::Shown;

const std::string kBrowser = "Software\\Microsoft\\Internet Explorer";

std::string Refusal(const std::string& failure) {
    return qm::ui::RefusalText(qm::ui::RefusedKeys::CurrentUser, failure);
}

class RefusedUserSettingsTest : public qmtest::MainWindowTest {
protected:
    void SetUp() override {
        RawPut(HKEY_CURRENT_USER, 0, kBrowser + "\\MenuExt\\Entry", {{"", "page.htm"}});
        RawPut(HKEY_CURRENT_USER, 0, kBrowser + "\\Toolbar", {{"BackBitmapIE5", "old.bmp"}});
        RawPut(HKEY_CURRENT_USER, 0, kBrowser + "\\Main", {{"Window Title", "old title"}});
        MainWindowTest::SetUp();
    }
    void Save() { ClickToolButton(IDM_SAVE); }
};

TEST_F(RefusedUserSettingsTest, LockedPagesShowTheirSettingsRefuseSavesAndWriteNothing) {
    RefuseChanges refuse(HKEY_CURRENT_USER, kBrowser);

    MenuCommand(IDM_VIEWCONTEXTMENU);
    EXPECT_EQ(Text(kPageContextMenu, IDC_MENUEDIT), "Entry");
    EXPECT_EQ(Text(kPageContextMenu, IDC_DEFAULTEDIT), "page.htm");
    Type(kPageContextMenu, IDC_DEFAULTEDIT, "new.htm");
    dialogs.ExpectError(Refusal("The context menu entry \"Entry\" cannot be saved"));
    Save();
    Type(kPageContextMenu, IDC_MENUEDIT, "Renamed");
    dialogs.ExpectError(Refusal("The context menu entry \"Entry\" cannot be renamed"));
    Save();
    dialogs.AnswerQuestion(
        true, "Ok to delete the context menu?\n\"Entry\", a context menu entry of this user");
    dialogs.ExpectError(Refusal("The context menu entry \"Entry\" cannot be deleted"));
    ClickToolButton(IDM_DELETE);

    MenuCommand(IDM_VIEWTBBACKGROUND);
    EXPECT_EQ(Text(kPageBackgrounds, IDC_TBIMAGEEDIT), "old.bmp");
    Type(kPageBackgrounds, IDC_TBIMAGEEDIT, "");
    dialogs.ExpectError(Refusal("The backgrounds cannot be saved"));
    Save();

    MenuCommand(IDM_VIEWWINDOWTITLE);
    EXPECT_EQ(Text(kPageWindowAttributes, IDC_WTITLEEDIT), "old title");
    Type(kPageWindowAttributes, IDC_WTITLEEDIT, "new title");
    dialogs.ExpectError(Refusal("The window attributes cannot be saved"));
    Save();

    EXPECT_EQ(RawRead(HKEY_CURRENT_USER, 0, kBrowser + "\\MenuExt\\Entry"),
              (RawStrings{{"", "page.htm"}}));
    EXPECT_EQ(RawRead(HKEY_CURRENT_USER, 0, kBrowser + "\\Toolbar"),
              (RawStrings{{"BackBitmapIE5", "old.bmp"}}));
    EXPECT_EQ(RawRead(HKEY_CURRENT_USER, 0, kBrowser + "\\Main"),
              (RawStrings{{"Window Title", "old title"}}));
    EXPECT_TRUE(dialogs.ShownOf(Shown::Elevation).empty());
    EXPECT_GT(refuse.refused, 0);
}

} // namespace

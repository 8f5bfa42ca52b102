// The button page for a user without the rights to change the machine's keys, and the
// machine's buttons in both registry views. The registry is checked through the plain
// platform calls.

#include "ButtonPageFixture.h"

#include "ui/Rights.h"

#include "support/MachineViews.h"

#include <algorithm>

namespace {

using qmtest::kBothViews;
using qmtest::RawKeyExists;
using qmtest::RawPut;
using qmtest::RawRead;
using qmtest::RawStrings;
using qmtest::RawSubKeys;
using qmtest::RefuseChanges;
using qmtest::Shown;
using qmtest::ViewName;

const std::string kExt = "Software\\Microsoft\\Internet Explorer\\Extensions";
const std::string kOnly32 = "{0A000000-0000-0000-0000-000000000032}";
const std::string kOnly64 = "{0A000000-0000-0000-0000-000000000064}";
const std::string kBoth = "{0A000000-0000-0000-0000-0000000000BB}";
const std::string kUser = "{0A000000-0000-0000-0000-0000000000CC}";
const std::string kOwnRecordPath = "Software\\qzo\\Quillmere\\StdBtn";

std::string Path(const std::string& key) { return kExt + "\\" + key; }

std::string MachineRefusal(const std::string& failure) {
    return qm::ui::RefusalText(qm::ui::RefusedKeys::Machine, failure);
}

class ButtonPageRightsTest : public qmtest::ButtonPageTest {
protected:
    void PutButtons() {
        RawPut(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, Path(kOnly32), {{"ButtonText", "32 only"}});
        RawPut(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, Path(kOnly64), {{"ButtonText", "64 only"}});
        for (REGSAM view : kBothViews)
            RawPut(HKEY_LOCAL_MACHINE, view, Path(kBoth),
                   {{"ButtonText", view == KEY_WOW64_32KEY ? "both, 32" : "both, 64"},
                    {"Exec", "x.exe"}});
        RawPut(HKEY_CURRENT_USER, 0, Path(kUser), {{"ButtonText", "user"}, {"CLSID", "{C}"}});
    }
    void Show(const std::string& key) {
        for (int i = 0; i < page->StripButtonCount(); ++i)
            if (page->StripKey(i) == key) ClickStrip(i);
        ASSERT_EQ(page->ShownKey(), key);
    }
    // Both views of every machine button as they were put.
    void ExpectMachineButtonsUntouched() {
        EXPECT_EQ(RawRead(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, Path(kOnly32)),
                  (RawStrings{{"ButtonText", "32 only"}}));
        EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, Path(kOnly32)));
        EXPECT_EQ(RawRead(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, Path(kOnly64)),
                  (RawStrings{{"ButtonText", "64 only"}}));
        EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, Path(kOnly64)));
        for (REGSAM view : kBothViews) {
            EXPECT_EQ(RawRead(HKEY_LOCAL_MACHINE, view, Path(kBoth)),
                      (RawStrings{{"ButtonText", view == KEY_WOW64_32KEY ? "both, 32" : "both, 64"},
                                  {"Exec", "x.exe"}}))
                << ViewName(view);
            EXPECT_EQ(RawSubKeys(HKEY_LOCAL_MACHINE, view, kExt).size(), 2u) << ViewName(view);
        }
    }
};

TEST_F(ButtonPageRightsTest, WithoutRightsEveryButtonOfBothViewsIsListedOnceAndShown) {
    PutButtons();
    RefuseChanges refuse(HKEY_LOCAL_MACHINE, "Software");
    page->ListButtons(-1);
    std::vector<std::string> keys = StripKeys();
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, (std::vector<std::string>{kOnly32, kOnly64, kBoth, kUser}));
    Show(kBoth);
    EXPECT_EQ(Text(IDC_BUTTONTEXT), "both, 32"); // the 32-bit view's copy
    Show(kOnly64);
    EXPECT_EQ(Text(IDC_BUTTONTEXT), "64 only");
    EXPECT_EQ(refuse.refused, 0);
    EXPECT_TRUE(dialogs.Shown().empty());
}

TEST_F(ButtonPageRightsTest, RefusedSaveDeleteAndAddSayWhatNeedsRightsAndChangeNothing) {
    PutButtons();
    page->ListButtons(-1);
    Show(kBoth);
    RefuseChanges refuse(HKEY_LOCAL_MACHINE, "Software");

    Type(IDC_BUTTONTEXT, "edited");
    dialogs.AnswerQuestion(false, MachineRefusal("The button \"edited\" cannot be saved"));
    page->Save();
    EXPECT_EQ(Text(IDC_BUTTONTEXT), "edited"); // the edits stay in the fields

    dialogs.AnswerQuestion(
        true,
        "Ok to delete the button?\n\"both, 32\", a toolbar button of all users of this computer");
    dialogs.AnswerQuestion(false, MachineRefusal("The button \"both, 32\" cannot be deleted"));
    page->Delete();

    // Add replaces the fields: the edits still unsaved are asked about first.
    dialogs.AnswerQuestion(false, "Save changes in button \"edited\"?");
    dialogs.AnswerQuestion(false, MachineRefusal("The button cannot be added"));
    // Declined, the button is offered for this user alone; declined too.
    dialogs.AnswerQuestion(false);
    page->Add(0);

    ExpectMachineButtonsUntouched();
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, 0, kOwnRecordPath));
    EXPECT_EQ(page->StripButtonCount(), 4);
    EXPECT_TRUE(dialogs.ShownOf(Shown::Error).empty());
    EXPECT_TRUE(dialogs.ShownOf(Shown::Elevation).empty());
}

TEST_F(ButtonPageRightsTest, ARefusedUserButtonIsOnlyReportedForElevationWouldNotHelp) {
    PutButtons();
    page->ListButtons(-1);
    Show(kUser);
    RefuseChanges refuse(HKEY_CURRENT_USER, kExt);
    Type(IDC_BUTTONTEXT, "edited");
    dialogs.ExpectError(qm::ui::RefusalText(qm::ui::RefusedKeys::CurrentUser,
                                            "The button \"edited\" cannot be saved"));
    page->Save();
    EXPECT_EQ(RawRead(HKEY_CURRENT_USER, 0, Path(kUser)),
              (RawStrings{{"ButtonText", "user"}, {"CLSID", "{C}"}}));
}

TEST_F(ButtonPageRightsTest, ADeclinedElevationPromptLosesNothingAndTheWindowStays) {
    PutButtons();
    page->ListButtons(-1);
    Show(kBoth);
    RefuseChanges refuse(HKEY_LOCAL_MACHINE, "Software");
    Type(IDC_BUTTONTEXT, "edited");
    ASSERT_TRUE(host.IsPageModified(qm::ui::kPageButtons));

    // Yes to making the change with administrator rights, then the elevation prompt, which the
    // user declines: no other question, nothing written, the edits still unsaved.
    dialogs.AnswerQuestion(true, MachineRefusal("The button \"edited\" cannot be saved"));
    dialogs.AnswerElevation(false);
    page->Save();
    EXPECT_EQ(Text(IDC_BUTTONTEXT), "edited");
    EXPECT_TRUE(host.IsPageModified(qm::ui::kPageButtons)); // still unsaved, and known to be
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, owner, WM_CLOSE, WM_CLOSE, PM_NOREMOVE));
    ExpectMachineButtonsUntouched();
}

TEST_F(ButtonPageRightsTest, SaveWritesTheViewsThatHoldTheRecordAddAndDeleteBoth) {
    PutButtons();
    page->ListButtons(-1);
    Show(kOnly64);
    Type(IDC_BUTTONTEXT, "edited");
    page->Save();
    // The 32-bit browser never had this button: a save does not give it one.
    EXPECT_EQ(RawRead(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, Path(kOnly64))
                  .value_or(RawStrings{})["ButtonText"],
              "edited");
    EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, Path(kOnly64)));

    Show(kBoth);
    dialogs.AnswerQuestion(
        true,
        "Ok to delete the button?\n\"both, 32\", a toolbar button of all users of this computer");
    page->Delete();
    page->Add(1);
    const std::string added = qm::ButtonKeyName(1);
    for (REGSAM view : kBothViews) {
        SCOPED_TRACE(ViewName(view));
        EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, view, Path(kBoth)));
        auto made = RawRead(HKEY_LOCAL_MACHINE, view, Path(added));
        ASSERT_TRUE(made);
        EXPECT_EQ(made->at("ButtonText"), "&Highlight Selection");
        EXPECT_EQ(made->at("IsQuillmere"), "YES");
    }
    // The program's own record is the current user's, written once.
    EXPECT_EQ(RawRead(HKEY_CURRENT_USER, 0, kOwnRecordPath), (RawStrings{{"StdBtn01", added}}));
}

} // namespace

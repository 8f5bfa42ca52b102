// Page 0 in the real main window never writes into the wrong record, never drops an edit
// without a question and never shows half a record. The registry is set up and checked with
// the plain registry functions, not through the program's accessor.

#include "ButtonPageFixture.h"

#include <optional>
#include <utility>

namespace {

using qmtest::Dword;
using qmtest::Sz;

void Put(HKEY root, const std::string& keyName, const std::string& name,
         const qmtest::StoredValue& value,
         std::source_location where = std::source_location::current()) {
    qmtest::PutValues(root, qm::ButtonKeyPath(keyName), {{name, value}}, where);
}
std::optional<qmtest::StoredValue> Get(HKEY root, const std::string& keyName,
                                       const std::string& name) {
    return qmtest::StoredValueOf(root, qm::ButtonKeyPath(keyName), name);
}

using ButtonIntegrityTest = qmtest::ButtonPageInMainWindowTest;

const std::string kFirst = "{01000000-0000-0000-0000-000000000001}";
const std::string kLast = "{0F000000-0000-0000-0000-00000000000F}";

TEST_F(ButtonIntegrityTest, ARecordThatCannotBeReadLeavesNoFieldsOfAnotherRecordBehind) {
    Put(HKEY_LOCAL_MACHINE, kLast, "ButtonText", Sz("Readable"));
    Put(HKEY_LOCAL_MACHINE, kLast, "Default Visible", Sz("YES"));
    Put(HKEY_LOCAL_MACHINE, kLast, "MenuText", Sz("In the menu"));
    Put(HKEY_LOCAL_MACHINE, kLast, "Icon", Sz("C:\\windows\\system32\\shell32.dll,4"));
    Put(HKEY_LOCAL_MACHINE, kFirst, "ButtonText", Sz("Unreadable"));
    Put(HKEY_LOCAL_MACHINE, kFirst, "Default Visible", Dword(1));
    Open();
    ASSERT_EQ(page->ShownKey(), kLast);
    ASSERT_EQ(page->StripKey(0), kFirst);

    dialogs.ExpectApplicationError("Invalid data type for 'Default Visible'");
    ClickStrip(0);
    EXPECT_EQ(dialogs.ShownOf(qmtest::Shown::ApplicationError).size(), 1u);
    // Neither record's values are in the fields, and nothing is offered for saving.
    EXPECT_EQ(Text(IDC_STATICTEXT1), "");
    EXPECT_EQ(Text(IDC_BUTTONTEXT), "");
    EXPECT_EQ(Text(IDC_MENUTEXTEDIT), "");
    EXPECT_EQ(Text(IDC_ICONEDIT), "");
    EXPECT_FALSE(Checked(IDC_DEFAULTVISIBLE));
    EXPECT_FALSE(Checked(IDC_SHOWINTOOLS));
    EXPECT_TRUE(NoFlagSet());

    // Clicking the readable record asks nothing; a Save then writes nothing into the other.
    ClickStrip(1);
    EXPECT_EQ(page->ShownKey(), kLast);
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, kFirst, "ButtonText"), Sz("Unreadable"));
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, kFirst, "Default Visible"), Dword(1));
    EXPECT_FALSE(Get(HKEY_LOCAL_MACHINE, kFirst, "MenuText"));
    EXPECT_EQ(dialogs.Shown().size(), 1u);
}

TEST_F(ButtonIntegrityTest, TheSaveQuestionComesBeforeARebuildAndSavesWhereTheRecordLives) {
    // The same key name under both roots; only the machine's copy passes the filter.
    Put(HKEY_LOCAL_MACHINE, kFirst, "ButtonText", Sz("Machine copy"));
    Put(HKEY_LOCAL_MACHINE, kFirst, "IsQuillmere", Sz("YES"));
    Put(HKEY_CURRENT_USER, kFirst, "CLSID", Sz(qmtest::kOtherClsid));
    Put(HKEY_CURRENT_USER, kFirst, "ButtonText", Sz("User copy"));
    Open();
    ASSERT_EQ(page->StripButtonCount(), 2);
    ClickStrip(0); // the current user's copy
    ASSERT_EQ(Text(IDC_BUTTONTEXT), "User copy");
    Type(IDC_BUTTONTEXT, "Edited by the user");

    dialogs.AnswerQuestion(true, "Save changes in button \"Edited by the user\"?");
    Click(IDC_ONLYQUILLMERE);
    EXPECT_EQ(Get(HKEY_CURRENT_USER, kFirst, "ButtonText"), Sz("Edited by the user"));
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, kFirst, "ButtonText"), Sz("Machine copy"));
    EXPECT_EQ(page->ShownKey(), kFirst);
    EXPECT_EQ(Text(IDC_BUTTONTEXT), "Machine copy");

    // A rebuild that leaves no button to show asks too, before the fields are emptied.
    // Another program takes the marker away.
    qmtest::RemoveValue(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(kFirst), "IsQuillmere");
    Type(IDC_BUTTONTEXT, "Edited machine copy");
    dialogs.AnswerQuestion(true, "Save changes in button \"Edited machine copy\"?");
    Command(IDM_REFRESH);
    EXPECT_EQ(page->ShownKey(), "");
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, kFirst, "ButtonText"), Sz("Edited machine copy"));
    EXPECT_EQ(Get(HKEY_CURRENT_USER, kFirst, "ButtonText"), Sz("Edited by the user"));
}

TEST_F(ButtonIntegrityTest, SaveWithNoRecordShownSaysWhatToDoOnceAndKeepsTheTypedText) {
    Open();
    ASSERT_EQ(page->ShownKey(), "");
    Type(IDC_BUTTONTEXT, "Typed first");
    Type(IDC_EXECEDIT, "notes.exe");
    dialogs.ExpectError("No toolbar button is shown. Use Add to make a new one.");
    Command(IDM_SAVE);
    EXPECT_EQ(dialogs.Shown().size(), 1u);
    EXPECT_EQ(Text(IDC_BUTTONTEXT), "Typed first");
    EXPECT_EQ(Text(IDC_EXECEDIT), "notes.exe");
    EXPECT_EQ(page->StripButtonCount(), 1); // the placeholder, not rebuilt
    EXPECT_FALSE(qmtest::StoredKeyExists(HKEY_LOCAL_MACHINE, qm::kExtensionsKey));
}

TEST_F(ButtonIntegrityTest, ARefreshThatFailsAfterASaveIsReportedOnce) {
    Put(HKEY_LOCAL_MACHINE, kLast, "ButtonText", Sz("Saved"));
    Put(HKEY_LOCAL_MACHINE, kFirst, "ButtonText", Sz("Other"));
    Open();
    ASSERT_EQ(page->ShownKey(), kLast);
    Put(HKEY_LOCAL_MACHINE, kFirst, "ButtonText", Dword(5)); // another program's doing
    Type(IDC_BUTTONTEXT, "Saved again");
    dialogs.ExpectApplicationError("Invalid data type for 'ButtonText'");
    Command(IDM_SAVE);
    EXPECT_EQ(dialogs.Shown().size(), 1u);
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, kLast, "ButtonText"), Sz("Saved again"));
}

TEST_F(ButtonIntegrityTest, AddTakesNoNameTheCurrentUserHolds) {
    const std::string taken = qm::ButtonKeyName(1);
    Put(HKEY_CURRENT_USER, taken, "CLSID", Sz(qmtest::kOtherClsid));
    Put(HKEY_CURRENT_USER, taken, "ButtonText", Sz("The user's own"));
    Open();
    AddFromCategory(0);

    const std::string made = qm::ButtonKeyName(2);
    EXPECT_FALSE(qmtest::StoredKeyExists(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(taken)));
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, made, "ButtonText"), Sz("QZO Menu"));
    EXPECT_EQ(page->ShownKey(), made);
    EXPECT_EQ(Text(IDC_BUTTONTEXT), "QZO Menu");
    EXPECT_EQ(Get(HKEY_CURRENT_USER, taken, "ButtonText"), Sz("The user's own"));
    EXPECT_FALSE(Get(HKEY_CURRENT_USER, taken, "IsQuillmere"));
}

TEST_F(ButtonIntegrityTest, StripHintsShowTheirAmpersands) {
    Put(HKEY_LOCAL_MACHINE, kFirst, "ButtonText", Sz("&Highlight Selection"));
    Open();
    HWND tips = reinterpret_cast<HWND>(SendMessageA(page->ToolBar2(), TB_GETTOOLTIPS, 0, 0));
    ASSERT_NE(tips, nullptr);
    EXPECT_TRUE(GetWindowLongPtrA(tips, GWL_STYLE) & TTS_NOPREFIX);
}

} // namespace

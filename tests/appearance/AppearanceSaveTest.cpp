// What the two appearance pages share through the one guarded save: a value that is not a text
// stops the load and refuses every save, a text too long to edit is kept, a value another
// program changed since it was shown is asked about, a missing key is reported, and what the
// user did not edit keeps its type and bytes. Each page
// is a row; the registry is seeded and read with plain registry calls.
#include "AppearanceFixture.h"

namespace {

using namespace appearancetest;
using qmtest::ReadUserString;
using qmtest::Sz;

class AppearanceSaveTest : public AppearancePageTest,
                           public ::testing::WithParamInterface<AppearancePage> {
protected:
    const AppearancePage& P() const override { return GetParam(); }
    // The option's text as stored, or ifNone for a page without one.
    std::optional<std::string> OptionStored(const char* ifNone) {
        return P().option.value ? ReadUserString(P().key, P().option.value) : ifNone;
    }
};

TEST_P(AppearanceSaveTest, ANonTextValueStopsTheLoadThereClearsTheFlagsAndRefusesSaves) {
    Put(P().first, "C:\\loaded.bmp");
    qmtest::WriteUserInteger(P().key, P().second.value, 7);
    if (P().option.value) Put(P().option, "yes");
    dialogs.ExpectApplicationError(std::string("Invalid data type for '") + P().second.value + "'");
    ShowPage();
    EXPECT_EQ(Shown(P().first), "C:\\loaded.bmp") << "what came before stays";
    EXPECT_EQ(Shown(P().second), "");
    EXPECT_FALSE(P().option.value && qm::ui::IsChecked(Control(P().page, P().option.id)))
        << "an option after the damage is not loaded";
    EXPECT_TRUE(!P().nothingShownOfSecond || P().nothingShownOfSecond(*form));
    EXPECT_TRUE(NoFlagSet()) << "the filling is no edit: leaving must not offer to save it";

    // Save would write empty texts and "no" over values the page never showed: it is refused,
    // from the command and from the question on leaving, and the edit is kept.
    const auto damaged = Stored(P().second);
    const std::string refusal = std::string("The ") + P().what + " cannot be saved: the value \"" +
                                P().second.value +
                                "\" is not a text. Correct or delete it, then show the page again.";
    dialogs.ExpectError(refusal);
    Save();
    Type(P().first, "C:\\typed.bmp");
    dialogs.ExpectError(refusal);
    Save();
    EXPECT_TRUE(form->IsPageModified(P().page)) << "the refused edit is kept as an edit";
    dialogs.AnswerQuestion(true, std::string("Save changes in ") + P().what + "?");
    dialogs.ExpectError(refusal);
    ClickTab(P().elsewhere);
    EXPECT_EQ(Stored(P().second), damaged);
    EXPECT_EQ(Stored(P().first), Sz("C:\\loaded.bmp"));
    EXPECT_EQ(OptionStored("yes"), "yes");

    // Repaired and shown again: saves work.
    qmtest::PutText(HKEY_CURRENT_USER, P().key, P().second.value, "C:\\old.bmp");
    ShowPage();
    Type(P().second, "C:\\new.bmp");
    Save();
    EXPECT_EQ(Stored(P().second), Sz("C:\\new.bmp"));
}

TEST_P(AppearanceSaveTest, ATextTooLongToEditIsShownInPartReadOnlyAndKeptOnSave) {
    const std::string path = "C:\\" + std::string(40000, 'p') + ".bmp";
    qmtest::PutText(HKEY_CURRENT_USER, P().key, P().first.value, path);
    dialogs.ExpectError(std::string("The value \"") + P().first.value +
                        "\" is too long to edit. It is shown in part and kept as stored when the "
                        "page is saved.");
    ShowPage();
    EXPECT_EQ(Shown(P().first), path.substr(0, 32 * 1024));
    EXPECT_TRUE(ReadOnly(P().first));
    EXPECT_TRUE(NoFlagSet());
    Type(P().second, "C:\\other.bmp");
    Save();
    EXPECT_EQ(Stored(P().first), Sz(path));
    EXPECT_EQ(Stored(P().second), Sz("C:\\other.bmp"));
    // The next load of an ordinary text makes the field editable again.
    Put(P().first, "C:\\short.bmp");
    ShowPage();
    EXPECT_FALSE(ReadOnly(P().first));
}

TEST_P(AppearanceSaveTest, SavingOverValuesAnotherProgramChangedSinceTheyWereShownAsksFirst) {
    Put(P().first, "C:\\shown.bmp");
    ShowPage();
    // Another copy of the program saves meanwhile.
    Put(P().first, "C:\\theirs.bmp");
    Put(P().second, "C:\\theirs2.bmp");
    Type(P().first, "C:\\mine.bmp");
    if (P().option.value) { // changed elsewhere to just what the click saves: nothing to ask
        Put(P().option, "yes");
        Click(P().page, P().option.id);
    }
    const std::string question = std::string("The ") + P().what +
                                 " were changed in the registry since they were shown (\"" +
                                 P().first.value + "\"). Overwrite them?";
    dialogs.AnswerQuestion(false, question);
    Save();
    EXPECT_EQ(Stored(P().first), Sz("C:\\theirs.bmp"));
    EXPECT_TRUE(form->IsPageModified(P().page)) << "No keeps the edit";
    dialogs.AnswerQuestion(true, question);
    Save();
    EXPECT_EQ(Stored(P().first), Sz("C:\\mine.bmp"));
    // The value the user did not edit keeps the other program's save.
    EXPECT_EQ(Stored(P().second), Sz("C:\\theirs2.bmp"));
    EXPECT_EQ(OptionStored("yes"), "yes");
    Type(P().first, "C:\\mine2.bmp");
    Save(); // what this page wrote itself is no change by another program
    EXPECT_EQ(dialogs.ShownOf(qmtest::Shown::Question).size(), 2u);
}

TEST_P(AppearanceSaveTest, WithoutItsKeyASaveReportsTheFailureAndWritesNothing) {
    ShowPage();
    qmtest::RemoveKey(HKEY_CURRENT_USER, P().key);
    Save(); // nothing edited, empty fields: deleting absent values is no error
    EXPECT_TRUE(dialogs.Shown().empty());
    Type(P().second, "C:\\typed.bmp");
    dialogs.ExpectError("Error while trying to write registry data");
    Save();
    qmtest::ExpectNoKey(HKEY_CURRENT_USER, P().key); // opened, never created
}

TEST_P(AppearanceSaveTest, UntouchedValuesKeepTypeAndBytesAndAnEditedExpandableOneStaysSo) {
    // Stored as the user or another tool left them: expandable, and with bytes after the text.
    const qmtest::StoredValue expandable = ExpandSz("%WINDIR%\\web\\tile.bmp");
    const qmtest::StoredValue tailed{REG_SZ, std::string("C:\\x.bmp\0junk\0", 14)};
    qmtest::PutValues(HKEY_CURRENT_USER, P().key,
                      {{P().first.value, expandable}, {P().second.value, tailed}});
    if (P().option.value) Put(P().option, "YES");
    ShowPage();
    Save(); // nothing edited: nothing is written
    EXPECT_EQ(Stored(P().first), expandable);
    EXPECT_EQ(Stored(P().second), tailed);

    Type(P().first, "%USERPROFILE%\\tile.bmp");
    Save();
    EXPECT_EQ(Stored(P().first), ExpandSz("%USERPROFILE%\\tile.bmp"));
    EXPECT_EQ(Stored(P().second), tailed);
    EXPECT_EQ(OptionStored("YES"), "YES") << "not rewritten in lower case";
    EXPECT_TRUE(dialogs.Shown().empty());
}

INSTANTIATE_TEST_SUITE_P(Pages, AppearanceSaveTest,
                         ::testing::Values(kBackgrounds, kWindowAttributes),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace

// Page 0 with data it cannot take whole and records that change under it: values too long to
// edit, values another program changed since they were shown, key names of 255 characters,
// and texts the page cannot show exactly. The registry is seeded and checked with plain calls.

#include "ButtonPageFixture.h"

#include "registry/ShownValues.h"
#include "support/MachineViews.h"

#include <chrono>

namespace {

using qmtest::PutRecord;
using qmtest::Shown;
using qmtest::StoredValueOf;
using qmtest::Sz;

const std::string kKey = "{0A000000-0000-0000-0000-00000000000A}";

class ButtonRobustnessTest : public qmtest::ButtonPageTest {
protected:
    std::string Path() const { return qm::ButtonKeyPath(kKey); }
    std::optional<qmtest::StoredValue> Stored(const std::string& name) const {
        return StoredValueOf(HKEY_LOCAL_MACHINE, Path(), name);
    }
    bool ReadOnly(int id) const {
        return (GetWindowLongA(Field(id), GWL_STYLE) & ES_READONLY) != 0;
    }
};

TEST_F(ButtonRobustnessTest, AValueTooLongToEditIsShownInPartQuicklyAndKeptByteForByte) {
    const std::string text(10 * 1024 * 1024, 't');
    const std::string icon = "C:\\" + std::string(100 * 1024, 'i') + ".ico";
    qmtest::PutValues(HKEY_LOCAL_MACHINE, Path(),
                      {{"ButtonText", Sz(text)}, {"Exec", Sz("run.exe")}, {"Icon", Sz(icon)}});

    dialogs.ExpectError("The value \"ButtonText\" of the toolbar button " + kKey +
                        " is too long to edit. It is shown in part and kept as stored when the "
                        "button is saved.");
    const auto start = std::chrono::steady_clock::now();
    page->ListButtons(-1);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::seconds(5)) << "listing and showing froze";
    ASSERT_EQ(page->ShownKey(), kKey);
    EXPECT_EQ(Text(IDC_BUTTONTEXT).size(), qm::kMaxFieldText);
    EXPECT_EQ(Text(IDC_ICONEDIT).size(), qm::kMaxFieldText);
    EXPECT_TRUE(ReadOnly(IDC_BUTTONTEXT));
    EXPECT_TRUE(ReadOnly(IDC_ICONEDIT));
    EXPECT_FALSE(ReadOnly(IDC_HOTICONEDIT));
    const std::string hint = HintOf(0);
    EXPECT_LE(hint.substr(0, hint.find("\r\n")).size(), 1024u + 3);

    // Another field edited and saved: that value alone is written.
    Type(IDC_HOTICONEDIT, "hot.ico");
    page->Save();
    EXPECT_EQ(dialogs.ShownOf(Shown::Error).size(), 1u);
    EXPECT_EQ(Stored("HotIcon"), Sz("hot.ico"));
    EXPECT_EQ(Stored("ButtonText"), Sz(text));
    EXPECT_EQ(Stored("Icon"), Sz(icon));
    EXPECT_EQ(Stored("Exec"), Sz("run.exe"));

    // A record of ordinary size shown next makes its fields editable again.
    PutRecord(HKEY_LOCAL_MACHINE, "{0B000000-0000-0000-0000-00000000000B}", {{"ButtonText", "b"}});
    dialogs.ExpectError();
    page->ListButtons(0);
    const int other = page->StripKey(0) == kKey ? 1 : 0;
    ClickStrip(other);
    EXPECT_EQ(Text(IDC_BUTTONTEXT), "b");
    EXPECT_FALSE(ReadOnly(IDC_BUTTONTEXT));
    EXPECT_FALSE(ReadOnly(IDC_ICONEDIT));
}

TEST_F(ButtonRobustnessTest,
       AnEditedValueChangedElsewhereSinceShownIsOverwrittenOnlyWhenTheUserSaysSo) {
    PutRecord(HKEY_LOCAL_MACHINE, kKey,
              {{"ButtonText", "mine"}, {"Exec", "a.exe"}, {"Icon", "a.ico"}, {"MenuText", "m"}});
    page->ListButtons(-1);
    Type(IDC_BUTTONTEXT, "typed");
    // Another program (or another copy of Quillmere) saves the same record meanwhile.
    qmtest::PutText(HKEY_LOCAL_MACHINE, Path(), "ButtonText", "theirs");
    qmtest::PutText(HKEY_LOCAL_MACHINE, Path(), "Icon", "their.ico");
    const std::string question = "The button \"typed\" was changed in the registry since it was "
                                 "shown (\"ButtonText\"). Overwrite it?";

    // No: nothing written, the edit stays and is still unsaved.
    dialogs.AnswerQuestion(false, question);
    page->Save();
    EXPECT_EQ(Stored("ButtonText"), Sz("theirs"));
    EXPECT_EQ(Text(IDC_BUTTONTEXT), "typed");
    EXPECT_TRUE(host.IsPageModified(qm::ui::kPageButtons));

    // The save question's Yes asks the same; Yes there writes the edited value alone: the icon
    // the user did not touch keeps the other program's change.
    dialogs.AnswerQuestion(true, "Save changes in button \"typed\"?");
    dialogs.AnswerQuestion(true, question);
    host.OfferSave(qm::ui::kPageButtons, true);
    EXPECT_EQ(Stored("ButtonText"), Sz("typed"));
    EXPECT_EQ(Stored("Icon"), Sz("their.ico"));
    EXPECT_EQ(Stored("Exec"), Sz("a.exe"));
    EXPECT_EQ(Stored("MenuText"), Sz("m"));

    // Cleared "Show In Tools" deletes the menu text; a change to it since is asked about too.
    Click(IDC_SHOWINTOOLS);
    qmtest::PutText(HKEY_LOCAL_MACHINE, Path(), "MenuText", "their menu");
    dialogs.AnswerQuestion(false);
    page->Save();
    EXPECT_EQ(Stored("MenuText"), Sz("their menu"));
    EXPECT_EQ(dialogs.PendingAnswers(), 0u);
}

TEST_F(ButtonRobustnessTest, NotOverwritingWhenLeavingTheRecordKeepsItShownWithItsEdits) {
    PutRecord(HKEY_LOCAL_MACHINE, kKey, {{"ButtonText", "a"}});
    PutRecord(HKEY_LOCAL_MACHINE, "{0B000000-0000-0000-0000-00000000000B}", {{"ButtonText", "b"}});
    page->ListButtons(-1);
    const std::string shown = page->ShownKey();
    const std::string path = qm::ButtonKeyPath(shown);
    Type(IDC_BUTTONTEXT, "typed");
    qmtest::PutText(HKEY_LOCAL_MACHINE, path, "ButtonText", "theirs");

    dialogs.AnswerQuestion(true, "Save changes in button \"typed\"?");
    dialogs.AnswerQuestion(false);
    ClickStrip(page->StripKey(0) == shown ? 1 : 0);
    EXPECT_EQ(page->ShownKey(), shown);
    EXPECT_EQ(Text(IDC_BUTTONTEXT), "typed");
    EXPECT_TRUE(host.IsPageModified(qm::ui::kPageButtons));
    EXPECT_EQ(StoredValueOf(HKEY_LOCAL_MACHINE, path, "ButtonText"), Sz("theirs"));
}

TEST_F(ButtonRobustnessTest, ARecordWithTheLongestKeyNameIsShownSavedAndDeletedUnderEitherRoot) {
    const std::string name = "{" + std::string(253, 'c') + "}";
    struct Case {
        HKEY root;
        qmtest::RawStrings values;
    };
    const Case cases[] = {
        {HKEY_LOCAL_MACHINE, {{"ButtonText", "long"}, {"Exec", "x.exe"}}},
        {HKEY_CURRENT_USER,
         {{"CLSID", qmtest::kOtherClsid}, {"ButtonText", "long"}, {"Exec", "x.exe"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.root == HKEY_LOCAL_MACHINE ? "machine" : "current user");
        // Made below the Extensions key, as the record's path from the root is longer than the
        // platform takes; machine-wide in both views, as the program keeps it.
        const std::vector<REGSAM> views =
            c.root == HKEY_LOCAL_MACHINE ? std::vector<REGSAM>{KEY_WOW64_32KEY, KEY_WOW64_64KEY}
                                         : std::vector<REGSAM>{0};
        for (REGSAM view : views) qmtest::PutBelowExtensions(c.root, view, name, c.values);

        page->ListButtons(-1);
        ASSERT_EQ(page->ShownKey(), name);
        EXPECT_EQ(Text(IDC_BUTTONTEXT), "long");
        EXPECT_EQ(Text(IDC_EXECEDIT), "x.exe");
        Type(IDC_BUTTONTEXT, "saved");
        page->Save();
        EXPECT_EQ(dialogs.ShownOf(Shown::Error).size(), 0u);
        // Read back below the Extensions key, in every view the record lives in.
        auto read = [&](REGSAM view) {
            return qmtest::ReadBelowExtensions(c.root, view, name, "ButtonText");
        };
        for (REGSAM view : views) EXPECT_EQ(read(view), "saved") << qmtest::ViewName(view);

        dialogs.AnswerQuestion(true, std::string("Ok to delete the button?\n\"saved\", ") +
                                         (c.root == HKEY_LOCAL_MACHINE
                                              ? "a toolbar button of all users of this computer"
                                              : "a toolbar button of this user only"));
        page->Delete();
        EXPECT_EQ(dialogs.ShownOf(Shown::Error).size(), 0u);
        for (REGSAM view : views) EXPECT_EQ(read(view), std::nullopt) << qmtest::ViewName(view);
        EXPECT_EQ(page->ShownKey(), "");
    }
}

TEST_F(ButtonRobustnessTest, AnEditOverATextThatCannotBeShownExactlyIsRefusedWithNothingWritten) {
    // UTF-16 with a lone surrogate: no code page, UTF-8 included, can show it, so the field
    // holds a replacement character where the stored text has something else.
    const std::wstring broken = L"A\xD800"
                                L"B";
    PutRecord(HKEY_LOCAL_MACHINE, kKey, {{"ButtonText", "x"}, {"Icon", "a.ico"}});
    const std::string narrow = Path().substr(1);
    const std::wstring path(narrow.begin(), narrow.end());
    qmtest::PutWideText(HKEY_LOCAL_MACHINE, path, L"ButtonText", REG_SZ, broken, KEY_WOW64_32KEY);
    const std::optional<qmtest::StoredValue> before = Stored("ButtonText");
    // The stored UTF-16 itself, which a narrow read cannot tell from a replacement character.
    auto wide = [&] {
        return qmtest::StoredWideValue(HKEY_LOCAL_MACHINE, path, L"ButtonText", KEY_WOW64_32KEY)
            .value_or(qmtest::WideValue{})
            .text;
    };

    page->ListButtons(-1);
    Type(IDC_BUTTONTEXT, Text(IDC_BUTTONTEXT) + "!");
    Type(IDC_ICONEDIT, "b.ico");
    dialogs.ExpectError("The value 'ButtonText' cannot be saved: it holds characters that this "
                        "system's code page cannot show. Nothing was written");
    page->Save();
    EXPECT_EQ(Stored("ButtonText"), before);
    EXPECT_EQ(wide(), broken);
    EXPECT_EQ(Stored("Icon"), Sz("a.ico"));
    EXPECT_TRUE(host.IsPageModified(qm::ui::kPageButtons));

    // Left as it was shown, the text is no obstacle: the other edit is saved.
    host.ClearAllModified();
    page->ShowButton(0);
    Type(IDC_ICONEDIT, "b.ico");
    page->Save();
    EXPECT_EQ(wide(), broken);
    EXPECT_EQ(Stored("Icon"), Sz("b.ico"));
}

} // namespace

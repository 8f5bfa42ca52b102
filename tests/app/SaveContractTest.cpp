// What Save does on every page, the same on each: it writes the values whose controls the user
// changed and nothing else, asks once before overwriting another program's change, refuses a
// text it could not show exactly, writes nothing when any of it is refused, and remembers what
// it wrote. Each page is driven in the real main window; the registry is seeded and checked
// with the plain registry functions.
#include "buttons/ButtonRecord.h"
#include "support/MachineViews.h"
#include "support/MainWindowTest.h"

#include <cstring>
#include <ostream>

namespace {

using qmtest::StoredValue;

StoredValue Expand(const std::string& text) { return {REG_EXPAND_SZ, text + '\0'}; }

// A page, one record it shows, the text field the user edits and a value the user leaves alone.
struct SavedPage {
    const char* name;
    int page;
    int viewCommand;
    HKEY root;
    const char* key;   // the record's key, from the root
    int field;         // the text field the user types into
    const char* value; // the value that field shows
    StoredValue untouched;
    const char* untouchedName;
    qmtest::StoredValues rest; // what else the record needs to be listed and shown
};

const SavedPage kPages[] = {
    {"Buttons",
     qm::ui::kPageButtons,
     IDM_VIEWSTDBTN,
     HKEY_LOCAL_MACHINE,
     "Software\\Microsoft\\Internet Explorer\\Extensions\\{AAAAAAAA-1111-2222-3333-444444444444}",
     IDC_BUTTONTEXT,
     "ButtonText",
     Expand("%SystemRoot%\\a.ico"),
     "Icon",
     {{"CLSID", qmtest::Sz(qm::kButtonClsid)}, {"Exec", qmtest::Sz("run.exe")}}},
    {"ContextMenu",
     qm::ui::kPageContextMenu,
     IDM_VIEWCONTEXTMENU,
     HKEY_CURRENT_USER,
     "Software\\Microsoft\\Internet Explorer\\MenuExt\\Entry",
     IDC_DEFAULTEDIT,
     "",
     qmtest::Dword(0x21),
     "Contexts",
     {}},
    {"Backgrounds",
     qm::ui::kPageBackgrounds,
     IDM_VIEWTBBACKGROUND,
     HKEY_CURRENT_USER,
     "Software\\Microsoft\\Internet Explorer\\Toolbar",
     IDC_TBIMAGEEDIT,
     "BackBitmapIE5",
     Expand("%SystemRoot%\\b.bmp"),
     "BackBitmapShell",
     {}},
    {"WindowAttributes",
     qm::ui::kPageWindowAttributes,
     IDM_VIEWWINDOWTITLE,
     HKEY_CURRENT_USER,
     "Software\\Microsoft\\Internet Explorer\\Main",
     IDC_WTITLEEDIT,
     "Window Title",
     Expand("%SystemRoot%\\start.htm"),
     "Start Page",
     {}},
};

void PrintTo(const SavedPage& page, std::ostream* out) { *out << page.name; }

class SaveContractTest : public qmtest::MainWindowTest,
                         public ::testing::WithParamInterface<SavedPage> {
protected:
    void SetUp() override {
        const SavedPage& p = GetParam();
        qmtest::StoredValues values = p.rest;
        values.push_back({p.value, qmtest::Sz("shown")});
        values.push_back({p.untouchedName, p.untouched});
        qmtest::PutValues(p.root, p.key, values);
        Reopen();
        ASSERT_EQ(Text(p.page, p.field), "shown");
    }
    // The program started again, showing the page.
    void Reopen() {
        form.reset();
        MainWindowTest::SetUp();
        MenuCommand(P().viewCommand);
    }
    const SavedPage& P() const { return GetParam(); }
    std::optional<StoredValue> Stored(const std::string& name) const {
        return qmtest::StoredValueOf(P().root, P().key, name);
    }
    // Another program writes a value of the record.
    void Outside(const std::string& name, const StoredValue& value) {
        qmtest::PutValues(P().root, P().key, {{name, value}});
    }
    void TypeAndSave(const std::string& text) {
        Type(P().page, P().field, text);
        ASSERT_TRUE(form->IsPageModified(P().page));
        MenuCommand(IDM_SAVE);
    }
};

TEST_P(SaveContractTest, OnlyTheEditIsWrittenAndASecondSaveWritesNothingAgain) {
    Outside(P().untouchedName, Expand("%TEMP%\\other"));
    TypeAndSave("typed");
    EXPECT_EQ(Stored(P().value), qmtest::Sz("typed"));
    // The value the user left alone keeps another program's change, type and bytes.
    EXPECT_EQ(Stored(P().untouchedName), Expand("%TEMP%\\other"));
    EXPECT_FALSE(form->IsPageModified(P().page));

    // What was written is what is shown now: saving again writes nothing over a later change.
    Outside(P().value, qmtest::Sz("later"));
    MenuCommand(IDM_SAVE);
    EXPECT_EQ(Stored(P().value), qmtest::Sz("later"));
    EXPECT_TRUE(dialogs.Shown().empty());
}

TEST_P(SaveContractTest, AChangeElsewhereIsAskedAboutOnceAndNoWritesNothing) {
    Outside(P().value, Expand("outside"));
    dialogs.AnswerQuestion(false);
    TypeAndSave("typed");
    EXPECT_EQ(Stored(P().value), Expand("outside"));
    EXPECT_TRUE(form->IsPageModified(P().page)) << "the edit is still unsaved";
    ASSERT_EQ(dialogs.ShownOf(qmtest::Shown::Question).size(), 1u);
    EXPECT_NE(dialogs.Shown().back().text.find(P().value[0] ? P().value : "(Default)"),
              std::string::npos)
        << dialogs.Shown().back().text;

    // Yes overwrites it.
    dialogs.AnswerQuestion(true);
    MenuCommand(IDM_SAVE);
    EXPECT_EQ(Stored(P().value), qmtest::Sz("typed"));
    EXPECT_FALSE(form->IsPageModified(P().page));
}

TEST_P(SaveContractTest, ATextThatWasNotShownExactlyIsNotWrittenOver) {
    // A stored UTF-16 text with a lone surrogate has no exact form in the program's text.
    const std::wstring broken = L"ab\xD800";
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(P().root, P().key, 0, KEY_SET_VALUE | KEY_WOW64_32KEY, &key),
              ERROR_SUCCESS);
    const std::wstring name(P().value, P().value + std::strlen(P().value));
    RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(broken.c_str()),
                   static_cast<DWORD>((broken.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    const std::optional<StoredValue> before = Stored(P().value);
    Reopen();
    dialogs.ExpectError();
    TypeAndSave("typed");
    EXPECT_EQ(Stored(P().value), before);
    EXPECT_TRUE(form->IsPageModified(P().page));
}

TEST_P(SaveContractTest, AWriteWindowsRefusesWritesNothingAndKeepsTheEdit) {
    qmtest::RefuseChanges refuse(P().root, P().key);
    if (P().root == HKEY_LOCAL_MACHINE)
        dialogs.AnswerQuestion(false); // not started again as administrator
    else
        dialogs.ExpectError();
    TypeAndSave("typed");
    EXPECT_GT(refuse.refused, 0);
    EXPECT_EQ(Stored(P().value), qmtest::Sz("shown"));
    EXPECT_EQ(Stored(P().untouchedName), P().untouched);
    EXPECT_TRUE(form->IsPageModified(P().page));
}

INSTANTIATE_TEST_SUITE_P(EveryPage, SaveContractTest, ::testing::ValuesIn(kPages),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace

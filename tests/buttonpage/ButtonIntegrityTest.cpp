// Page 0 in the real main window never writes into the wrong record, never drops an edit
// without a question and never shows half a record. The registry is set up and checked with
// the plain registry functions, not through the program's accessor.

#include "ButtonPageFixture.h"

#include "app/Main.h"

#include <optional>
#include <utility>

namespace {

constexpr char kExtensions[] = "Software\\Microsoft\\Internet Explorer\\Extensions\\";

REGSAM ViewOf(HKEY root) { return root == HKEY_LOCAL_MACHINE ? KEY_WOW64_32KEY : 0; }

struct Stored {
    DWORD type = REG_NONE;
    std::string bytes;
    bool operator==(const Stored&) const = default;
};
Stored Sz(const std::string& text) { return {REG_SZ, text + '\0'}; }
Stored Dword(DWORD value) { return {REG_DWORD, std::string(reinterpret_cast<char*>(&value), 4)}; }

void Put(HKEY root, const std::string& keyName, const std::string& name, const Stored& value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, (kExtensions + keyName).c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS | ViewOf(root), nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name.c_str(), 0, value.type,
                             reinterpret_cast<const BYTE*>(value.bytes.data()),
                             static_cast<DWORD>(value.bytes.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

std::optional<Stored> Get(HKEY root, const std::string& keyName, const std::string& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, (kExtensions + keyName).c_str(), 0, KEY_READ | ViewOf(root), &key) !=
        ERROR_SUCCESS)
        return std::nullopt;
    char data[1024];
    DWORD size = sizeof data, type = REG_NONE;
    LONG result =
        RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return std::nullopt;
    return Stored{type, std::string(data, size)};
}

bool KeyExists(HKEY root, const std::string& keyName) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, (kExtensions + keyName).c_str(), 0, KEY_READ | ViewOf(root), &key) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// The "Select category" dialog is modal: a timer that fires inside its loop chooses a row.
int pendingRow = -1;
void CALLBACK ChooseCategory(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = FindWindowA("#32770", "Select category");
    if (!dialog || !IsWindowVisible(dialog)) return;
    KillTimer(nullptr, timer);
    SendMessageA(GetDlgItem(dialog, IDC_CONMENU_COMBOBOX1), CB_SETCURSEL, pendingRow, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

class ButtonIntegrityTest : public qmtest::ProgramTest {
protected:
    void Open() {
        form = std::make_unique<qm::TForm1>(false);
        form->Show(SW_SHOWNOACTIVATE);
        Pump();
        page = dynamic_cast<qm::ButtonsPage*>(&form->PageAt(qm::ui::kPageButtons));
        ASSERT_NE(page, nullptr);
    }
    ~ButtonIntegrityTest() override { form.reset(); }

    static void Pump() { qm::ui::ProcessPendingMessages(); }
    std::string Text(int id) const { return qm::ui::GetText(page->Item(id)); }
    bool Checked(int id) const { return qm::ui::IsChecked(page->Item(id)); }
    void Type(int id, const std::string& text) {
        SendMessageA(page->Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        Pump();
    }
    void Click(int id) {
        SendMessageA(page->Item(id), BM_CLICK, 0, 0);
        Pump();
    }
    void ClickStrip(int position) {
        RECT item{};
        ASSERT_TRUE(SendMessageA(page->ToolBar2(), TB_GETITEMRECT, position,
                                 reinterpret_cast<LPARAM>(&item)));
        LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        SendMessageA(page->ToolBar2(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(page->ToolBar2(), WM_LBUTTONUP, 0, at);
        Pump();
    }
    void Command(int command) {
        SendMessageA(form->hwnd(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
        Pump();
    }
    bool NoFlagSet() const {
        for (int p = 0; p < qm::TForm1::kPageCount; ++p)
            if (form->IsPageModified(p)) return false;
        return !form->IsModified();
    }

    std::unique_ptr<qm::TForm1> form;
    qm::ButtonsPage* page = nullptr;
};

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
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kExtensions + kFirst).c_str(), 0,
                            KEY_ALL_ACCESS | KEY_WOW64_32KEY, &key),
              ERROR_SUCCESS);
    RegDeleteValueA(key, "IsQuillmere"); // another program takes the marker away
    RegCloseKey(key);
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
    Pump();
    EXPECT_EQ(dialogs.Shown().size(), 1u);
    EXPECT_EQ(Text(IDC_BUTTONTEXT), "Typed first");
    EXPECT_EQ(Text(IDC_EXECEDIT), "notes.exe");
    EXPECT_EQ(page->StripButtonCount(), 1); // the placeholder, not rebuilt
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                            "Software\\Microsoft\\Internet Explorer\\Extensions", 0,
                            KEY_READ | KEY_WOW64_32KEY, &key),
              ERROR_SUCCESS);
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
    Pump();
    EXPECT_EQ(dialogs.Shown().size(), 1u);
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, kLast, "ButtonText"), Sz("Saved again"));
}

TEST_F(ButtonIntegrityTest, AddTakesNoNameTheCurrentUserHolds) {
    const std::string taken = qm::ButtonKeyName(1);
    Put(HKEY_CURRENT_USER, taken, "CLSID", Sz(qmtest::kOtherClsid));
    Put(HKEY_CURRENT_USER, taken, "ButtonText", Sz("The user's own"));
    Open();
    pendingRow = 0;
    UINT_PTR timer = SetTimer(nullptr, 0, 10, &ChooseCategory);
    Command(IDM_ADD);
    KillTimer(nullptr, timer);

    const std::string made = qm::ButtonKeyName(2);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, taken));
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

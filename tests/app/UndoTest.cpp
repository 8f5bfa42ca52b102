// Every change the window makes can be taken back: Edit > Undo puts the keys back byte for byte
// (types, values, sub-keys, both registry views), asks when something changed them since, and a
// change that cannot be backed up first happens only on the user's word. The registry is read
// with the plain registry functions.
#include "buttons/ButtonRecord.h"
#include "registry/ChangeHistory.h"
#include "support/MainWindowTest.h"

#include <map>

namespace {

using qmtest::Shown;

const std::string kExt = "Software\\Microsoft\\Internet Explorer\\Extensions";
const std::string kMenuExt = "Software\\Microsoft\\Internet Explorer\\MenuExt";
const std::string kButton = kExt + "\\{AAAAAAAA-1111-2222-3333-444444444444}";
const std::string kOwnRecord = "Software\\qzo\\Quillmere\\StdBtn";

// Everything in and below a key, in one view, as text: each key's path, then each value's
// name, type and bytes in hexadecimal. "" when the key is missing.
std::string Dump(HKEY root, REGSAM view, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return "";
    std::string out = "[" + std::string(path.begin(), path.end()) + "]\n";
    for (DWORD i = 0;; ++i) {
        wchar_t name[512];
        BYTE data[8192];
        DWORD length = 512, size = sizeof data, type = 0;
        if (RegEnumValueW(key, i, name, &length, nullptr, &type, data, &size) != ERROR_SUCCESS)
            break;
        char hex[4];
        out += std::string(name, name + length) + " " + std::to_string(type) + " ";
        for (DWORD b = 0; b < size; ++b) {
            snprintf(hex, sizeof hex, "%02x", data[b]);
            out += hex;
        }
        out += "\n";
    }
    std::vector<std::wstring> subKeys;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        subKeys.emplace_back(name, length);
    }
    RegCloseKey(key);
    for (const std::wstring& sub : subKeys) out += Dump(root, view, path + L"\\" + sub);
    return out;
}

// The keys a change may touch, in every view of their root.
std::map<std::string, std::string> State() {
    const auto wide = [](const std::string& path) {
        return std::wstring(path.begin(), path.end());
    };
    std::map<std::string, std::string> state;
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY})
        state["machine " + std::to_string(view)] = Dump(HKEY_LOCAL_MACHINE, view, wide(kExt));
    state["own"] = Dump(HKEY_CURRENT_USER, 0, wide(kOwnRecord));
    state["menu"] = Dump(HKEY_CURRENT_USER, 0, wide(kMenuExt));
    state["main"] = Dump(HKEY_CURRENT_USER, 0, L"Software\\Microsoft\\Internet Explorer\\Main");
    return state;
}

void PutRaw(HKEY root, REGSAM view, const std::string& path, const std::string& name, DWORD type,
            const std::string& bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
}

class UndoTest : public qmtest::MainWindowTest {
protected:
    void SetUp() override {
        // A button in both views, with values of every kind and a sub-key, and another
        // program's button beside it; a context-menu entry with a sub-key; window attributes.
        for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
            PutRaw(HKEY_LOCAL_MACHINE, view, kButton, "CLSID", REG_SZ,
                   std::string(qm::kButtonClsid) + '\0');
            PutRaw(HKEY_LOCAL_MACHINE, view, kButton, "ButtonText", REG_SZ,
                   view == KEY_WOW64_32KEY ? std::string("Notes\0", 6)
                                           : std::string("Notes64\0", 8));
            PutRaw(HKEY_LOCAL_MACHINE, view, kButton, "Icon", REG_EXPAND_SZ,
                   std::string("%SystemRoot%\\a.ico\0", 19));
            PutRaw(HKEY_LOCAL_MACHINE, view, kButton, "Blob", REG_BINARY,
                   std::string("\x01\x00\xff", 3));
            PutRaw(HKEY_LOCAL_MACHINE, view, kButton, "List", REG_MULTI_SZ,
                   std::string("one\0two\0\0", 9));
            PutRaw(HKEY_LOCAL_MACHINE, view, kButton + "\\Sub", "Deep", REG_DWORD,
                   std::string("\x07\x00\x00\x00", 4));
            PutRaw(HKEY_LOCAL_MACHINE, view, kExt + "\\{00000000-Theirs}", "ButtonText", REG_SZ,
                   std::string("theirs\0", 7));
        }
        PutRaw(HKEY_CURRENT_USER, 0, kMenuExt + "\\Entry", "", REG_SZ, std::string("e.htm\0", 6));
        PutRaw(HKEY_CURRENT_USER, 0, kMenuExt + "\\Entry\\Sub", "v", REG_BINARY, "xy");
        PutRaw(HKEY_CURRENT_USER, 0, "Software\\Microsoft\\Internet Explorer\\Main", "Window Title",
               REG_EXPAND_SZ, std::string("%USERNAME%\0", 11));
        MainWindowTest::SetUp();
    }
    // Edit > Undo, and the page shows the registry again.
    void Undo() { MenuCommand(IDM_UNDO); }
};

TEST_F(UndoTest, EveryKindOfChangeIsTakenBackByteForByte) {
    enum Change { kDeleteButton, kSaveButton, kAddButton, kRenameMenu, kAddMenu, kSaveAttributes };
    struct Case {
        const char* what;
        Change change;
    };
    const Case cases[] = {{"delete button", kDeleteButton}, {"save button", kSaveButton},
                          {"add button", kAddButton},       {"rename entry", kRenameMenu},
                          {"add entry", kAddMenu},          {"save attributes", kSaveAttributes}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MenuCommand(IDM_VIEWSTDBTN);
        const auto before = State();
        switch (c.change) {
        case kDeleteButton:
            dialogs.AnswerQuestion(true, "Ok to delete the button?\n\"Notes\", a toolbar button of "
                                         "all users of this computer");
            MenuCommand(IDM_DELETE);
            break;
        case kSaveButton:
            Type(qm::ui::kPageButtons, IDC_BUTTONTEXT, "edited");
            Click(qm::ui::kPageButtons, IDC_SHOWINTOOLS);
            MenuCommand(IDM_SAVE);
            break;
        case kAddButton: static_cast<qm::ui::Page&>(form->PageAt(0)).Add(0); break;
        case kRenameMenu:
            MenuCommand(IDM_VIEWCONTEXTMENU);
            Type(qm::ui::kPageContextMenu, IDC_MENUEDIT, "Renamed");
            Type(qm::ui::kPageContextMenu, IDC_DEFAULTEDIT, "r.htm");
            MenuCommand(IDM_SAVE);
            break;
        case kAddMenu:
            MenuCommand(IDM_VIEWCONTEXTMENU);
            form->PageAt(qm::ui::kPageContextMenu).Add(1);
            break;
        case kSaveAttributes:
            MenuCommand(IDM_VIEWWINDOWTITLE);
            Type(qm::ui::kPageWindowAttributes, IDC_WTITLEEDIT, "Typed");
            Click(qm::ui::kPageWindowAttributes, IDC_FULLSCREEN);
            MenuCommand(IDM_SAVE);
            break;
        }
        ASSERT_NE(State(), before) << "the change was made";
        ASSERT_EQ(qm::ListChanges().size(), 1u);
        Undo();
        EXPECT_EQ(State(), before);
        EXPECT_TRUE(qm::ListChanges().empty()) << "an undone change leaves the history";
        EXPECT_TRUE(dialogs.ShownOf(Shown::Error).empty());
    }
}

TEST_F(UndoTest, AKeyChangedSinceIsAskedAboutAndNoChangesNothing) {
    Type(qm::ui::kPageButtons, IDC_BUTTONTEXT, "edited");
    MenuCommand(IDM_SAVE);
    // Another program changes the button afterwards.
    PutRaw(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kButton, "ButtonText", REG_SZ,
           std::string("theirs\0", 7));
    const auto changed = State();
    dialogs.AnswerQuestion(false);
    Undo();
    ASSERT_EQ(dialogs.ShownOf(Shown::Question).size(), 1u);
    EXPECT_NE(dialogs.ShownOf(Shown::Question)[0].text.find("{AAAAAAAA"), std::string::npos);
    EXPECT_EQ(State(), changed);
    EXPECT_EQ(qm::ListChanges().size(), 1u);

    dialogs.AnswerQuestion(true);
    Undo();
    EXPECT_EQ(qmtest::StoredText(HKEY_LOCAL_MACHINE, kButton, "ButtonText"), "Notes");
}

TEST_F(UndoTest, TheMenuNamesTheNewestChangeAndAnOlderOneCanBeRestored) {
    Type(qm::ui::kPageButtons, IDC_BUTTONTEXT, "first & only");
    MenuCommand(IDM_SAVE);
    MenuCommand(IDM_VIEWWINDOWTITLE);
    Type(qm::ui::kPageWindowAttributes, IDC_WTITLEEDIT, "Typed");
    MenuCommand(IDM_SAVE);

    const std::vector<qm::ChangeEntry> changes = qm::ListChanges();
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].what, "Save window attributes");
    EXPECT_EQ(changes[1].what, "Save button \"first & only\"");
    SendMessageA(form->hwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetMenu(form->hwnd())),
                 0);
    char text[128] = {};
    GetMenuStringA(GetMenu(form->hwnd()), IDM_UNDO, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "&Undo Save window attributes\tAlt+Backspace");

    // The older one, restored from the history: the newer one stays.
    form->UndoChange(changes[1]);
    EXPECT_EQ(qmtest::StoredText(HKEY_LOCAL_MACHINE, kButton, "ButtonText"), "Notes");
    EXPECT_EQ(
        qmtest::ReadUserString("Software\\Microsoft\\Internet Explorer\\Main", "Window Title"),
        "Typed");
    EXPECT_EQ(qm::ListChanges().size(), 1u);
}

TEST_F(UndoTest, AChangeThatCannotBeBackedUpHappensOnlyOnTheUsersWord) {
    // The history's folder cannot be made: a file stands where it would be.
    qmtest::WriteFileBytes(temp.File("blocked"), "a file");
    qmtest::HistoryFolder blocked(temp.File("blocked") + "\\history");
    Type(qm::ui::kPageButtons, IDC_BUTTONTEXT, "edited");
    dialogs.AnswerQuestion(false);
    MenuCommand(IDM_SAVE);
    EXPECT_NE(dialogs.ShownOf(Shown::Question).at(0).text.find("without a backup"),
              std::string::npos);
    EXPECT_EQ(qmtest::StoredText(HKEY_LOCAL_MACHINE, kButton, "ButtonText"), "Notes");
    EXPECT_TRUE(form->IsPageModified(qm::ui::kPageButtons));

    dialogs.AnswerQuestion(true);
    MenuCommand(IDM_SAVE);
    EXPECT_EQ(qmtest::StoredText(HKEY_LOCAL_MACHINE, kButton, "ButtonText"), "edited");
}

TEST_F(UndoTest, TheHistoryKeepsItsBoundDroppingTheOldest) {
    qm::testing::SetHistoryLimits(3, 1ull << 40);
    for (int i = 0; i < 5; ++i) {
        Type(qm::ui::kPageButtons, IDC_BUTTONTEXT, "text " + std::to_string(i));
        MenuCommand(IDM_SAVE);
    }
    qm::testing::SetHistoryLimits(200, 50ull * 1024 * 1024);
    const std::vector<qm::ChangeEntry> changes = qm::ListChanges();
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[0].what, "Save button \"text 4\"");
    EXPECT_EQ(changes[2].what, "Save button \"text 2\"");
}

} // namespace

// Every change the window makes can be taken back: Edit > Undo puts the keys back byte for byte
// (types, values, sub-keys, both registry views), asks when something changed them since, and a
// change that cannot be backed up first happens only on the user's word. Tools > History lists
// the changes and restores any one of them. The registry is read with the plain registry
// functions.
#include "buttons/ButtonRecord.h"
#include "registry/ChangeHistory.h"
#include "support/MainWindowTest.h"

#include <array>
#include <cctype>
#include <functional>
#include <map>
#include <set>

namespace {

using qmtest::Shown;

const std::string kExt = "Software\\Microsoft\\Internet Explorer\\Extensions";
const std::string kMenuExt = "Software\\Microsoft\\Internet Explorer\\MenuExt";
const std::string kButton = kExt + "\\{AAAAAAAA-1111-2222-3333-444444444444}";
const std::string kOwnRecord = "Software\\qzo\\Quillmere\\StdBtn";

// The keys a change may touch, in every view of their root.
std::map<std::string, std::string> State() {
    const auto wide = [](const std::string& path) {
        return std::wstring(path.begin(), path.end());
    };
    std::map<std::string, std::string> state;
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY})
        state["machine " + std::to_string(view)] =
            qmtest::DumpTree(HKEY_LOCAL_MACHINE, wide(kExt), view);
    state["own"] = qmtest::DumpTree(HKEY_CURRENT_USER, wide(kOwnRecord));
    state["menu"] = qmtest::DumpTree(HKEY_CURRENT_USER, wide(kMenuExt));
    state["main"] =
        qmtest::DumpTree(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\Main");
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
    enum Change {
        kDeleteButton,
        kSaveButton,
        kAddButton,
        kRenameMenu,
        kAddMenu,
        kSaveAttributes,
        kImport,
        kImportIntoNoButtons,
        kImportOverStaleEntry
    };
    struct Case {
        const char* what;
        Change change;
    };
    const Case cases[] = {{"delete button", kDeleteButton},
                          {"save button", kSaveButton},
                          {"add button", kAddButton},
                          {"rename entry", kRenameMenu},
                          {"add entry", kAddMenu},
                          {"save attributes", kSaveAttributes},
                          {"import", kImport},
                          {"import where no button is", kImportIntoNoButtons},
                          {"import over a stale own-record entry", kImportOverStaleEntry}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The import makes the Extensions key itself, in both views.
        if (c.change == kImportIntoNoButtons) qmtest::RemoveKey(HKEY_LOCAL_MACHINE, kExt);
        // An entry left for the name the import takes first, in other letters: the import
        // writes over it, and the registry keeps the name as it was.
        if (c.change == kImportOverStaleEntry) {
            std::string name = qm::OwnRecordValueName(1);
            for (char& letter : name) letter = static_cast<char>(std::tolower(letter));
            PutRaw(HKEY_CURRENT_USER, 0, kOwnRecord, name, REG_SZ, std::string("{gone}\0", 7));
        }
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
        case kImport:
        case kImportIntoNoButtons:
        case kImportOverStaleEntry:
            // A text beyond ASCII, and a name given twice in other letters: the record's note
            // of what the import made must be what the registry holds, or Undo would ask.
            qmtest::WriteFileBytes(temp.File("set.qmx"),
                                   "buttonstart\r\nButtonText=one\r\nbuttonend\r\n"
                                   "buttonstart\r\nButtonText=Z\xC3\xBCrich\r\n"
                                   "MenuText=first\r\nmenutext=second\r\nbuttonend\r\n");
            dialogs.AnswerFileDialog(temp.File("set.qmx"));
            dialogs.AnswerRows();
            MenuCommand(IDM_IMPORTTOOLBARSINFO1);
            EXPECT_EQ(qm::ListChanges().at(0).what, "Import of set.qmx: 2 buttons");
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

// --- Tools > History ---

// The History window as the user sees it: its owner, its rows (time, change, keys), the selected
// row, the Restore button, the note below the list and where the keyboard is. The handles stay
// for comparing after the window has closed.
struct HistorySeen {
    HWND window = nullptr;
    HWND owner = nullptr;
    HWND list = nullptr, restore = nullptr, close = nullptr;
    std::vector<std::array<std::string, 3>> rows;
    int selected = -1;
    bool restoreEnabled = false;
    std::string note;
    HWND focus = nullptr;
};

HistorySeen Look(HWND window) {
    HistorySeen seen;
    seen.window = window;
    seen.owner = GetWindow(window, GW_OWNER);
    seen.restore = GetDlgItem(window, IDC_HISTORY_RESTORE);
    seen.close = GetDlgItem(window, IDCANCEL);
    HWND list = seen.list = GetDlgItem(window, IDC_HISTORY_LIST);
    const auto count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        std::array<std::string, 3> cells;
        for (int column = 0; column < 3; ++column) {
            char text[1024] = {};
            LVITEMA item{};
            item.iSubItem = column;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
            cells[column] = text;
        }
        seen.rows.push_back(cells);
    }
    seen.selected = static_cast<int>(
        SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    seen.restoreEnabled = IsWindowEnabled(seen.restore) != FALSE;
    seen.note = qm::ui::GetText(GetDlgItem(window, IDC_HISTORY_NOTE));
    seen.focus = GetFocus();
    return seen;
}

// The texts a time between from and to (to the second) may be shown as: the user's short date
// and time.
std::set<std::string> TimesBetween(const SYSTEMTIME& from, const SYSTEMTIME& to) {
    const auto count = [](const SYSTEMTIME& time) {
        FILETIME file;
        SystemTimeToFileTime(&time, &file);
        return (static_cast<uint64_t>(file.dwHighDateTime) << 32 | file.dwLowDateTime) / 10000000;
    };
    std::set<std::string> texts;
    for (uint64_t second = count(from); second <= count(to); ++second) {
        const uint64_t ticks = second * 10000000;
        FILETIME file{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
        SYSTEMTIME time;
        FileTimeToSystemTime(&file, &time);
        char date[128] = {}, clock[128] = {};
        GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, date, sizeof date);
        GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &time, nullptr, clock, sizeof clock);
        texts.insert(std::string(date) + " " + clock);
    }
    return texts;
}

const std::string kButton32 = "HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\Microsoft\\Internet "
                              "Explorer\\Extensions\\{AAAAAAAA-1111-2222-3333-444444444444}";

using Step = std::function<void(HWND window)>;

// Tools > History, driven from inside its own message loop: each step runs once the window has
// handled what the step before it did, as a user's keys arrive one after another. A window still
// open after the last step is closed, and the test fails.
struct HistoryScript {
    std::vector<Step> steps;
    size_t next = 0;
    bool leftOpen = false;
};
HistoryScript* historyScript = nullptr;

void CALLBACK RunHistoryStep(HWND, UINT, UINT_PTR, DWORD) {
    HWND window = FindWindowA("#32770", "History");
    if (!historyScript || !window || !IsWindowVisible(window)) return;
    if (historyScript->next < historyScript->steps.size()) {
        historyScript->steps[historyScript->next++](window);
        return;
    }
    historyScript->leftOpen = true;
    EndDialog(window, IDCANCEL);
}

class HistoryWindowTest : public UndoTest {
protected:
    void InHistory(std::vector<Step> steps) {
        HistoryScript script{std::move(steps)};
        historyScript = &script;
        const UINT_PTR timer = SetTimer(nullptr, 0, 20, &RunHistoryStep);
        MenuCommand(IDM_HISTORY);
        KillTimer(nullptr, timer);
        historyScript = nullptr;
        EXPECT_EQ(script.next, script.steps.size()) << "the window closed before the last step";
        EXPECT_FALSE(script.leftOpen) << "the window was still open after the last step";
    }
    // A key pressed and released where the keyboard is.
    static Step Press(UINT key) {
        return [key](HWND) {
            HWND focus = GetFocus();
            PostMessageA(focus, WM_KEYDOWN, key, 1);
            PostMessageA(focus, WM_KEYUP, key, 0xC0000001);
        };
    }
    static Step LookAt(HistorySeen& seen) {
        return [&seen](HWND window) { seen = Look(window); };
    }
};

TEST_F(HistoryWindowTest, ListsTheChangesNewestFirstAndRestoresTheOneChosenWithTheKeyboard) {
    SYSTEMTIME from;
    GetLocalTime(&from);
    Type(qm::ui::kPageButtons, IDC_BUTTONTEXT, "first");
    MenuCommand(IDM_SAVE);
    MenuCommand(IDM_VIEWWINDOWTITLE);
    const auto beforeTitle = State();
    Type(qm::ui::kPageWindowAttributes, IDC_WTITLEEDIT, "Typed");
    MenuCommand(IDM_SAVE);
    MenuCommand(IDM_VIEWCONTEXTMENU);
    dialogs.AnswerQuestion(true);
    MenuCommand(IDM_DELETE);
    SYSTEMTIME to;
    GetLocalTime(&to);
    const auto changed = State();

    HistorySeen shown, restored;
    InHistory(
        {LookAt(shown), Press(VK_DOWN), Press(VK_RETURN), LookAt(restored), Press(VK_ESCAPE)});

    EXPECT_EQ(shown.owner, form->hwnd());
    ASSERT_EQ(shown.rows.size(), 3u);
    EXPECT_EQ(shown.rows[0][1], "Delete context menu entry \"Entry\"");
    EXPECT_EQ(shown.rows[1][1], "Save window attributes");
    EXPECT_EQ(shown.rows[2][1], "Save button \"first\"");
    const std::set<std::string> times = TimesBetween(from, to);
    for (const auto& row : shown.rows) EXPECT_EQ(times.count(row[0]), 1u) << row[0];
    EXPECT_EQ(shown.rows[0][2],
              "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\MenuExt\\Entry");
    EXPECT_EQ(shown.rows[1][2], "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main");
    EXPECT_NE(shown.rows[2][2].find(kButton32), std::string::npos) << shown.rows[2][2];
    EXPECT_EQ(shown.selected, 0);
    EXPECT_TRUE(shown.restoreEnabled);
    EXPECT_EQ(shown.focus, shown.list);
    EXPECT_EQ(shown.note,
              "Restore puts the keys of the selected change back as they were before it.");

    // The second row, restored: the window attributes are back, the later and the earlier
    // change stay, and nothing was asked (no later change touched those keys).
    auto now = State();
    EXPECT_EQ(now["main"], beforeTitle.at("main"));
    now["main"] = changed.at("main");
    EXPECT_EQ(now, changed);
    EXPECT_EQ(dialogs.ShownOf(Shown::Question).size(), 1u);
    EXPECT_TRUE(dialogs.ShownOf(Shown::Error).empty());
    ASSERT_EQ(restored.rows.size(), 2u);
    EXPECT_EQ(restored.rows[0][1], "Delete context menu entry \"Entry\"");
    EXPECT_EQ(restored.rows[1][1], "Save button \"first\"");
    EXPECT_EQ(restored.selected, 1);
    EXPECT_TRUE(restored.restoreEnabled);
}

TEST_F(HistoryWindowTest, AChangeWhoseKeysChangedSinceIsAskedAboutAndNoKeepsEverything) {
    Type(qm::ui::kPageButtons, IDC_BUTTONTEXT, "first");
    MenuCommand(IDM_SAVE);
    Type(qm::ui::kPageButtons, IDC_BUTTONTEXT, "second");
    MenuCommand(IDM_SAVE);
    const auto saved = State();

    std::map<std::string, std::string> afterNo;
    HistorySeen declined, restored;
    dialogs.AnswerQuestion(false);
    dialogs.AnswerQuestion(true);
    InHistory({Press(VK_END), Press(VK_RETURN),
               [&](HWND window) {
                   afterNo = State();
                   declined = Look(window);
               },
               Press(VK_RETURN), LookAt(restored), Press(VK_ESCAPE)});

    const std::vector<qmtest::ShownRecord> questions = dialogs.ShownOf(Shown::Question);
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[0].text.rfind("Since \"Save button \"first\"\" was done, these keys were "
                                      "changed: ",
                                      0),
              0u)
        << questions[0].text;
    EXPECT_NE(questions[0].text.find(kButton32), std::string::npos) << questions[0].text;
    EXPECT_EQ(questions[0].owner, declined.window) << "the question is the History window's";
    // No: nothing changes, and the change is still there to restore.
    EXPECT_EQ(afterNo, saved);
    ASSERT_EQ(declined.rows.size(), 2u);
    EXPECT_EQ(declined.selected, 1);
    // Yes: the button is back as it was before the first save; the second save stays listed.
    EXPECT_EQ(qmtest::StoredText(HKEY_LOCAL_MACHINE, kButton, "ButtonText"), "Notes");
    ASSERT_EQ(restored.rows.size(), 1u);
    EXPECT_EQ(restored.rows[0][1], "Save button \"second\"");
    EXPECT_EQ(restored.selected, 0);
}

TEST_F(HistoryWindowTest, EditsOnThePageShownAreOfferedBeforeARestoreAndThePageShowsItsResult) {
    Type(qm::ui::kPageButtons, IDC_BUTTONTEXT, "first");
    MenuCommand(IDM_SAVE);
    Type(qm::ui::kPageButtons, IDC_BUTTONTEXT, "unsaved");
    dialogs.AnswerQuestion(false, "Save changes in button \"unsaved\"?");
    HistorySeen shown;
    InHistory({LookAt(shown), Press(VK_RETURN), Press(VK_ESCAPE)});
    ASSERT_EQ(dialogs.ShownOf(Shown::Question).size(), 1u);
    EXPECT_EQ(dialogs.ShownOf(Shown::Question)[0].owner, shown.window);
    EXPECT_EQ(qmtest::StoredText(HKEY_LOCAL_MACHINE, kButton, "ButtonText"), "Notes");
    EXPECT_EQ(Text(qm::ui::kPageButtons, IDC_BUTTONTEXT), "Notes");
    EXPECT_FALSE(form->IsPageModified(qm::ui::kPageButtons));
}

TEST_F(HistoryWindowTest, EnterRestoresOnlyFromTheListAndTabEscapeAndCloseLeaveEverything) {
    // Nothing recorded yet: nothing to restore, and Enter does nothing.
    HistorySeen empty;
    InHistory({LookAt(empty), Press(VK_RETURN), Press(VK_ESCAPE)});
    EXPECT_TRUE(empty.rows.empty());
    EXPECT_FALSE(empty.restoreEnabled);
    EXPECT_EQ(empty.note, "No change has been recorded yet.");
    EXPECT_TRUE(dialogs.Shown().empty());

    Type(qm::ui::kPageButtons, IDC_BUTTONTEXT, "first");
    MenuCommand(IDM_SAVE);
    const auto saved = State();
    // Tab goes from the list to Restore and Close and round again; Enter on Close closes.
    std::vector<HWND> focus;
    const Step noteFocus = [&](HWND) { focus.push_back(GetFocus()); };
    HistorySeen shown;
    InHistory({LookAt(shown), Press(VK_TAB), noteFocus, Press(VK_TAB), noteFocus, Press(VK_TAB),
               noteFocus, Press(VK_TAB), Press(VK_TAB), Press(VK_RETURN)});
    ASSERT_NE(shown.window, nullptr);
    EXPECT_EQ(focus, (std::vector<HWND>{shown.restore, shown.close, shown.list}));
    EXPECT_EQ(State(), saved);
    EXPECT_TRUE(dialogs.Shown().empty());
}

} // namespace

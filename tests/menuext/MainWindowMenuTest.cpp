// The "Context Menu" page inside the real main window: the shell's tabs, commands and save
// prompt around it.

#include "app/Main.h"
#include "menuext/ContextMenuPage.h"

#include "MenuTestSupport.h"
#include "resource.h"
#include "support/ProgramTest.h"
#include "ui/Controls.h"
#include "ui/Window.h"

namespace {

using namespace menutest;

class MainWindowMenuTest : public qmtest::ProgramTest {
protected:
    MainWindowMenuTest() { form.Show(SW_SHOWNOACTIVATE); }

    qm::ContextMenuPage& Page() {
        return static_cast<qm::ContextMenuPage&>(form.PageAt(qm::ui::kPageContextMenu));
    }
    HWND Control(int id) { return Page().Item(id); }
    std::string Text(int id) { return qm::ui::GetText(Control(id)); }
    void Type(int id, const std::string& text) {
        SendMessageA(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        qm::ui::ProcessPendingMessages();
    }
    // A click on a tab: the changing notification, the new selection, the change notification.
    void ClickTab(int index) {
        HWND tabs = form.PageControl();
        NMHDR header{tabs, static_cast<UINT_PTR>(GetDlgCtrlID(tabs)),
                     static_cast<UINT>(TCN_SELCHANGING)};
        SendMessageA(form.hwnd(), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
        SendMessageA(tabs, TCM_SETCURSEL, index, 0);
        header.code = static_cast<UINT>(TCN_SELCHANGE);
        SendMessageA(form.hwnd(), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
        qm::ui::ProcessPendingMessages();
    }
    void Command(int command) {
        SendMessageA(form.hwnd(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
        qm::ui::ProcessPendingMessages();
    }
    void SelectLine(int line) {
        HWND list = Control(IDC_POPUPMENULIST);
        SendMessageA(list, LB_SETCURSEL, line, 0);
        SendMessageA(Page().hwnd(), WM_COMMAND, MAKEWPARAM(IDC_POPUPMENULIST, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
        qm::ui::ProcessPendingMessages();
    }

    qm::TForm1 form;
};

TEST_F(MainWindowMenuTest, SelectingAnotherEntryAfterAnEditAsksTheShellsQuestionOnce) {
    SeedEntry("A", Seed().Script("a.htm").Contexts(1));
    SeedEntry("B", Seed().Script("b.htm").Contexts(2));
    ClickTab(qm::ui::kPageContextMenu);
    ASSERT_EQ(form.ActivePage(), qm::ui::kPageContextMenu);
    EXPECT_TRUE(form.CommandEnabled(IDM_ADD));
    EXPECT_EQ(Text(IDC_MENUEDIT), "A");
    EXPECT_FALSE(form.IsModified());

    SendMessageA(Control(IDC_CONTEXTTABLES), BM_SETCHECK, BST_CHECKED, 0);
    SendMessageA(Page().hwnd(), WM_COMMAND, MAKEWPARAM(IDC_CONTEXTTABLES, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Control(IDC_CONTEXTTABLES)));
    EXPECT_TRUE(form.IsModified());
    EXPECT_TRUE(form.IsPageModified(qm::ui::kPageContextMenu));
    dialogs.AnswerQuestion(true, "Save changes in menu \"A\"?");
    SelectLine(1);
    EXPECT_EQ(StoredDword("A", "Contexts"), 9u);
    EXPECT_EQ(StoredDword("B", "Contexts"), 2u);
    EXPECT_EQ(Text(IDC_MENUEDIT), "B");
    EXPECT_EQ(Text(IDC_CONTEXTDECIMALEDIT), "2");
    EXPECT_FALSE(form.IsModified());
    EXPECT_EQ(dialogs.ShownOf(qmtest::Shown::Question).size(), 1u);
}

TEST_F(MainWindowMenuTest, LeavingThePageAfterAnEditAsksAndNoKeepsTheRegistry) {
    SeedEntry("A", Seed().Script("a.htm"));
    ClickTab(qm::ui::kPageContextMenu);
    Type(IDC_MENUEDIT, "Renamed");
    const std::string before = DumpMenuExt();
    dialogs.AnswerQuestion(false, "Save changes in menu \"Renamed\"?");
    ClickTab(qm::ui::kPageBackgrounds);
    EXPECT_EQ(DumpMenuExt(), before);
    EXPECT_FALSE(form.IsModified());
}

TEST_F(MainWindowMenuTest, AddShowsTheCategoryDialogAndMakesTheChosenTemplate) {
    ClickTab(qm::ui::kPageContextMenu);
    AnswerCategoryDialog([](HWND dialog) {
        SendMessageA(GetDlgItem(dialog, IDC_CONMENU_COMBOBOX1), CB_SETCURSEL, 2, 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    Command(IDM_ADD);
    EXPECT_TRUE(EntryExists("&Zoom in Selection"));
    EXPECT_EQ(Text(IDC_MENUEDIT), "&Zoom in Selection");
    EXPECT_EQ(Stored("&Zoom in Selection", "")->bytes,
              qm::ui::ProgramFolder() + "Serv\\zoomsel.htm" + '\0');

    const std::string before = DumpMenuExt();
    AnswerCategoryDialog(
        [](HWND dialog) { SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); });
    Command(IDM_ADD);
    EXPECT_EQ(DumpMenuExt(), before) << "No adds nothing";
}

TEST_F(MainWindowMenuTest, SaveAndDeleteCommandsActOnTheShownEntry) {
    SeedEntry("A", Seed().Script("a.htm"));
    SeedEntry("B", Seed().Script("b.htm"));
    ClickTab(qm::ui::kPageContextMenu);
    Type(IDC_FLAGEDIT, "0x1");
    Command(IDM_SAVE);
    EXPECT_EQ(StoredDword("A", "Flags"), 1u);
    EXPECT_FALSE(form.IsModified());

    dialogs.AnswerQuestion(
        true, "Ok to delete the context menu?\n\"A\", a context menu entry of this user");
    Command(IDM_DELETE);
    EXPECT_FALSE(EntryExists("A"));
    EXPECT_EQ(Text(IDC_MENUEDIT), "B");
}

} // namespace

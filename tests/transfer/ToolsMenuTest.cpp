// The Tools menu of the main window runs the export and the import.
#include "app/Main.h"
#include "buttons/ButtonRecord.h"

#include "support/ProgramTest.h"

#include "resource.h"

#include <gtest/gtest.h>

namespace {

class ToolsMenuTest : public qmtest::ProgramTest {};

TEST_F(ToolsMenuTest, ExportAndImportItemsMoveTheProgramsButtons) {
    qm::RegistryAccessor reg;
    reg.SetRoot(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKey(qm::ButtonKeyPath("{ABC}"), true));
    reg.WriteString("ButtonText", "Mine");
    reg.WriteString("IsQuillmere", "YES");
    reg.CloseKey();

    qm::TForm1 form;
    dialogs.AnswerFileDialog(temp.File("menu.qmx"));
    SendMessageA(form.hwnd(), WM_COMMAND, MAKEWPARAM(IDM_EXPORTTOOLBARSINFO1, 0), 0);
    EXPECT_EQ(qmtest::ReadFileBytes(temp.File("menu.qmx")),
              "buttonstart\r\nButtonText=Mine\r\nIsQuillmere=YES\r\nbuttonend\r\n");

    dialogs.AnswerFileDialog(temp.File("menu.qmx"));
    SendMessageA(form.hwnd(), WM_COMMAND, MAKEWPARAM(IDM_IMPORTTOOLBARSINFO1, 0), 0);
    reg.SetRoot(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKey(qm::ButtonKeyPath(qm::ButtonKeyName(1)), false));
    EXPECT_EQ(reg.ReadString("ButtonText"), "Mine");
    auto shown = dialogs.ShownOf(qmtest::Shown::FileDialog);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].owner, form.hwnd());
    EXPECT_EQ(shown[1].fileKind, qm::ui::FileDialogKind::Open);
}

} // namespace

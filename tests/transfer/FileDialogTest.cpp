// The export and import dialogs as the platform shows them: the default extension is added to
// a name typed without one, and the import takes the name of a file that does not exist.
#include "transfer/TransferCommands.h"

#include "support/ProgramTest.h"
#include "support/ScriptedDialogs.h"
#include "support/TestPageHost.h"

#include <gtest/gtest.h>

namespace {

// The scripted dialogs, except that file dialogs are the real ones.
class RealFileDialogs : public qmtest::ScriptedDialogs {
public:
    bool RunFileDialog(HWND owner, qm::ui::FileDialogKind kind,
                       qm::ui::FileDialog& dialog) override {
        return qm::ui::WinDialogs().RunFileDialog(owner, kind, dialog);
    }
};

int ticks = 0;

// Presses OK in the first dialog that comes up. Whatever is still up later (a dialog that
// refused the name, or its message) is closed, so that a refusal fails the test, never hangs it.
void CALLBACK PressOk(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = qmtest::VisibleDialogOfThisThread();
    if (!dialog) return;
    PostMessageA(dialog, WM_COMMAND, ++ticks == 1 ? IDOK : IDCANCEL, 0);
}

class FileDialogTest : public ::testing::Test {
protected:
    qmtest::RegistrySandbox sandbox;
    RealFileDialogs dialogs;
    qmtest::TempFolder temp;
    qmtest::TestPageHost host;
    qm::transfer::ToolBarTransfer transfer{host};

    template <class F>
    void WithOkPressed(F&& command) {
        ticks = 0;
        UINT_PTR timer = SetTimer(nullptr, 0, 50, &PressOk);
        command();
        KillTimer(nullptr, timer);
    }
};

TEST_F(FileDialogTest, SaveAddsQmxAndOpenTakesAMissingName) {
    transfer.SaveDialog1.fileName = temp.File("picked");
    dialogs.ExpectInformation();
    WithOkPressed([&] { transfer.ExportToolBarInfo(); });
    EXPECT_EQ(transfer.SaveDialog1.fileName, temp.File("picked.qmx"));
    EXPECT_TRUE(qmtest::FileExists(temp.File("picked.qmx")));
    EXPECT_TRUE(qmtest::FolderExists(temp.File("picked_files")));

    transfer.OpenDialog2.fileName = temp.File("absent.qmx");
    dialogs.ExpectApplicationError("File not found.");
    WithOkPressed([&] { transfer.ImportToolBarInfo(); });
    EXPECT_EQ(transfer.OpenDialog2.fileName, temp.File("absent.qmx"));
}

} // namespace

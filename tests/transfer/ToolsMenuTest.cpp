// The Tools menu of the main window runs the export and the import, and the import ends with
// the button page's strip rebuilt.
#include "buttons/ButtonRecord.h"
#include "buttons/ButtonsPage.h"

#include "support/MainWindowTest.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class ToolsMenuTest : public qmtest::MainWindowTest {
protected:
    void SetUp() override {
        // One button of the program's own, there before the window lists the strip.
        qmtest::PutValues(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath("{ABC}"),
                          {{"ButtonText", qmtest::Sz("Mine")}, {"IsQuillmere", qmtest::Sz("YES")}});
        MainWindowTest::SetUp();
    }
    qm::ButtonsPage& Buttons() { return static_cast<qm::ButtonsPage&>(form->PageAt(0)); }
    std::vector<std::string> StripKeys() {
        std::vector<std::string> keys;
        for (int i = 0; i < Buttons().StripButtonCount(); ++i) keys.push_back(Buttons().StripKey(i));
        std::sort(keys.begin(), keys.end());
        return keys;
    }
};

TEST_F(ToolsMenuTest, ExportAndImportItemsMoveTheButtonsAndTheStripShowsThem) {
    ASSERT_EQ(StripKeys(), std::vector<std::string>{"{ABC}"});
    dialogs.AnswerFileDialog(temp.File("menu.qmx"));
    MenuCommand(IDM_EXPORTTOOLBARSINFO1);
    EXPECT_EQ(qmtest::ReadFileBytes(temp.File("menu.qmx")),
              "buttonstart\r\nButtonText=Mine\r\nIsQuillmere=YES\r\nbuttonend\r\n");

    dialogs.AnswerFileDialog(temp.File("menu.qmx"));
    MenuCommand(IDM_IMPORTTOOLBARSINFO1);
    std::string made = qm::ButtonKeyName(1);
    EXPECT_EQ(StripKeys(), (std::vector<std::string>{"{ABC}", made}));
    EXPECT_EQ(Buttons().ShownKey(), Buttons().StripKey(Buttons().StripButtonCount() - 1));

    // An import with a section it refuses shows what it made, and no half of the other.
    std::string longName(20000, 'n');
    qmtest::WriteFileBytes(temp.File("bad.qmx"), "buttonstart\r\nA=1\r\nbuttonend\r\n"
                                                 "buttonstart\r\n" + longName + "=x\r\n");
    dialogs.AnswerFileDialog(temp.File("bad.qmx"));
    dialogs.ExpectApplicationError("The button at line 4 of \"" + temp.File("bad.qmx") +
                                   "\" cannot be imported: the value name \"" + longName.substr(0, 64) +
                                   "...\" on line 5 is longer than the registry allows.");
    MenuCommand(IDM_IMPORTTOOLBARSINFO1);
    EXPECT_EQ(Buttons().StripButtonCount(), 3);

    auto shown = dialogs.ShownOf(qmtest::Shown::FileDialog);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].owner, form->hwnd());
    EXPECT_EQ(shown[1].fileKind, qm::ui::FileDialogKind::Open);
}

} // namespace

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
        for (int i = 0; i < Buttons().StripButtonCount(); ++i)
            keys.push_back(Buttons().StripKey(i));
        std::sort(keys.begin(), keys.end());
        return keys;
    }
};

TEST_F(ToolsMenuTest, ExportAndImportItemsMoveTheButtonsAndTheStripShowsThem) {
    ASSERT_EQ(StripKeys(), std::vector<std::string>{"{ABC}"});
    dialogs.AnswerFileDialog(temp.File("menu.qmx"));
    dialogs.ExpectInformation("Exported 1 button to \"" + temp.File("menu.qmx") + "\".");
    MenuCommand(IDM_EXPORTTOOLBARSINFO1);
    EXPECT_EQ(qmtest::ReadFileBytes(temp.File("menu.qmx")),
              "buttonstart\r\nButtonText=Mine\r\nIsQuillmere=YES\r\nbuttonend\r\n");

    dialogs.AnswerFileDialog(temp.File("menu.qmx"));
    dialogs.AnswerRows(qmtest::RowsAnswer().Choose({true})); // "Mine" is there: made again
    MenuCommand(IDM_IMPORTTOOLBARSINFO1);
    std::string made = qm::ButtonKeyName(1);
    EXPECT_EQ(StripKeys(), (std::vector<std::string>{"{ABC}", made}));
    EXPECT_EQ(Buttons().ShownKey(), Buttons().StripKey(Buttons().StripButtonCount() - 1));

    // An import with a section it refuses shows what it made, and no half of the other.
    std::string longName(20000, 'n');
    qmtest::WriteFileBytes(temp.File("bad.qmx"), "buttonstart\r\nA=1\r\nbuttonend\r\n"
                                                 "buttonstart\r\n" +
                                                     longName + "=x\r\n");
    dialogs.AnswerFileDialog(temp.File("bad.qmx"));
    dialogs.AnswerRows();
    dialogs.ExpectApplicationError("The button at line 4 of \"" + temp.File("bad.qmx") +
                                   "\" cannot be imported: the value name \"" +
                                   longName.substr(0, 64) +
                                   "...\" on line 5 is longer than the registry allows.");
    MenuCommand(IDM_IMPORTTOOLBARSINFO1);
    EXPECT_EQ(Buttons().StripButtonCount(), 3);

    auto shown = dialogs.ShownOf(qmtest::Shown::FileDialog);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].owner, form->hwnd());
    EXPECT_EQ(shown[1].fileKind, qm::ui::FileDialogKind::Open);
}

TEST_F(ToolsMenuTest, AnImportAsksOnlyAboutTheButtonPageAndKeepsAnotherPagesEdits) {
    using qm::ui::kPageButtons;
    using qm::ui::kPageWindowAttributes;
    qmtest::WriteFileBytes(temp.File("one.qmx"),
                           "buttonstart\r\nButtonText=New\r\nIsQuillmere=YES\r\nbuttonend\r\n");
    const std::string mine = qm::ButtonKeyPath("{ABC}");

    // Edits of the shown button: the import offers to save them first, once.
    Type(kPageButtons, IDC_BUTTONTEXT, "Renamed");
    dialogs.AnswerFileDialog(temp.File("one.qmx"));
    dialogs.AnswerRows(); // what the file will create
    dialogs.AnswerQuestion(true, "Save changes in button \"Renamed\"?");
    MenuCommand(IDM_IMPORTTOOLBARSINFO1);
    EXPECT_EQ(qmtest::StoredText(HKEY_LOCAL_MACHINE, mine, "ButtonText"), "Renamed");
    EXPECT_EQ(StripKeys().size(), 2u);
    EXPECT_FALSE(form->IsModified());

    // Edits on the window-attributes page, shown during the import: no question about the
    // button page, and the edits stay unsaved with their flags, so leaving the page asks.
    qmtest::CreateUserKey("\\Software\\Microsoft\\Internet Explorer\\Main\\");
    qmtest::CreateUserKey("\\Software\\Microsoft\\Internet Explorer\\Toolbar\\");
    MenuCommand(IDM_VIEWWINDOWTITLE);
    Type(kPageWindowAttributes, IDC_WTITLEEDIT, "Edited title");
    ASSERT_TRUE(form->IsPageModified(kPageWindowAttributes));
    dialogs.AnswerFileDialog(temp.File("one.qmx"));
    dialogs.AnswerRows(qmtest::RowsAnswer().Choose({true})); // "New" again
    MenuCommand(IDM_IMPORTTOOLBARSINFO1);
    EXPECT_EQ(dialogs.PendingAnswers(), 0u);
    EXPECT_EQ(StripKeys().size(), 3u);
    EXPECT_TRUE(form->IsModified());
    EXPECT_TRUE(form->IsPageModified(kPageWindowAttributes));
    EXPECT_FALSE(form->IsPageModified(kPageButtons));
    EXPECT_EQ(Text(kPageWindowAttributes, IDC_WTITLEEDIT), "Edited title");
    EXPECT_EQ(qmtest::StoredText(HKEY_LOCAL_MACHINE, mine, "ButtonText"), "Renamed");
    // One save question in all; the two imports' previews are row dialogs.
    auto questions = dialogs.ShownOf(qmtest::Shown::Question);
    EXPECT_EQ(std::count_if(questions.begin(), questions.end(),
                            [](const auto& q) { return q.text.rfind("Save changes", 0) == 0; }),
              1);
    EXPECT_EQ(questions.size(), 1u);
    EXPECT_EQ(dialogs.ShownOf(qmtest::Shown::Rows).size(), 2u);
}

} // namespace

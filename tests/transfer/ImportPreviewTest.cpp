// The Tools menu's import shows what a file will create before anything is written: one row
// per button with its text, what it runs, its icon and its state, buttons that run a program
// marked (with the program a path really leads to); the user's ticks decide what is made,
// Cancel writes nothing, and a file that is no export file is refused by name.
#include "transfer/TransferCommands.h"

#include "support/ProgramTest.h"
#include "support/RawRegistry.h"
#include "support/TestPageHost.h"

#include <gtest/gtest.h>

#include <cctype>

namespace {

using namespace qm::transfer;
using qmtest::Shown;

class ImportPreviewTest : public qmtest::ProgramTest {
protected:
    qmtest::TestPageHost host;
    int rebuilds = 0;
    ToolBarTransfer transfer{host, [this] { ++rebuilds; }};
};

TEST_F(ImportPreviewTest, ThePreviewListsEveryButtonAndCancelWritesNothing) {
    std::string file = temp.File("set.qmx");
    std::string folder = temp.File("set_files");
    std::string escape = "\\..\\..\\..\\..\\..\\..\\..\\..\\..\\Windows\\System32\\cmd.exe";
    qmtest::WriteFileBytes(
        file,
        "buttonstart\r\nButtonText=Notes\r\nScript=notes.htm\r\nIcon=notes.ico\r\nbuttonend\r\n"
        "buttonstart\r\nButtonText=Shell\r\nExec=C:\\Windows\\System32\\cmd.exe\r\nbuttonend\r\n"
        "buttonstart\r\nButtonText=Own\r\nExec=" +
            folder +
            "\\tool.exe\r\nbuttonend\r\n"
            "buttonstart\r\nButtonText=Web\r\nExec=https://intranet/\r\nbuttonend\r\n"
            "buttonstart\r\nButtonText=Out\r\nExec=" +
            folder + escape + "\r\nbuttonend\r\n");
    dialogs.AnswerFileDialog(file);
    dialogs.AnswerRows(qmtest::RowsAnswer::Cancel());
    transfer.ImportToolBarInfo();
    auto previews = dialogs.ShownOf(Shown::Rows);
    ASSERT_EQ(previews.size(), 1u);
    const qm::ui::RowChoice preview = previews[0].rows;
    EXPECT_EQ(preview.caption, "Import toolbar buttons");
    EXPECT_EQ(preview.intro, "The file \"" + file +
                                 "\" holds 5 buttons. The ticked buttons are created; Space ticks "
                                 "or clears the selected one.");
    EXPECT_EQ(preview.columns, (std::vector<std::string>{"Text", "Runs", "Icon", "State"}));
    using Cells = std::vector<std::string>;
    const Cells expected[] = {
        {"Notes", "runs the script page " + folder + "\\notes.htm", folder + "\\notes.ico",
         "file missing: " + folder + "\\notes.htm, " + folder + "\\notes.ico"},
        {"Shell", "runs C:\\Windows\\System32\\cmd.exe (a program)", "none", "new"},
        {"Own", "runs " + folder + "\\tool.exe (a program)", "none", "new"},
        {"Web", "runs https://intranet/", "none", "new"},
        {"Out", "runs " + folder + escape + ", that is C:\\Windows\\System32\\cmd.exe (a program)",
         "none", "new"},
    };
    ASSERT_EQ(preview.rows.size(), std::size(expected));
    for (size_t i = 0; i < preview.rows.size(); ++i) {
        EXPECT_EQ(preview.rows[i].cells, expected[i]) << "row " << i;
        EXPECT_TRUE(preview.rows[i].chosen) << "row " << i;
    }
    EXPECT_EQ(preview.note, "A button marked as running a program starts that program when it is "
                            "clicked, whether the program is of this machine or came with the "
                            "file. Import only files you trust.");
    EXPECT_EQ(preview.option, "") << "no file of the set is there to copy";
    EXPECT_TRUE(qmtest::StoredSubKeys(HKEY_LOCAL_MACHINE, qm::kExtensionsKey).empty());
    EXPECT_FALSE(qmtest::StoredKeyExists(HKEY_CURRENT_USER, qm::kOwnRecordKey));
    EXPECT_EQ(rebuilds, 0);

    dialogs.AnswerFileDialog(file);
    dialogs.AnswerRows();
    transfer.ImportToolBarInfo();
    EXPECT_EQ(qmtest::StoredSubKeys(HKEY_LOCAL_MACHINE, qm::kExtensionsKey).size(), 5u);
    qmtest::ExpectStoredText(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(qm::ButtonKeyName(2)), "Exec",
                             "C:\\Windows\\System32\\cmd.exe");
    EXPECT_EQ(rebuilds, 1);

    // A long file lists every button.
    std::string many;
    for (int i = 0; i < 30; ++i)
        many += "buttonstart\r\nButtonText=B" + std::to_string(i) + "\r\nbuttonend\r\n";
    qmtest::WriteFileBytes(temp.File("many.qmx"), many);
    dialogs.AnswerFileDialog(temp.File("many.qmx"));
    dialogs.AnswerRows(qmtest::RowsAnswer::Cancel());
    transfer.ImportToolBarInfo();
    const qm::ui::RowChoice long_ = dialogs.ShownOf(Shown::Rows).back().rows;
    ASSERT_EQ(long_.rows.size(), 30u);
    EXPECT_EQ(long_.rows.back().cells.front(), "B29");
}

// The rows say which buttons are new, already there (same text and action, as /import
// skips them) or name a file that is not there; the user's ticks decide what is made.
TEST_F(ImportPreviewTest, TheRowsSayWhatIsThereAndOnlyTheTickedButtonsAreMade) {
    std::string file = temp.File("pick.qmx");
    std::string folder = temp.File("pick_files");
    CreateDirectoryA(folder.c_str(), nullptr);
    qmtest::WriteFileBytes(folder + "\\calc.htm", "<html>calc</html>");
    qmtest::WriteFileBytes(folder + "\\here.htm", "<html>here</html>");
    qmtest::WriteFileBytes(
        file, "buttonstart\r\nButtonText=Calc\r\nScript=calc.htm\r\nbuttonend\r\n"
              "buttonstart\r\nButtonText=Gone\r\nScript=here.htm\r\nIcon=gone.ico\r\nbuttonend\r\n"
              "buttonstart\r\nButtonText=Fresh\r\nScript=here.htm\r\nbuttonend\r\n");
    // Calc is on the machine already, its page named in other letters.
    const std::string calc = qm::ButtonKeyPath(qm::ButtonKeyName(1));
    qmtest::PutText(HKEY_LOCAL_MACHINE, calc, "ButtonText", "Calc");
    std::string upper = folder;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    qmtest::PutText(HKEY_LOCAL_MACHINE, calc, "Script", upper + "\\CALC.HTM");

    dialogs.AnswerFileDialog(file);
    dialogs.AnswerRows(qmtest::RowsAnswer().Choose({false, false, true}).Copy(false));
    transfer.ImportToolBarInfo();
    const qm::ui::RowChoice preview = dialogs.ShownOf(Shown::Rows).back().rows;
    ASSERT_EQ(preview.rows.size(), 3u);
    EXPECT_EQ(preview.rows[0].cells.back(), "already there");
    EXPECT_EQ(preview.rows[1].cells.back(), "file missing: " + folder + "\\gone.ico");
    EXPECT_EQ(preview.rows[2].cells.back(), "new");
    EXPECT_EQ(
        (std::vector<bool>{preview.rows[0].chosen, preview.rows[1].chosen, preview.rows[2].chosen}),
        (std::vector<bool>{false, true, true}));
    EXPECT_NE(preview.intro.find("A button already there is not ticked"), std::string::npos);
    // Only the ticked row was made, under the first free name.
    EXPECT_EQ(qmtest::StoredSubKeys(HKEY_LOCAL_MACHINE, qm::kExtensionsKey).size(), 2u);
    qmtest::ExpectStoredText(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(qm::ButtonKeyName(2)),
                             "ButtonText", "Fresh");

    // Ticking a button that is there makes it again, as /force does.
    dialogs.AnswerFileDialog(file);
    dialogs.AnswerRows(qmtest::RowsAnswer().Choose({true, false, false}).Copy(false));
    transfer.ImportToolBarInfo();
    qmtest::ExpectStoredText(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(qm::ButtonKeyName(3)),
                             "ButtonText", "Calc");
    EXPECT_EQ(qmtest::StoredSubKeys(HKEY_LOCAL_MACHINE, qm::kExtensionsKey).size(), 3u);
}

TEST_F(ImportPreviewTest, AFileThatIsNoExportFileIsRefusedByNameWithoutAQuestion) {
    std::string junk;
    for (int i = 0; i < 2048; ++i) junk += static_cast<char>((i * 7919) % 251);
    const std::pair<const char*, std::string> files[] = {
        {"junk.qmx", junk},
        {"zero.qmx", "buttonstart\r\nButtonText=A\r\nbuttonend\r\n" + std::string("\0", 1)},
        {"empty.qmx", ""},
        {"prose.qmx", "Dear admin,\r\nhere are the buttons.\r\n"},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        std::string file = temp.File(name);
        qmtest::WriteFileBytes(file, bytes);
        dialogs.AnswerFileDialog(file);
        dialogs.ExpectApplicationError(
            "The file \"" + file + "\" cannot be imported: " +
            (bytes.empty() || bytes[0] == 'D'
                 ? "it holds no button section."
                 : "it holds binary data, not the text of an export file."));
        transfer.ImportToolBarInfo();
    }
    EXPECT_TRUE(dialogs.ShownOf(Shown::Rows).empty());
    EXPECT_TRUE(qmtest::StoredSubKeys(HKEY_LOCAL_MACHINE, qm::kExtensionsKey).empty());
    EXPECT_EQ(rebuilds, 0);
}

} // namespace

// The Tools menu's import shows what a file will create before anything is written: one line
// per button with its text, what it runs and its icon, buttons that run a program marked
// (with the program a path really leads to); No writes nothing, and a file that is no export file is refused by name.
#include "transfer/TransferCommands.h"

#include "support/ProgramTest.h"
#include "support/RawRegistry.h"
#include "support/TestPageHost.h"

#include <gtest/gtest.h>

namespace {

using namespace qm::transfer;
using qmtest::Shown;

class ImportPreviewTest : public qmtest::ProgramTest {
protected:
    qmtest::TestPageHost host;
    int rebuilds = 0;
    ToolBarTransfer transfer{host, [this] { ++rebuilds; }};
};

TEST_F(ImportPreviewTest, TheQuestionListsEveryButtonAndNoWritesNothing) {
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
    // The files came with it (ModuleRoundTripTest has files that did not, named before import).
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const char* name : {"\\notes.htm", "\\notes.ico"})
        qmtest::WriteFileBytes(folder + name, "");
    dialogs.AnswerFileDialog(file);
    dialogs.AnswerQuestion(false);
    transfer.ImportToolBarInfo();
    auto questions = dialogs.ShownOf(Shown::Question);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].caption, "Import toolbar buttons");
    EXPECT_EQ(questions[0].text, "The file \"" + file +
                                     "\" will create 5 buttons:\r\n\r\n"
                                     "\"Notes\": runs the script page " +
                                     folder + "\\notes.htm; icon " + folder +
                                     "\\notes.ico\r\n"
                                     "\"Shell\": runs C:\\Windows\\System32\\cmd.exe (a "
                                     "program); icon none\r\n"
                                     "\"Own\": runs " +
                                     folder +
                                     "\\tool.exe (a program); icon none\r\n"
                                     "\"Web\": runs https://intranet/; icon none\r\n"
                                     "\"Out\": runs " +
                                     folder + escape +
                                     ", that is C:\\windows\\system32\\cmd.exe (a program); "
                                     "icon none\r\n"
                                     "\r\nA button marked as running a program starts that "
                                     "program when it is clicked, whether the program is of this "
                                     "machine or came with the file. Import only files you "
                                     "trust.\r\n"
                                     "\r\nCreate these buttons?");
    EXPECT_TRUE(qmtest::StoredSubKeys(HKEY_LOCAL_MACHINE, qm::kExtensionsKey).empty());
    EXPECT_FALSE(qmtest::StoredKeyExists(HKEY_CURRENT_USER, qm::kOwnRecordKey));
    EXPECT_EQ(rebuilds, 0);

    dialogs.AnswerFileDialog(file);
    dialogs.AnswerQuestion(true);
    transfer.ImportToolBarInfo();
    EXPECT_EQ(qmtest::StoredSubKeys(HKEY_LOCAL_MACHINE, qm::kExtensionsKey).size(), 5u);
    qmtest::ExpectStoredText(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(qm::ButtonKeyName(2)), "Exec",
                             "C:\\Windows\\System32\\cmd.exe");
    EXPECT_EQ(rebuilds, 1);

    // A long file lists its first buttons and says how many more.
    std::string many;
    for (int i = 0; i < 30; ++i)
        many += "buttonstart\r\nButtonText=B" + std::to_string(i) + "\r\nbuttonend\r\n";
    qmtest::WriteFileBytes(temp.File("many.qmx"), many);
    dialogs.AnswerFileDialog(temp.File("many.qmx"));
    dialogs.AnswerQuestion(false);
    transfer.ImportToolBarInfo();
    std::string text = dialogs.ShownOf(Shown::Question).back().text;
    EXPECT_NE(text.find("\"B24\""), std::string::npos);
    EXPECT_EQ(text.find("\"B25\""), std::string::npos);
    EXPECT_NE(text.find("... and 5 more\r\n"), std::string::npos) << text;
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
    EXPECT_TRUE(dialogs.ShownOf(Shown::Question).empty());
    EXPECT_TRUE(qmtest::StoredSubKeys(HKEY_LOCAL_MACHINE, qm::kExtensionsKey).empty());
    EXPECT_EQ(rebuilds, 0);
}

} // namespace

// Export and import with the machine's buttons in both registry views, and an import by a
// user without the rights to make machine-wide buttons. The registry is checked through the
// plain platform calls.
#include "transfer/TransferCommands.h"

#include "ui/Rights.h"

#include "support/MachineViews.h"
#include "support/ProgramTest.h"
#include "support/TestPageHost.h"

#include <gtest/gtest.h>

namespace {

using qmtest::kBothViews;
using qmtest::RawKeyExists;
using qmtest::RawPut;
using qmtest::RawRead;
using qmtest::RawSubKeys;
using qmtest::ReadFileBytes;
using qmtest::RefuseChanges;
using qmtest::Shown;
using qmtest::ViewName;
using qmtest::WriteFileBytes;

const std::string kExt = "Software\\Microsoft\\Internet Explorer\\Extensions";

class TransferRightsTest : public qmtest::ProgramTest {
protected:
    qmtest::TestPageHost host;
    int rebuilds = 0;
    qm::transfer::ToolBarTransfer transfer{host, [this] { ++rebuilds; }};
};

TEST_F(TransferRightsTest, ExportTakesEveryMarkedButtonOfBothViewsOnce) {
    RawPut(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kExt + "\\{A32}",
           {{"ButtonText", "A"}, {"IsQuillmere", "YES"}});
    RawPut(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, kExt + "\\{B64}",
           {{"ButtonText", "B"}, {"IsQuillmere", "YES"}});
    for (REGSAM view : kBothViews)
        RawPut(HKEY_LOCAL_MACHINE, view, kExt + "\\{C}",
               {{"ButtonText", view == KEY_WOW64_32KEY ? "C32" : "C64"}, {"IsQuillmere", "YES"}});
    RefuseChanges refuse(HKEY_LOCAL_MACHINE, "Software"); // reading needs no rights to change
    dialogs.AnswerFileDialog(temp.File("all.qmx"));
    dialogs.ExpectInformation("Exported 3 buttons to \"" + temp.File("all.qmx") + "\".");
    transfer.ExportToolBarInfo();
    std::string file = ReadFileBytes(temp.File("all.qmx"));
    auto count = [&](const std::string& text) {
        size_t n = 0;
        for (size_t at = file.find(text); at != std::string::npos; at = file.find(text, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("buttonstart"), 3u) << file;
    EXPECT_EQ(count("ButtonText=A\r\n"), 1u);
    EXPECT_EQ(count("ButtonText=B\r\n"), 1u);
    EXPECT_EQ(count("ButtonText=C32\r\n"), 1u);
    EXPECT_EQ(count("C64"), 0u);
}

TEST_F(TransferRightsTest, ImportMakesEachButtonInBothViewsAndRecordsItOnce) {
    WriteFileBytes(temp.File("two.qmx"), "buttonstart\r\nButtonText=x\r\nbuttonend\r\n"
                                         "buttonstart\r\nButtonText=y\r\nbuttonend\r\n");
    dialogs.AnswerFileDialog(temp.File("two.qmx"));
    dialogs.AnswerRows(); // the preview of what the import makes
    transfer.ImportToolBarInfo();
    for (REGSAM view : kBothViews) {
        SCOPED_TRACE(ViewName(view));
        EXPECT_EQ(
            RawRead(HKEY_LOCAL_MACHINE, view, kExt + "\\" + qm::ButtonKeyName(1))->at("ButtonText"),
            "x");
        EXPECT_EQ(
            RawRead(HKEY_LOCAL_MACHINE, view, kExt + "\\" + qm::ButtonKeyName(2))->at("ButtonText"),
            "y");
    }
    EXPECT_EQ(RawRead(HKEY_CURRENT_USER, 0, "Software\\qzo\\Quillmere\\StdBtn")->size(), 2u);
}

TEST_F(TransferRightsTest, ARefusedImportSaysWhatNeedsRightsAndMakesNothing) {
    WriteFileBytes(temp.File("two.qmx"), "buttonstart\r\nButtonText=x\r\nbuttonend\r\n"
                                         "buttonstart\r\nButtonText=y\r\nbuttonend\r\n");
    RefuseChanges refuse(HKEY_LOCAL_MACHINE, "Software");
    dialogs.AnswerFileDialog(temp.File("two.qmx"));
    dialogs.AnswerRows(); // the preview of what the import makes
    dialogs.AnswerQuestion(false, qm::ui::RefusalText(qm::ui::RefusedKeys::Machine,
                                                      "The buttons of \"" + temp.File("two.qmx") +
                                                          "\" cannot be imported"));
    transfer.ImportToolBarInfo();
    for (REGSAM view : kBothViews)
        EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, view, kExt)) << ViewName(view);
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, 0, "Software\\qzo\\Quillmere\\StdBtn"));
    EXPECT_TRUE(dialogs.ShownOf(Shown::ApplicationError).empty());
    EXPECT_EQ(rebuilds, 1);
}

} // namespace

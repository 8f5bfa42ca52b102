// An import touches only what it creates: on a machine whose 32-bit view has no Extensions key,
// the 32-bit browser gets the imported buttons and nothing of what the 64-bit view holds.
#include "transfer/TransferCommands.h"

#include "buttons/ButtonRecord.h"

#include "support/MachineViews.h"
#include "support/ProgramTest.h"
#include "support/RawRegistry.h"
#include "support/TestPageHost.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using qmtest::RawSubKeys;

class ImportViewsTest : public qmtest::ProgramTest {
protected:
    qmtest::TestPageHost host;
    qm::transfer::ToolBarTransfer transfer{host, [] {}};
};

TEST_F(ImportViewsTest, OnlyTheImportedKeysAreNewInEitherView) {
    const std::string ext = qm::kExtensionsKey + 1; // without the leading backslash
    qmtest::RawPut(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, ext + "\\{Theirs}",
                   {{"ButtonText", "another program's"}});
    qmtest::RawPut(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, ext + "\\CmdMapping", {{"x", "y"}});
    ASSERT_FALSE(qmtest::RawKeyExists(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, ext));
    const std::vector<std::string> before64 = RawSubKeys(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, ext);

    qmtest::WriteFileBytes(temp.File("set.qmx"), "buttonstart\r\nButtonText=mine\r\nbuttonend\r\n");
    dialogs.AnswerFileDialog(temp.File("set.qmx"));
    dialogs.AnswerRows();
    transfer.ImportToolBarInfo();

    const std::string made = qm::ButtonKeyName(1);
    std::vector<std::string> after64 = RawSubKeys(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, ext);
    std::vector<std::string> expected64 = before64;
    expected64.push_back(made);
    std::sort(after64.begin(), after64.end());
    std::sort(expected64.begin(), expected64.end());
    EXPECT_EQ(after64, expected64);
    EXPECT_EQ(RawSubKeys(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, ext), std::vector<std::string>{made});
    for (REGSAM view : qmtest::kBothViews)
        EXPECT_EQ(qmtest::RawRead(HKEY_LOCAL_MACHINE, view, ext + "\\" + made)
                      .value_or(qmtest::RawStrings{})["ButtonText"],
                  "mine")
            << qmtest::ViewName(view);
}

} // namespace

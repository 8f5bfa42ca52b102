// Paths from a file are checked as the platform will take them: "..", ".", "/", trailing dots
// and blanks, short (8.3) names and device names all resolve before any containment check.
#include "transfer/ExportFile.h"
#include "transfer/ImportPlan.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

using namespace qm::transfer;

class PathResolutionTest : public ::testing::Test {
protected:
    void SetUp() override {
        long_ = temp.File("Long folder name");
        CreateDirectoryA(long_.c_str(), nullptr);
        CreateDirectoryA(folder().c_str(), nullptr);
        qmtest::WriteFileBytes(long_ + "\\file with a long name.txt", "x");
        char shortName[MAX_PATH] = {};
        ASSERT_NE(GetShortPathNameA(long_.c_str(), shortName, MAX_PATH), 0u);
        short_ = shortName;
        ASSERT_NE(short_, long_); // the platform gave the folder a short name of its own
    }
    std::string folder() const { return temp.File("set_files"); }

    qmtest::TempFolder temp;
    std::string long_, short_;
};

TEST_F(PathResolutionTest, APathResolvesAsThePlatformTakesIt) {
    struct Row {
        std::string given, resolved;
    };
    const std::string t = temp.Path();
    const Row rows[] = {
        {t + "\\set_files\\..\\b.txt", t + "\\b.txt"},
        {t + "/set_files/./b.txt", t + "\\set_files\\b.txt"},
        {t + "\\b.txt. . ", t + "\\b.txt"},
        {short_ + "\\file with a long name.txt", long_ + "\\file with a long name.txt"},
        {short_ + "\\missing\\x.txt", long_ + "\\missing\\x.txt"}, // the existing part expands
        {t + "\\set_files\\CON", "\\\\.\\CON"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.given);
        EXPECT_EQ(ResolveFullPath(row.given), row.resolved);
    }
    EXPECT_EQ(ResolveFullPath(std::string("a\0b", 3)), std::nullopt);
    EXPECT_EQ(ResolveFullPath(""), std::nullopt);
}

TEST_F(PathResolutionTest, OnlyWhatReallyLiesInTheFolderIsInsideIt) {
    const std::string f = folder(), t = temp.Path();
    char shortFolder[MAX_PATH] = {};
    ASSERT_NE(GetShortPathNameA(f.c_str(), shortFolder, MAX_PATH), 0u);
    const std::pair<std::string, bool> rows[] = {
        {f + "\\a.ico", true},
        {f + "\\..\\set_files\\a.ico", true},
        {f + "\\a.ico. ", true},
        {std::string(shortFolder) + "\\a.ico", true},
        {t + "/set_files/a.ico", true},
        {f + "\\sub\\a.ico", false},
        {f + "\\..\\a.ico", false},
        {f + "\\a/../../victim/a.ico", false},
        {f + "\\.", false},
        {f + "\\nul", false}, // a device, not a file in the folder
        {f + "x\\a.ico", false},
    };
    for (const auto& [path, inside] : rows) {
        SCOPED_TRACE(path);
        EXPECT_EQ(LiesDirectlyIn(path, f, ResolveFullPath), inside);
    }
}

TEST_F(PathResolutionTest, NamesInAFolderAreClaimedAsThePlatformTakesThem) {
    CompanionNames names(folder(), ResolveFullPath);
    const std::string a = temp.File("a\\icon.ico"), b = temp.File("b\\icon.ico");
    EXPECT_EQ(names.Claim("icon.ico", a), "icon.ico");
    // The same source however it is spelt keeps its name.
    EXPECT_EQ(names.Claim("icon.ico", temp.File("a/../a/icon.ico")), "icon.ico");
    // Another file whose name the platform takes for the same gets one of its own.
    EXPECT_EQ(names.Claim("ICON.ico. ", b), "ICON_2.ico");
    EXPECT_EQ(names.Claim("icon_2.ico", temp.File("c\\icon_2.ico")), "icon_2_2.ico");
}

} // namespace

// Working out what an export file will create, without Windows: this file also builds with the
// host's compiler (with the sanitizers) against transfer/ExportFormat.cpp and
// transfer/ImportPlan.cpp alone, with a stand-in for the platform's path resolution.
#include "transfer/ImportPlan.h"
#include "PathStandIn.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace qm::transfer;

const auto Resolve = qmtest::ResolveLexically;

ImportPlan Plan(const std::string& bytes) {
    return PlanExportBytes(bytes, "D:\\m\\set_files", Resolve);
}

TEST(ImportPlanTest, SectionsBecomeButtonsWithTheirLinesAndTheirLastValues) {
    ImportPlan plan = Plan("stray=1\r\n"
                           "buttonstart\r\nA=1\r\nB=2\r\nA=3\r\n\r\nbuttonend\r\n"
                           "buttonend\r\n"
                           "buttonstart\r\nC=4\r\n"
                           "buttonstart\r\nIcon=a.ico\r\nHotIcon=\r\nScript=shell32.dll,4");
    ASSERT_EQ(plan.buttons.size(), 3u);
    EXPECT_EQ(plan.buttons[0].line, 2u);
    EXPECT_EQ(plan.buttons[0].values,
              (std::vector<PlannedValue>{{"A", "3"}, {"B", "2"}, {"", ""}}));
    EXPECT_TRUE(plan.buttons[0].complete);
    EXPECT_EQ(plan.buttons[1].line, 9u);
    EXPECT_EQ(plan.buttons[1].values, (std::vector<PlannedValue>{{"C", "4"}}));
    EXPECT_FALSE(plan.buttons[1].complete); // cut short by the next section
    EXPECT_EQ(plan.buttons[2].line, 11u);
    EXPECT_EQ(plan.buttons[2].values,
              (std::vector<PlannedValue>{{"Icon", "D:\\m\\set_files\\a.ico"},
                                         {"HotIcon", "D:\\m\\set_files\\"},
                                         {"Script", "D:\\m\\set_files\\shell32.dll,4"}}));
    EXPECT_FALSE(plan.buttons[2].complete); // cut short by the file's end
    EXPECT_TRUE(plan.refused.empty());
    EXPECT_TRUE(plan.notes.empty());
}

TEST(ImportPlanTest, FileValuesThatLeaveTheFolderKeepOnlyTheirLastNamePart) {
    ImportPlan plan =
        Plan("buttonstart\r\n"
             "Icon=x/../../../AppData/Startup/evil.bat\r\n"
             "HotIcon=..\\..\\b.ico\r\n"
             "Script=C:\\Windows\\c.htm\r\n"
             "icon=../not/a/file/value\r\n"
             "buttonend\r\n"
             "buttonstart\r\nIcon=..\r\nHotIcon=a.ico:stream\r\nScript=sub/\r\nbuttonend\r\n");
    ASSERT_EQ(plan.buttons.size(), 2u);
    EXPECT_EQ(plan.buttons[0].values,
              (std::vector<PlannedValue>{{"Icon", "D:\\m\\set_files\\evil.bat"},
                                         {"HotIcon", "D:\\m\\set_files\\b.ico"},
                                         {"Script", "D:\\m\\set_files\\c.htm"},
                                         {"icon", "../not/a/file/value"}}));
    EXPECT_EQ(plan.buttons[1].values,
              (std::vector<PlannedValue>{{"Icon", "D:\\m\\set_files\\"},
                                         {"HotIcon", "D:\\m\\set_files\\stream"},
                                         {"Script", "D:\\m\\set_files\\"}}));
    ASSERT_EQ(plan.notes.size(), 6u);
    EXPECT_EQ(plan.notes[0], "The value \"Icon\" of the button at line 1 named "
                             "\"x/../../../AppData/Startup/evil.bat\", outside the folder "
                             "D:\\m\\set_files; it now names \"evil.bat\" in that folder");
}

TEST(ImportPlanTest, OversizedSectionsAreRefusedWholeAndTheOthersStay) {
    std::string many = "buttonstart\r\n";
    for (size_t i = 0; i <= kMaxSectionValues; ++i) many += "V" + std::to_string(i) + "=x\r\n";
    many += "buttonend\r\n";
    std::string exactly = "buttonstart\r\n";
    for (size_t i = 0; i < kMaxSectionValues; ++i)
        exactly += "V" + std::to_string(i) + "=x\r\nV0=y\r\n";
    exactly += "buttonend\r\n";
    std::string longName(kMaxValueNameBytes + 1, 'n');
    std::string bytes =
        "buttonstart\r\nA=1\r\nbuttonend\r\n" +                                       // lines 1-3
        many +                                                                        // lines 4-262
        "buttonstart\r\nB=1\r\n" + longName + "=x\r\nC=2\r\nbuttonend\r\n" +          // 263-267
        "buttonstart\r\nD=" + std::string(kMaxLineBytes, 'd') + "\r\nbuttonend\r\n" + // 268-270
        "E=stray\r\n" +                                                               // 271
        exactly;                                                                      // from 272
    ImportPlan plan = Plan(bytes);
    ASSERT_EQ(plan.buttons.size(), 2u);
    EXPECT_EQ(plan.buttons[0].values, (std::vector<PlannedValue>{{"A", "1"}}));
    EXPECT_EQ(plan.buttons[1].line, 272u);
    EXPECT_EQ(plan.buttons[1].values.size(), kMaxSectionValues);
    EXPECT_EQ(plan.buttons[1].values[0], (PlannedValue{"V0", "y"}));
    ASSERT_EQ(plan.refused.size(), 3u);
    EXPECT_EQ(plan.refused[0].line, 4u);
    EXPECT_EQ(plan.refused[0].reason, "it gives its button more than 256 values");
    EXPECT_EQ(plan.refused[1].line, 263u);
    EXPECT_EQ(plan.refused[1].reason, "the value name \"" + std::string(64, 'n') +
                                          "...\" on line 265 is longer than the registry allows");
    EXPECT_EQ(plan.refused[2].line, 268u);
    EXPECT_EQ(plan.refused[2].reason, "line 269 is longer than 1 MiB");
}

} // namespace

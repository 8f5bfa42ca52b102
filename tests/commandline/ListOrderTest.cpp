// /list and the button page's strip list the toolbar buttons in one order: this user's first,
// then all users', each in the registry's order. Over a table of seeded sets, the strip (read
// through its hints) and /list give the same buttons in the same order. (ListExportTest starts
// the program itself with /list.)
#include "app/CommandLine.h"
#include "app/CommandRun.h"
#include "commandline/CapturedOutput.h"

#include "buttonpage/ButtonPageFixture.h"

#include <algorithm>
#include <utility>

namespace {

using namespace qm::cli;

using qmtest::CapturedOutput;

// A record, written with plain registry calls: under the current user's root (no views) or in
// the machine's views given.
struct Record {
    HKEY root;
    std::vector<REGSAM> views;
    std::string key;
};

void Seed(const Record& record) {
    qmtest::PutRecordIn(record.root, record.views, record.key,
                        {{"ButtonText", record.key.substr(1, 4)}, {"CLSID", qmtest::kOtherClsid}});
}

constexpr REGSAM k32 = KEY_WOW64_32KEY;
constexpr REGSAM k64 = KEY_WOW64_64KEY;
const HKEY kUser = HKEY_CURRENT_USER;
const HKEY kMachine = HKEY_LOCAL_MACHINE;

struct SeededSet {
    const char* what;
    std::vector<Record> records;
};

const SeededSet kSets[] = {
    {"the machine's only", {{kMachine, {k32, k64}, "{M2}"}, {kMachine, {k32}, "{M1}"}}},
    {"this user's only", {{kUser, {}, "{U2}"}, {kUser, {}, "{U1}"}}},
    {"both roots, seeded machine first",
     {{kMachine, {k32, k64}, "{MA}"},
      {kMachine, {k64}, "{MB}"},
      {kUser, {}, "{UC}"},
      {kMachine, {k32}, "{MD}"},
      {kUser, {}, "{UA}"}}},
    {"a name under both roots", {{kMachine, {k32, k64}, "{SAME}"}, {kUser, {}, "{SAME}"}}},
    {"names only the 64-bit view holds come after the 32-bit view's",
     {{kMachine, {k64}, "{A64}"}, {kMachine, {k32}, "{Z32}"}, {kUser, {}, "{B}"}}},
};

void PrintTo(const SeededSet& set, std::ostream* out) { *out << set.what; }

class ListOrderTest : public qmtest::ButtonPageTest,
                      public ::testing::WithParamInterface<SeededSet> {
protected:
    // Root and key name of each /list line, from its first.
    std::vector<std::pair<std::string, std::string>> Listed() {
        CapturedOutput output;
        EXPECT_EQ(RunCommand(ParseCommandLine({"/list", "/quiet"}), output), kExitDone)
            << output.err;
        std::vector<std::pair<std::string, std::string>> lines;
        // The header line comes first, and names no button.
        const size_t header = output.out.find("\r\n");
        EXPECT_EQ(output.out.substr(0, output.out.find('\t')), "Root");
        for (size_t at = header == std::string::npos ? output.out.size() : header + 2;
             at < output.out.size();) {
            size_t end = output.out.find("\r\n", at);
            if (end == std::string::npos) end = output.out.size();
            const std::string line = output.out.substr(at, end - at);
            const size_t tab = line.find('\t');
            lines.emplace_back(line.substr(0, tab),
                               line.substr(tab + 1, line.find('\t', tab + 1) - tab - 1));
            at = end + 2;
        }
        return lines;
    }
    // The same from the strip: its key names from its start, and where each lives as its hint
    // says it.
    std::vector<std::pair<std::string, std::string>> Shown() {
        page->ListButtons(-1);
        std::vector<std::pair<std::string, std::string>> buttons;
        for (int p = 0; p < page->StripButtonCount(); ++p) {
            const std::string hint = HintOf(p);
            const bool mine = hint.substr(hint.find("\r\n") + 2) == "This user";
            buttons.emplace_back(mine ? "HKCU" : "HKLM", page->StripKey(p));
        }
        return buttons;
    }
};

TEST_P(ListOrderTest, TheStripAndListShowTheButtonsInOneOrderThisUsersFirst) {
    for (const Record& record : GetParam().records) Seed(record);
    const auto listed = Listed();
    EXPECT_EQ(Shown(), listed);
    ASSERT_EQ(listed.size(), GetParam().records.size());
    // This user's lines first, then the machine's.
    const auto firstMachine = std::find_if(listed.begin(), listed.end(),
                                           [](const auto& line) { return line.first == "HKLM"; });
    EXPECT_TRUE(std::all_of(firstMachine, listed.end(),
                            [](const auto& line) { return line.first == "HKLM"; }));
}

INSTANTIATE_TEST_SUITE_P(SeededSets, ListOrderTest, ::testing::ValuesIn(kSets),
                         [](const ::testing::TestParamInfo<SeededSet>& info) {
                             return "Set" + std::to_string(info.index);
                         });

} // namespace

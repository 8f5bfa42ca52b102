// The hand-over text between the window and its elevated copy: every change the window hands
// over reads back as the same change, and a text cut anywhere never reads as that change (the
// digest on the elevated copy's command line is what refuses a cut file).
#include "buttons/ElevatedChange.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

namespace {

using qm::ElevatedChange;
using qm::RawValue;

const std::string kKey = "{D6E814A0-E0C5-11d4-8D29-0060BA690107}";

TEST(ElevatedChangeTextTest, EveryChangeReadsBackAsWrittenAndNoCutTextAsTheSame) {
    const ElevatedChange changes[] = {
        {ElevatedChange::Action::Save,
         kKey,
         {{"ButtonText", RawValue{REG_SZ, "Old\0"s}, RawValue{REG_SZ, "N\xC3\xA9w\0"s}},
          {"Icon", RawValue{REG_EXPAND_SZ, "%a%\0x\0"s}, RawValue{REG_EXPAND_SZ, "%b%\0"s}},
          {"Default Visible", std::nullopt, RawValue{REG_SZ, "NO\0"s}},
          {"Exec", RawValue{REG_DWORD, "\1\0\0\0"s}, std::nullopt}}},
        {ElevatedChange::Action::Create,
         kKey,
         {{"CLSID", std::nullopt, RawValue{REG_SZ, "{1}\0"s}},
          {"ButtonText", std::nullopt, RawValue{REG_SZ, "\0"s}}}},
        {ElevatedChange::Action::Delete, kKey, {}},
    };
    for (const ElevatedChange& change : changes) {
        const std::string text = qm::ElevatedChangeText(change);
        SCOPED_TRACE(text);
        EXPECT_EQ(qm::ReadElevatedChange(text), change);
        for (size_t cut = 0; cut < text.size(); ++cut)
            EXPECT_NE(qm::ReadElevatedChange(text.substr(0, cut)), change) << cut;
    }
}

} // namespace

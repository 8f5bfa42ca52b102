// The machine's keys in both registry views, and what a user without rights to change them
// can still do. Every check looks at the registry through the plain platform calls.

#include "registry/RegistryAccessor.h"

#include "support/MachineViews.h"
#include "support/ProgramTest.h"

#include <gtest/gtest.h>

#include <algorithm>

using qm::RegistryAccessor;
using qm::RegistryError;
using qmtest::kBothViews;
using qmtest::RawKeyExists;
using qmtest::RawPut;
using qmtest::RawRead;
using qmtest::RawStrings;
using qmtest::RawSubKeys;
using qmtest::RefuseChanges;
using qmtest::ViewName;

namespace {

const std::string kExt = "Software\\Microsoft\\Internet Explorer\\Extensions";
const std::string kOnly32 = kExt + "\\{Only32}";
const std::string kOnly64 = kExt + "\\{Only64}";
const std::string kBoth = kExt + "\\{Both}";

class MachineViewsTest : public qmtest::ProgramTest {
protected:
    MachineViewsTest() { reg.SetRoot(HKEY_LOCAL_MACHINE); }
    void PutThree() {
        RawPut(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kOnly32, {{"ButtonText", "32 only"}});
        RawPut(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, kOnly64,
               {{"ButtonText", "64 only"}, {"CLSID", "{C}"}});
        RawPut(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kBoth, {{"ButtonText", "32 copy"}});
        RawPut(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, kBoth, {{"ButtonText", "64 copy"}});
    }
    template <class F>
    static std::pair<std::string, bool> ErrorOf(F&& f) {
        try {
            f();
        } catch (const RegistryError& error) {
            return {error.what(), error.Refused()};
        }
        return {"", false};
    }
    RegistryAccessor reg;
};

TEST_F(MachineViewsTest, KeysOfEitherViewAreListedOnceAndReadFromThe32BitViewFirst) {
    PutThree();
    ASSERT_TRUE(reg.OpenKey("\\" + kExt, false));
    std::vector<std::string> names = reg.GetKeyNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"{Both}", "{Only32}", "{Only64}"}));

    for (auto [path, text] : {std::pair{kOnly32, "32 only"}, std::pair{kOnly64, "64 only"},
                              std::pair{kBoth, "32 copy"}}) {
        EXPECT_TRUE(reg.KeyExists("\\" + path)) << path;
        ASSERT_TRUE(reg.OpenKey("\\" + path, false)) << path;
        EXPECT_EQ(reg.ReadString("ButtonText"), text);
    }
}

TEST_F(MachineViewsTest, WritesReachTheViewsThatHoldAKeyWhileMadeAndDeletedKeysReachBoth) {
    PutThree();
    // A write to a key one view lacks goes to the view that has it: the other view's browser
    // never had that button and does not get one.
    ASSERT_TRUE(reg.OpenKey("\\" + kOnly64, false));
    reg.WriteString("ButtonText", "edited");
    ASSERT_TRUE(reg.OpenKey("\\" + kBoth, false));
    reg.WriteString("Exec", "x.exe");
    EXPECT_TRUE(reg.DeleteValue("ButtonText"));
    reg.CloseKey();
    reg.CreateKey("\\" + kExt + "\\{New}\\Sub");
    ASSERT_TRUE(reg.OpenKey("\\" + kExt + "\\{Made}", true));
    reg.WriteString("ButtonText", "made");
    reg.CloseKey();
    EXPECT_TRUE(reg.DeleteKey("\\" + kOnly32));

    EXPECT_EQ(RawRead(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, kOnly64),
              (RawStrings{{"ButtonText", "edited"}, {"CLSID", "{C}"}}));
    EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kOnly64));
    for (REGSAM view : kBothViews) {
        SCOPED_TRACE(ViewName(view));
        EXPECT_EQ(RawRead(HKEY_LOCAL_MACHINE, view, kBoth), (RawStrings{{"Exec", "x.exe"}}));
        EXPECT_TRUE(RawKeyExists(HKEY_LOCAL_MACHINE, view, kExt + "\\{New}\\Sub"));
        EXPECT_EQ(RawRead(HKEY_LOCAL_MACHINE, view, kExt + "\\{Made}"),
                  (RawStrings{{"ButtonText", "made"}}));
        EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, view, kOnly32));
    }

    // A move takes each view's key along, and makes none where there was none.
    EXPECT_TRUE(reg.MoveKey("\\" + kOnly64, "\\" + kExt + "\\{Moved}"));
    EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, kOnly64));
    EXPECT_EQ(RawRead(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, kExt + "\\{Moved}"),
              (RawStrings{{"ButtonText", "edited"}, {"CLSID", "{C}"}}));
    EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kExt + "\\{Moved}"));
}

TEST_F(MachineViewsTest, AContainerMissingInOneViewIsMadeThereEmptyNeverAsACopy) {
    // Another program's button and the reserved key live in the 64-bit view alone.
    RawPut(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, kExt + "\\{Theirs}", {{"ButtonText", "theirs"}});
    RawPut(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, kExt + "\\CmdMapping", {{"x", "y"}});
    ASSERT_TRUE(reg.OpenKey("\\" + kExt, true));
    reg.CloseKey();
    EXPECT_TRUE(RawKeyExists(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kExt));
    EXPECT_TRUE(RawSubKeys(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kExt).empty());
    EXPECT_EQ(RawSubKeys(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, kExt).size(), 2u);
}

TEST_F(MachineViewsTest, WithOneViewNothingIsCopiedToAnother) {
    struct OneView {
        OneView() { qm::testing::UseOneMachineView(true); }
        ~OneView() { qm::testing::UseOneMachineView(false); }
    } oneView;
    ASSERT_TRUE(reg.OpenKey("\\" + kExt + "\\{One}", true));
    reg.WriteString("ButtonText", "one");
    reg.CloseKey();
    EXPECT_TRUE(RawKeyExists(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kExt + "\\{One}"));
    EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, kExt + "\\{One}"));
}

TEST_F(MachineViewsTest, WithoutRightsToChangeTheMachinesKeysTheyAreStillListedAndRead) {
    PutThree();
    RefuseChanges refuse(HKEY_LOCAL_MACHINE, "Software");
    ASSERT_TRUE(reg.OpenKey("\\" + kExt, false));
    EXPECT_EQ(reg.GetKeyNames().size(), 3u);
    EXPECT_TRUE(reg.KeyExists("{Both}"));
    ASSERT_TRUE(reg.OpenKey("{Both}", false));
    EXPECT_EQ(reg.ReadString("ButtonText"), "32 copy");
    EXPECT_EQ(reg.GetValues().size(), 1u);
    reg.CloseKey();
    EXPECT_EQ(refuse.refused, 0);
}

TEST_F(MachineViewsTest, RefusedChangesSayWhyAndChangeNothingInEitherView) {
    PutThree();
    RefuseChanges refuse(HKEY_LOCAL_MACHINE, kExt);
    ASSERT_TRUE(reg.OpenKey("\\" + kBoth, false));
    EXPECT_EQ(ErrorOf([&] { reg.WriteString("ButtonText", "x"); }),
              std::pair(std::string("Failed to set data for 'ButtonText'"), true));
    EXPECT_EQ(ErrorOf([&] { reg.DeleteValue("ButtonText"); }),
              std::pair(std::string("Failed to delete value 'ButtonText'"), true));
    EXPECT_EQ(ErrorOf([&] { reg.CreateKey("\\" + kExt + "\\{New}"); }),
              std::pair("Failed to create key \\" + kExt + "\\{New}", true));
    EXPECT_EQ(ErrorOf([&] { reg.OpenKey("\\" + kExt + "\\{Made}", true); }),
              std::pair("Failed to create key \\" + kExt + "\\{Made}", true));
    EXPECT_EQ(ErrorOf([&] { reg.OpenKey("\\" + kBoth, true); }), // opening to write is refused too
              std::pair("Failed to create key \\" + kBoth, true));
    EXPECT_EQ(ErrorOf([&] { reg.DeleteKey("\\" + kOnly64); }),
              std::pair("Failed to delete key \\" + kOnly64, true));
    EXPECT_EQ(ErrorOf([&] { reg.MoveKey("\\" + kOnly32, "\\" + kExt + "\\{Moved}"); }).second,
              true);

    for (REGSAM view : kBothViews) {
        SCOPED_TRACE(ViewName(view));
        EXPECT_EQ(RawRead(HKEY_LOCAL_MACHINE, view, kBoth)->at("ButtonText"),
                  view == KEY_WOW64_32KEY ? "32 copy" : "64 copy");
        EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, view, kExt + "\\{New}"));
        EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, view, kExt + "\\{Made}"));
        EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, view, kExt + "\\{Moved}"));
    }
    EXPECT_TRUE(RawKeyExists(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, kOnly64));
    EXPECT_TRUE(RawKeyExists(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kOnly32));
    EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, kOnly32));

    // A key that is not there is no failure at all.
    EXPECT_EQ(ErrorOf([&] { EXPECT_FALSE(reg.OpenKey("\\" + kExt + "\\{Missing}", false)); }),
              std::pair(std::string(), false));
}

TEST_F(MachineViewsTest, ARefusalInTheSecondViewUndoesWhatTheFirstWasGiven) {
    PutThree();
    RefuseChanges refuse(HKEY_LOCAL_MACHINE, kExt, KEY_WOW64_64KEY);
    EXPECT_TRUE(ErrorOf([&] { reg.CreateKey("\\" + kExt + "\\{New}"); }).second);
    ASSERT_TRUE(reg.OpenKey("\\" + kBoth, false));
    EXPECT_TRUE(ErrorOf([&] { reg.WriteString("ButtonText", "x"); }).second);
    EXPECT_EQ(ErrorOf([&] { reg.DeleteKey("\\" + kBoth); }),
              std::pair("Failed to delete key \\" + kBoth, true));
    for (REGSAM view : kBothViews) {
        SCOPED_TRACE(ViewName(view));
        EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, view, kExt + "\\{New}"));
        EXPECT_EQ(RawRead(HKEY_LOCAL_MACHINE, view, kBoth).value_or(RawStrings{})["ButtonText"],
                  view == KEY_WOW64_32KEY ? "32 copy" : "64 copy");
    }
    // A key the refused view does not hold is written where it is, and made nowhere else.
    ASSERT_TRUE(reg.OpenKey("\\" + kOnly32, false));
    EXPECT_EQ(ErrorOf([&] { reg.WriteString("ButtonText", "x"); }).first, "");
    EXPECT_EQ(RawRead(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kOnly32),
              (RawStrings{{"ButtonText", "x"}}));
    EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, kOnly32));
}

TEST_F(MachineViewsTest, ANewKeyIsMadeInBothViewsOrNotAtAllAndAKeyOfEitherViewIsLeftAlone) {
    using NewKey = RegistryAccessor::NewKey;
    PutThree();
    RegistryAccessor extensions, button;
    extensions.SetRoot(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(extensions.OpenKey("\\" + kExt, true));
    // Names already there in either view, in any letter case: nothing made, nothing opened.
    for (const char* name : {"{only32}", "{ONLY64}", "{Both}"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(button.MakeKeyBelow(extensions, name), NewKey::Exists);
        EXPECT_FALSE(button.HasOpenKey());
    }
    EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, kOnly32));
    EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kOnly64));
    EXPECT_EQ(RawRead(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, kOnly64),
              (RawStrings{{"ButtonText", "64 only"}, {"CLSID", "{C}"}}));

    ASSERT_EQ(button.MakeKeyBelow(extensions, "{New}"), NewKey::Made);
    button.WriteString("ButtonText", "new");
    button.CloseKey();
    for (REGSAM view : kBothViews)
        EXPECT_EQ(RawRead(HKEY_LOCAL_MACHINE, view, kExt + "\\{New}"),
                  (RawStrings{{"ButtonText", "new"}}))
            << ViewName(view);

    // Refused in the second view: the first view's new key goes again.
    RefuseChanges refuse(HKEY_LOCAL_MACHINE, kExt + "\\{Refused}", KEY_WOW64_64KEY);
    EXPECT_EQ(ErrorOf([&] { button.MakeKeyBelow(extensions, "{Refused}"); }),
              std::pair("Failed to create key \\" + kExt + "\\{Refused}", true));
    EXPECT_FALSE(button.HasOpenKey());
    for (REGSAM view : kBothViews)
        EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, view, kExt + "\\{Refused}"))
            << ViewName(view);
}

} // namespace
